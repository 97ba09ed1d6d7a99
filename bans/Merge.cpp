#include "bans/Merge.h"

#include <ctime>
#include <optional>
#include <vector>

#include "bans/BanFile.h"
#include "bans/Database.h"
#include "bans/DatedArchiveName.h"
#include "bans/Paths.h"
#include "bans/WorkingTable.h"
#include "platform/CCursor.h"
#include "platform/CFileOpenSaveDialog.h"
#include "platform/CShell.h"
#include "platform/MessageBoxes.h"
#include "platform/TextFileWriter.h"

namespace th {

namespace {

using namespace merge_text;

// Grid columns of a violation row, and of the working table.
enum GridCol {
    kName = 0,
    kViolation = 1,
    kNumber = 2,
    kTimestamp = 3,
    kSlot = 4,
    kGuid = 5,
    kIp = 6
};

std::string_view trimSpaces(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i)
        if (equalsIgnoringCase(text.substr(i, part.size()), part)) return true;
    return false;
}

// Apostrophes are kept as two grave accents in the database, as existing databases hold them.
std::string toStored(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\'')
            out += "``";
        else
            out += c;
    }
    return out;
}

std::string fromStored(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '`' && i + 1 < text.size() && text[i + 1] == '`') {
            out += '\'';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The reason of a grid violation.
std::string reasonOf(const FlexGrid& grid, int32_t row) {
    const std::string kind = upper(trimSpaces(grid.cell(row, kViolation)));
    const std::string_view number = grid.cell(row, kNumber);
    if (kind == "(CVAR)" && containsIgnoringCase(grid.cell(row, kSlot), "ogc_"))
        return "VIOLATION DETECTED -> OGC #" + std::string(number);
    // A (CVAR) row without ogc_ gets its own reason too, never the row before it's.
    return "VIOLATION DETECTED -> " + kind + " #" + std::string(number);
}

// Moves the progress bar, repainting only when the shown fraction has changed enough to see.
class Progress {
  public:
    Progress(MainForm& form) : form_(form) {}
    void start(int64_t maximum) {
        form_.prgScanning.setValue(0);
        form_.prgScanning.setMaximum(maximum);
        step_ = maximum / 200 > 0 ? maximum / 200 : 1;
        next_ = 0;
    }
    void set(int64_t value) {
        if (value < next_ && value != form_.prgScanning.maximum()) return;
        form_.prgScanning.setValue(value);
        form_.ports.events.repaintNow();
        next_ = value + step_;
    }

  private:
    MainForm& form_;
    int64_t step_ = 1, next_ = 0;
};

// Opens the rewritten file with the desktop's own program for text files.
void openInEditor(MainForm& form, const std::string& path) {
    CShell shell(form.ports.shell);
    shell.OpenDocument(path);
}

}  // namespace

MergeOutcome mergeIntoBanFile(MainForm& form, const MergeOptions& options) {
    MergeOutcome outcome;
    std::optional<CFileOpenSaveDialog> dialog;
    std::optional<CCursor> cursor;
    try {
        if (options.explain)
            form.ports.messages.show(kExplanation, MsgButtons::Ok, MsgIcon::Information, kMsgTitle);

        dialog.emplace(form.ports.files);
        dialog->setCenterDialog(true);
        dialog->setDefaultExt(kDefaultExt);
        dialog->setDefaultFilter(1);
        dialog->setDialogTitle(kDialogTitle);
        dialog->setFilter(kFilter);
        dialog->setFlags(kDialogFlags);
        dialog->setHWndOwner(form.hWnd);
        if (dialog->Show(CFileOpenSaveDialog::kOpen)) {
            const std::string banFile = dialog->FileName();
            const std::string title = dialog->FileTitle();
            std::string folder = g_strGetFolder(banFile);
            const std::string archive =
                freeArchivePath(g_strAddBackslash(folder), std::time(nullptr), kArchiveSuffix);

            // A dated copy of the file as it is, before anything changes.
            XZipper& zip = form.xzipper1;
            zip.clearFiles();
            zip.resetOptions();
            zip.setArchiveName(archive);
            zip.setCompressionLevel(5);
            zip.setStorePaths(false);
            zip.setAppend(false);
            zip.setOverwrite(false);
            zip.addFile(banFile);
            zip.write();
            zip.clearFiles();
            dialog.reset();

            const std::vector<std::string> lines = readLines(banFile);
            int64_t linesRead = 0;
            cursor.emplace(form.ports.cursor);
            cursor->SetCursor(CCursor::kHourglass);
            const bool connected = g_blnConnectToDatabase(form);

            // The working table holds this merge's rows only.
            std::vector<WorkRow> work;
            work.reserve(lines.size() + static_cast<size_t>(form.vsFlexGrid1.rows()));
            std::vector<std::string_view> tempBans;
            FieldSplitter& awk = form.awkQuelvane;
            awk.setSeparators("[] ");
            awk.setCollapseSeparators(true);
            awk.setQuotedFields(true);
            for (const std::string& line : lines) {
                if (trimSpaces(line).empty()) continue;
                if (line.front() == ';') {
                    tempBans.push_back(line);
                    continue;
                }
                awk.setText(line);
                std::string reason;
                for (int32_t f = 7; f <= awk.fieldCount(); ++f) {
                    if (f > 7) reason += ' ';
                    reason += awk.field(f);
                }
                WorkRow& row = work.emplace_back();
                row.stamp.append("[")
                    .append(awk.field(2))
                    .append(" ")
                    .append(awk.field(3))
                    .append("]");
                row.guid = awk.field(4);
                row.name = quoted(awk.field(5));
                row.address = quoted(awk.field(6));
                row.reason = trimSpaces(reason);
                ++linesRead;
            }
            // The file's rows are not sorted on their own: the stable sort once the grid's
            // rows are in gives the very same order, and sorting once halves the work.

            const FlexGrid& grid = form.vsFlexGrid1;
            const int64_t gridLast = grid.rows() - 1;
            Progress progress(form);
            form.prgScanning.setVisible(true);
            progress.start(gridLast);
            for (int32_t i = 1; i <= gridLast; ++i) {
                progress.set(i);
                if (grid.isSubtotal(i)) continue;
                WorkRow& row = work.emplace_back();
                row.stamp = grid.cell(i, kTimestamp);
                row.guid = grid.cell(i, kGuid);
                row.name = quoted(grid.cell(i, kName));
                row.address = quoted(grid.cell(i, kIp));
                row.reason = reasonOf(grid, i);
            }
            sortByGuid(work);
            fillWorkingTable(form.grdDummy, work);

            // Every database step of the merge in one transaction: all of it or none.
            int64_t bansCounted = 0;
            const bool open = g_cnnDatabase && g_cnnDatabase->State() == Connection::kStateOpen;
            if (open) g_cnnDatabase->beginTransaction();
            const std::string* previous = nullptr;
            const int64_t workLast = static_cast<int64_t>(work.size()) - 1;
            progress.start(workLast);
            for (int64_t j = 0; j <= workLast; ++j) {
                progress.set(j);
                const WorkRow& row = work[static_cast<size_t>(j)];
                const std::string& guid = row.guid;
                const bool taken = !trimSpaces(guid).empty() && guid != "unknown" &&
                                   guid != "NO_GUID" &&
                                   !(previous && equalsIgnoringCase(guid, *previous));
                if (taken) {
                    if (connected) {
                        const std::string reasonValue =
                            trimSpaces(row.reason).empty() ? std::string() : quoted(row.reason);
                        const std::string name = toStored(row.name);
                        if (!m_blnGUIDExists(form, guid) && g_cnnDatabase) {
                            Statement& insert = g_cnnDatabase->prepared(
                                "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, "
                                "ViolationReason) "
                                "VALUES (?1, ?2, ?3, ?4, ?5)");
                            insert.bindAll({guid, row.stamp, name, row.address, reasonValue});
                            try {
                                insert.step();
                            } catch (...) {
                                insert.reset();
                                throw;
                            }
                            insert.reset();
                        }
                    }
                    ++bansCounted;
                }
                previous = &guid;
            }

            if (g_cnnDatabase) g_cnnDatabase->execute("DELETE FROM tblTempBans");
            for (std::string_view line : tempBans)
                if (g_cnnDatabase)
                    g_cnnDatabase->execute("INSERT INTO tblTempBans (TempBan) VALUES (?1)",
                                           {toStored(line)});

            // The new file is written beside the old one and only replaces it once whole,
            // so every failure from here on leaves the old file as it was.
            checkWritable(banFile);
            if (!g_cnnDatabase)
                throw Error(err::kObjectClosed, appBaseName() + ".Connection", "Object required");
            std::optional<TextFileWriter> rewritten;
            {
                Statement bans(*g_cnnDatabase, "SELECT * FROM qrySelectAllVandrelOrderByTimeStamp");
                const int cStamp = bans.column("TimeStamp"), cGuid = bans.column("GUID"),
                          cName = bans.column("PlayerName"), cIp = bans.column("IP"),
                          cReason = bans.column("ViolationReason");
                if (bans.step()) {
                    rewritten.emplace(banFile);
                    std::string out;
                    do {
                        out.assign(bans.text(cStamp));
                        out += ' ';
                        out += bans.text(cGuid);
                        out += ' ';
                        out += fromStored(bans.text(cName));
                        out += ' ';
                        out += bans.text(cIp);
                        out += ' ';
                        out += bans.text(cReason);
                        rewritten->writeLine(out);
                    } while (bans.step());
                }
            }
            if (!rewritten) {
                // Nothing to write: the file and the database stay as they were.
                g_cnnDatabase->rollback();
                form.ports.messages.show(kNoRecords, MsgButtons::Ok, MsgIcon::Critical, kMsgTitle);
            } else {
                Statement temps(*g_cnnDatabase, "SELECT * FROM qrySelectAllTempBans");
                const int cTemp = temps.column("TempBan");
                bool first = true;
                while (temps.step()) {
                    if (first) rewritten->writeLine({});
                    first = false;
                    rewritten->writeLine(fromStored(temps.text(cTemp)));
                }
                rewritten->sync();
                if (g_cnnDatabase->inTransaction()) g_cnnDatabase->commit();
                rewritten->commit();
                rewritten.reset();
                form.prgScanning.setValue(0);
                form.prgScanning.setVisible(false);

                // Lines read counts ban lines only, so temp-ban lines do not make an
                // unchanged file look like new bans.
                outcome.report =
                    linesRead == bansCounted
                        ? "Merge complete. No new ban's have been written to '" + title + "'" + kPad
                        : "Merge complete. " + std::to_string(bansCounted) +
                              " bans have been written to '" + title + "'" + kPad;
                outcome.completed = true;
                if (options.offerToOpen) {
                    std::string prompt = outcome.report + kCrLf + kCrLf + kOpenQuestion;
                    if (form.ports.messages.show(prompt, MsgButtons::YesNo, MsgIcon::Information,
                                                 kMsgTitle) == MsgResult::Yes) {
                        try {
                            openInEditor(form, banFile);
                        } catch (const std::exception&) {
                            // A launcher failure ends the merge quietly: the file is written.
                        }
                    }
                }
            }
        }
    } catch (const std::exception& e) {
        if (g_cnnDatabase) g_cnnDatabase->rollback();
        showErrorBox(form.ports.messages, kErrorLead, toError(e));
    }

    // Clean-up, whatever happened.
    form.prgScanning.setValue(0);
    form.prgScanning.setVisible(false);
    if (cursor) {
        try {
            cursor->RestoreCursor();
        } catch (const Error&) {
        }
    }
    g_CloseDatabase();
    form.xzipper1.clearFiles();
    return outcome;
}

void g_MergeIntoBanFile(MainForm& form) {
    mergeIntoBanFile(form, {});
}

}  // namespace th
