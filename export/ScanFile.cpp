#include "export/ScanFile.h"

#include "export/FileChoice.h"
#include "export/ScanFileFormat.h"

namespace th {

namespace {

constexpr const char* kScanFilter = "Scan File (*.sf)|*.sf";
constexpr uint32_t kSaveFlags = 0x80806;    // Explorer, path must exist, hide read-only, overwrite prompt
constexpr uint32_t kImportFlags = 0x181804; // no link dereferencing, Explorer, file and path must exist, hide read-only

FileChoiceSettings scanFileDialog(bool save) {
    FileChoiceSettings s;
    s.save = save;
    s.center = true;
    s.defaultExt = "sf";
    s.flags = save ? kSaveFlags : kImportFlags;
    s.title = save ? "Save scanned violations log" : "Select scanned violations log";
    s.filter = kScanFilter;
    s.owned = true;
    return s;
}

}  // namespace

void saveScanFileCommand(MainForm& form) {
    if (form.vsFlexGrid1.rows() <= 1) return;
    std::optional<FileChoice> choice = chooseFile(form, scanFileDialog(true));
    if (!choice) return;
    writeScanFile(form.vsFlexGrid1, choice->fileName);
    form.ports.messages.show("'" + choice->fileTitle + "' has been saved" + kPad, MsgButtons::Ok,
                             MsgIcon::Information, kMsgTitle);
}

void importScanFileCommand(MainForm& form) {
    std::optional<FileChoice> choice = chooseFile(form, scanFileDialog(false));
    if (!choice) return;
    // The whole file is read and checked before the grid is touched or the user is
    // asked to give it up: a file that cannot be loaded must not cost the rows.
    ScanFileContents contents = readScanFile(choice->fileName);
    FlexGrid& grid = form.vsFlexGrid1;
    if (grid.rows() > 1) {
        MsgResult answer = form.ports.messages.show(std::string("Grid will be cleared of all records, OK?") + kPad,
                                                    MsgButtons::YesNo, MsgIcon::Question, kMsgTitle);
        if (answer != MsgResult::Yes) return;
    }
    replaceGridRows(grid, contents);
    int32_t position = 0;
    vsFlexGrid1_AfterMoveColumn(form, 0, position);
    int32_t records = 0;
    const int32_t rows = grid.rows();
    for (int32_t r = 1; r <= rows - 1; ++r)
        if (!grid.isSubtotal(r)) ++records;
    form.ports.messages.show("'" + choice->fileTitle + "' has been loaded, " + std::to_string(records) +
                                 " records have been added" + kPad,
                             MsgButtons::Ok, MsgIcon::Information, kMsgTitle);
}

}  // namespace th
