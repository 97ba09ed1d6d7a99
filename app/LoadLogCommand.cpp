#include "app/LoadLogCommand.h"

#include "app/MainCommands.h"

namespace th {

// Stand-in until the file dialog class lands: the same request it will build.
void loadLogCommand(MainForm& form) {
    FileChooserRequest request;
    request.title = cmd::kLogDialogTitle;
    request.filters = {{"Punkbuster log (*.log)", "*.log"}};
    request.defaultExt = cmd::kLogDefaultExt;
    request.flags = static_cast<uint32_t>(cmd::kLogDialogFlags) | 0x20;
    request.center = true;
    request.owner = form.hWnd;
    auto chosen = form.ports.files.choose(request);
    if (chosen.empty()) return;
    form.pnlLogPathToFile.setCaption(chosen.front());
}

}  // namespace th
