#include "cli/GridInputs.h"

#include <filesystem>

#include "platform/Error.h"
#include "scan/LogScanner.h"

namespace th::cli {

void buildGrid(MainForm& form, const std::vector<std::string>& inputs, bool arrange) {
    for (const auto& input : inputs) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(input, ec))
            throw Error(err::kFileNotFound, appBaseName(), input + ": no such file");
        form.pnlLogPathToFile.setCaption(input);
        if (scanLogFile(form, arrange) < 0)
            throw Error(err::kFileIo, appBaseName(), input + ": the log could not be scanned");
    }
}

}  // namespace th::cli
