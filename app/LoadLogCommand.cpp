#include "app/LoadLogCommand.h"

#include "app/MainCommands.h"
#include "platform/CFileOpenSaveDialog.h"
#include "platform/MessageBoxes.h"
#include "scan/LogFolder.h"

namespace th {

void loadLogCommand(MainForm& form) {
    CFileOpenSaveDialog dialog(form.ports.files);
    dialog.setCenterDialog(true);
    dialog.setDefaultExt(cmd::kLogDefaultExt);
    dialog.setFlags(cmd::kLogDialogFlags);
    dialog.setDialogTitle(cmd::kLogDialogTitle);
    dialog.setFilter(cmd::kLogFilter);
    dialog.setHWndOwner(form.hWnd);
    if (!dialog.Show(CFileOpenSaveDialog::kOpen)) return;
    form.logFolder.clear();
    form.pnlLogPathToFile.setCaption(dialog.FileName());
}

std::string logFolderCaption(const std::string& folder, size_t count) {
    return folder + " (" + std::to_string(count) + (count == 1 ? " log file)" : " log files)");
}

void loadLogFolderCommand(MainForm& form) {
    FileChooserRequest request;
    request.title = cmd::kLogFolderDialogTitle;
    request.defaultExt = cmd::kLogDefaultExt;  // remembered with the logs' own folder
    request.owner = form.hWnd;
    request.center = true;
    request.folder = true;
    const std::vector<std::string> chosen = form.ports.files.choose(request);
    if (chosen.empty()) return;
    const std::string& folder = chosen.front();
    size_t count = 0;
    try {
        count = logFilesIn(folder).size();
    } catch (const Error& e) {
        showErrorBox(form.ports.messages, cmd::kLogFolderUnreadable, e,
                     cmd::kLogFolderUnreadableAdvice);
        return;
    }
    form.logFolder = folder;
    form.pnlLogPathToFile.setCaption(logFolderCaption(folder, count));
}

}  // namespace th
