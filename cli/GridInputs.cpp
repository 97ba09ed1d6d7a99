#include "cli/GridInputs.h"

#include <sys/stat.h>

#include <cerrno>

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
    {
        ScanFileContents contents = readScanFile(path);
        appendGridRows(form.vsFlexGrid1, contents, placeColumns(form.vsFlexGrid1, contents, path));
    }  // the file's own copy of the rows goes before the arrangement needs room
    if (arrange) {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
}

}  // namespace

void buildGrid(MainForm& form, const std::vector<std::string>& inputs, bool arrange) {
    for (const auto& input : inputs) {
        // "-" is standard input; a pipe or process substitution is read as it comes.
        const std::string path = input == "-" ? "/dev/stdin" : input;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) throw Error::fromErrno(errno, input);
        if (S_ISDIR(st.st_mode)) throw Error::fromErrno(EISDIR, input);
        if (isScanFile(input)) {
            importScanFile(form, path, arrange);
            continue;
        }
        form.pnlLogPathToFile.setCaption(path);
        if (scanLogFile(form, arrange) < 0)
            throw Error(err::kFileIo, appBaseName(), input + ": the log could not be scanned");
    }
}

}  // namespace th::cli
