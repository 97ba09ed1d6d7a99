#include "app/MainCommands.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/LoadLogCommand.h"
#include "bans/Merge.h"
#include "export/HtmlBanList.h"
#include "export/ScanFile.h"
#include "platform/MessageBoxes.h"
#include "scan/LogFolder.h"
#include "scan/LogScanner.h"

namespace th {

namespace {

MsgResult say(MainForm& form, const std::string& text, MsgButtons buttons, MsgIcon icon,
              std::optional<MsgResult> defaultButton = std::nullopt) {
    return say(form.ports.messages, text, buttons, icon, defaultButton);
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

void logNotFound(MainForm& form) {
    form.ports.messages.show(
        withAdvice(std::string(cmd::kLogNotFound) + kPad, cmd::kLogNotFoundAdvice), MsgButtons::Ok,
        MsgIcon::Information, kMsgTitle);
}

// The logs Scan reads: the path panel's log, or every log of the chosen folder. Empty
// after a box has said why there is none.
std::vector<std::string> logsToScan(MainForm& form) {
    if (form.logFolder.empty()) {
        const std::string path = form.pnlLogPathToFile.caption();
        if (path.empty()) return {};
        if (!isFile(path)) {
            logNotFound(form);
            return {};
        }
        return {path};
    }
    std::vector<std::string> logs;
    try {
        logs = logFilesIn(form.logFolder);
    } catch (const Error& e) {
        showErrorBox(form.ports.messages, cmd::kLogFolderUnreadable, e,
                     cmd::kLogFolderUnreadableAdvice);
        return {};
    }
    // The folder may have gained or lost logs since it was chosen.
    form.pnlLogPathToFile.setCaption(logFolderCaption(form.logFolder, logs.size()));
    if (logs.empty()) say(form, cmd::kNoLogsInFolder, MsgButtons::Ok, MsgIcon::Information);
    return logs;
}

// Scans the logs one after another into the grid, arranged once at the end; a folder's
// logs are named in the path panel while they are read, so an error names its log.
int32_t scanLogs(MainForm& form, const std::vector<std::string>& logs) {
    if (form.logFolder.empty()) return g_lngScanLogFile(form);
    const std::string caption = form.pnlLogPathToFile.caption();
    int32_t added = 0;
    for (const std::string& log : logs) {
        form.pnlLogPathToFile.setCaption(log);
        const int32_t found = scanLogFile(form, false);
        if (found < 0) {
            added = found;
            break;
        }
        added += found;
    }
    form.pnlLogPathToFile.setCaption(caption);
    if (added > 0) {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
    return added;
}

void scanLog(MainForm& form) {
    const std::vector<std::string> logs = logsToScan(form);
    if (logs.empty()) return;
    if (say(form, cmd::kAskScan, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::No) return;
    if (form.vsFlexGrid1.rows() >= 2 &&
        say(form, cmd::kAskClearGrid, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes) {
        form.vsFlexGrid1.setRows(1);
        form.unsavedRows = false;  // nothing is left to lose
    }
    const int32_t rowsBefore = form.vsFlexGrid1.rows();
    // Let the question box go and the grid repaint before the scan holds the thread.
    form.ports.events.processEvents();
    int32_t added = scanLogs(form, logs);
    if (added == -1) return;  // the scanner has shown its own error box
    if (added == kScanCancelled) {
        const int32_t found = form.vsFlexGrid1.rows() - rowsBefore;
        if (found > 0 && say(form, cmd::keepFoundText(found), MsgButtons::YesNo,
                             MsgIcon::Question) == MsgResult::Yes) {
            int32_t position = 0;
            vsFlexGrid1_AfterMoveColumn(form, 0, position);
            form.unsavedRows = true;
        } else {
            form.vsFlexGrid1.setRows(rowsBefore);
        }
        return;
    }
    if (added > 0) form.unsavedRows = true;
    if (added == 0)
        say(form, cmd::kNoneAdded, MsgButtons::Ok, MsgIcon::Information);
    else
        say(form, std::to_string(added) + cmd::kSomeAdded, MsgButtons::Ok, MsgIcon::Information);
}

bool gridHasRows(const MainForm& form) {
    return form.vsFlexGrid1.rows() >= 2;
}

}  // namespace

void cmdQuelvane_Click(MainForm& form, int16_t index) {
    try {
        switch (index) {
            case cmd::kLoadLog:
                loadLogCommand(form);
                break;
            case cmd::kScan:
                scanLog(form);
                break;
            case cmd::kExit:
                // No is the default: Return keeps the rows.
                if (form.unsavedRows && say(form, cmd::kAskLeave, MsgButtons::YesNo,
                                            MsgIcon::Question, MsgResult::No) != MsgResult::Yes)
                    break;
                if (form.unload) form.unload();
                break;
            case cmd::kHtml:
                if (gridHasRows(form) && runHtmlCommand(form)) form.unsavedRows = false;
                break;
            case cmd::kMerge:
                if (!gridHasRows(form)) break;
                if (mergeIntoBanFile(form, {}).completed)
                    form.unsavedRows = false;
                else if (form.cancel.requested())
                    say(form, cmd::kMergeCancelled, MsgButtons::Ok, MsgIcon::Information);
                break;
            case cmd::kSave:
                if (gridHasRows(form) && saveScanFileCommand(form)) form.unsavedRows = false;
                break;
            case cmd::kImport:
                // The rows now shown are the file's own.
                if (importScanFileCommand(form)) form.unsavedRows = false;
                break;
            default:
                break;
        }
    } catch (const std::exception& e) {
        const Error error = toError(e);
        showErrorBox(form.ports.messages, cmd::kUnhandledError, error,
                     error.number() == err::kBadFileFormat ? cmd::kWrongFileAdvice
                     : error.number() == err::kRefusedPath ? cmd::kRefusedAdvice
                                                           : cmd::kUnhandledAdvice);
    }
}

}  // namespace th
