#include "cli/HtmlCommand.h"

#include "cli/GridOutputCommand.h"
#include "export/HtmlBanList.h"

namespace th::cli {

void addHtmlCommand(CLI::App& app, CommandContext& context) {
    addGridOutputCommand(app, context, "html", "Write the HTML ban list of logs and scan files",
                         true, [](const FlexGrid& grid, const std::string& path) {
                             writeHtmlBanList(grid, path);
                             return "'" + path + "' has been created";
                         });
}

}  // namespace th::cli
