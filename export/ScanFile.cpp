#include "export/ScanFile.h"

#include "export/ScanFileFormat.h"
#include "platform/CFileOpenSaveDialog.h"
#include "scan/LoadedLogs.h"

namespace th {

namespace {

constexpr const char* kScanFilter = "Scan File (*.sf)|*.sf";
constexpr int32_t kSaveFlags =
    0x80806;  // Explorer, path must exist, hide read-only, overwrite prompt
constexpr int32_t kImportFlags =
    0x181804;  // no link dereferencing, Explorer, file and path must exist, hide read-only

// Both commands set the dialog up alike, apart from its flags and title.
void setUpDialog(CFileOpenSaveDialog& dialog, MainForm& form, bool save) {
    dialog.setCenterDialog(true);
    dialog.setDefaultExt("sf");
    dialog.setFlags(save ? kSaveFlags : kImportFlags);
    dialog.setDialogTitle(save ? "Save scanned violations log" : "Select scanned violations log");
    dialog.setFilter(kScanFilter);
    dialog.setHWndOwner(form.hWnd);
}

}  // namespace

bool saveScanFileCommand(MainForm& form) {
    if (form.vsFlexGrid1.rows() <= 1) return false;
    CFileOpenSaveDialog dialog(form.ports.files);
    setUpDialog(dialog, form, true);
    if (!dialog.Show(CFileOpenSaveDialog::kSave)) return false;
    refuseLoadedLog(form, dialog.FileName());
    writeScanFile(form.vsFlexGrid1, dialog.FileName());
    form.ports.messages.show("'" + dialog.FileTitle() + "' has been saved" + kPad, MsgButtons::Ok,
                             MsgIcon::Information, kMsgTitle);
    return true;
}

bool importScanFileCommand(MainForm& form) {
    CFileOpenSaveDialog dialog(form.ports.files);
    setUpDialog(dialog, form, false);
    if (!dialog.Show(CFileOpenSaveDialog::kOpen)) return false;
    // The whole file is read and checked before the grid is touched or the user is
    // asked to give it up: a file that cannot be loaded must not cost the rows.
    ScanFileContents contents = readScanFile(dialog.FileName());
    FlexGrid& grid = form.vsFlexGrid1;
    const std::vector<int32_t> placement = placeColumns(grid, contents, dialog.FileName());
    if (grid.rows() > 1) {
        MsgResult answer =
            form.ports.messages.show(std::string("Grid will be cleared of all records, OK?") + kPad,
                                     MsgButtons::YesNo, MsgIcon::Question, kMsgTitle);
        if (answer != MsgResult::Yes) return false;
    }
    grid.setRows(1);
    appendGridRows(grid, contents, placement);
    int32_t position = 0;
    vsFlexGrid1_AfterMoveColumn(form, 0, position);
    int32_t records = 0;
    const int32_t rows = grid.rows();
    for (int32_t r = 1; r <= rows - 1; ++r)
        if (!grid.isSubtotal(r)) ++records;
    form.ports.messages.show("'" + dialog.FileTitle() + "' has been loaded, " +
                                 std::to_string(records) + " records have been added" + kPad,
                             MsgButtons::Ok, MsgIcon::Information, kMsgTitle);
    return true;
}

}  // namespace th
