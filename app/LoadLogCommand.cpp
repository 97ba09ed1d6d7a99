#include "app/LoadLogCommand.h"

#include "app/MainCommands.h"
#include "platform/CFileOpenSaveDialog.h"

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
    form.pnlLogPathToFile.setCaption(dialog.FileName());
}

}  // namespace th
