#include "cli/GridInputs.h"

#include <filesystem>

#include "export/ScanFileFormat.h"
#include "platform/Error.h"
#include "scan/LogScanner.h"

namespace th::cli {

namespace {

bool isScanFile(const std::string& path) {
    if (path.size() < 3) return false;
    std::string ext = path.substr(path.size() - 3);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".sf";
}

// The file is read and checked whole before its rows join the grid.
void importScanFile(MainForm& form, const std::string& path, bool arrange) {
    ScanFileContents contents = readScanFile(path);
    appendGridRows(form.vsFlexGrid1, contents, placeColumns(form.vsFlexGrid1, contents, path));
    if (arrange) {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
}

}  // namespace

void buildGrid(MainForm& form, const std::vector<std::string>& inputs, bool arrange) {
    for (const auto& input : inputs) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(input, ec))
            throw Error(err::kFileNotFound, appBaseName(), input + ": no such file");
        if (isScanFile(input)) {
            importScanFile(form, input, arrange);
            continue;
        }
        form.pnlLogPathToFile.setCaption(input);
        if (scanLogFile(form, arrange) < 0)
            throw Error(err::kFileIo, appBaseName(), input + ": the log could not be scanned");
    }
}

}  // namespace th::cli
