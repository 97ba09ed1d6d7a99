#include "cli/SaveCommand.h"

#include "cli/GridOutputCommand.h"
#include "export/ScanFileFormat.h"

namespace th::cli {

void addSaveCommand(CLI::App& app, CommandContext& context) {
    addGridOutputCommand(app, context, "save", "Write a scan file of logs and scan files", false,
                         [](const FlexGrid& grid, const std::string& path) {
                             writeScanFile(grid, path);
                             size_t slash = path.find_last_of('/');
                             return "'" +
                                    (slash == std::string::npos ? path : path.substr(slash + 1)) +
                                    "' has been saved";
                         });
}

}  // namespace th::cli
