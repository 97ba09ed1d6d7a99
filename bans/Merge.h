#pragma once
// The merge of the grid into the anti-cheat's ban file, through the ban database.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bans/KnownBanFile.h"
#include "bans/WorkingTable.h"
#include "scan/MainForm.h"

namespace th {

class BanStore;
struct WorkRow;

// The window's merge: explains itself, asks for the ban file, merges, reports and offers
// to open the file.
void g_MergeIntoBanFile(MainForm& form);

// What the command-line tool leaves out: the explanation and the closing question.
struct MergeOptions {
    bool explain = true;
    bool offerToOpen = true;
    // The server whose ban file this is: its kept lines are stored under this name in a
    // shared database. Empty: this machine's host name.
    std::string server;
    // Called with the new file written and on disk: before the check that the ban file is
    // still the one read, and between that check and the replacing. Tests change the
    // ban file there, as a game server writing a ban at that moment would.
    std::function<void()> beforeCheck, beforeReplace;
    // The ban file to change; empty: the user chooses it.
    std::string banFile;
    // Rows merged in place of the grid's (the bans of other ban files); null: the grid.
    const std::vector<WorkRow>* rows = nullptr;
    // Runs in the merge's transaction before the rows are stored, so that a change of the
    // bans (lifting them) lands together with the rewritten file or not at all. A pass
    // that starts again because the file changed runs it again.
    std::function<void(BanStore&)> beforeStore;
    // The same, once the rows are stored and before the file is written from the database:
    // a ban the file alone held is in the database by then, and can be lifted. Given the
    // rows read (the file's ban lines and rows), less those of bans lifted before, and the
    // file's lines that are kept as they are, which it may take out.
    std::function<void(BanStore&, const std::vector<WorkRow>& rows,
                       std::vector<std::string>& keptLines)>
        afterStore;
    // Lifting bans may rightly leave the file with none; a merge never does.
    bool mayEmpty = false;
    // Whether the ban file is zipped before it changes; follow backs it up only so often.
    bool backUp = true;
    // Whether that zip is kept when another beside it holds the same bytes already: follow,
    // which backs the file up at every start, left one more zip of it at each.
    bool keepRepeatedBackup = true;
    // The grid's new bans are appended to the ban file as it stands, under the writers'
    // lock, as the game server adds its own, instead of rewriting it sorted; a file that
    // gains no ban is not written at all.
    bool appendOnly = false;
    // What the appending merge knew of the ban file from its last run, brought up to date
    // by this one; the file is read only from where that left off (null: read whole).
    KnownBanFile* known = nullptr;
    // Bans of the database that other servers caught: the appending merge appends each
    // the ban file lacks. Their GUIDs; or with pushAll, every ban stored.
    std::vector<std::string> pushed;
    bool pushAll = false;
    // The database to merge through, left open after; null: the merge connects to the
    // one databasePath() names and closes it at its end.
    BanStore* store = nullptr;
    // Called in the merge's transaction just before it commits: what must be stored
    // exactly when the bans are (where the scanned logs were left).
    std::function<void(BanStore&)> beforeCommit;
    // The error box's first line when the change fails; null: the merge's own.
    const char* errorLead = nullptr;
};

struct MergeOutcome {
    bool completed = false;     // the ban file was rewritten and the database agrees
    bool fileReplaced = false;  // the ban file holds the new bans (also when not completed)
    std::string report;         // the report's first part, "Merge complete. ..." with its padding
    int64_t liftedSkipped = 0;  // rows not stored because their ban was lifted
    int64_t liftedTakenOut = 0;  // of those, the ban file's lines, which it no longer holds
    int64_t gainedInFile = 0;    // bans the ban file holds now that it did not before
    bool noRecords = false;     // nothing to write: neither the file nor the database held a ban
    std::vector<NewBan> added;  // the grid's bans new to the database, in GUID order
    int64_t pushedAdded = 0;    // bans of other servers appended to the ban file
    int error = 0;              // why it did not complete; 0 when that was said by the connect
    bool zipped = false;        // a backup of the ban file was written (also when not completed)
};

MergeOutcome mergeIntoBanFile(MainForm& form, const MergeOptions& options);

// What a merge into the ban file would change now.
struct MergePreview {
    std::vector<NewBan> added;  // the grid's bans new to the store, in the ban file's order
    int64_t fromStore = 0;      // bans the store holds already that the file lacks
    int64_t liftedLines = 0;    // the file's lines of bans that stay lifted, taken out
    int64_t liftedRows = 0;     // the grid's violations of bans that stay lifted, skipped
    int64_t toStore = 0;        // the file's bans the store lacks, which it gains
};

// merge --dry-run: reads the ban file and the store, and changes neither; lifted bans are
// skipped by the merge's rule. Throws th::Error.
MergePreview previewMerge(MainForm& form, BanStore& store, const std::string& banFile);

// The texts of the merge's boxes.
namespace merge_text {
inline constexpr const char* kExplanation =
    "Select a pbbans.dat file, this file will be backed up and zipped before any changes are made."
    "        \r\n\r\n"
    "If for any reason errors occur during a merge simply revert to the last zipped pbbans.dat"
    "        \r\n"
    "and e-mail me the logs scanned that caused the errors.        ";
inline constexpr const char* kDialogTitle = "Select a pbbans.dat file";
inline constexpr const char* kFilter = "Punkbuster pbbans (*.dat)|*.dat";
inline constexpr const char* kDefaultExt = "dat";
inline constexpr int32_t kDialogFlags = 0x181804;
inline constexpr const char* kArchiveSuffix = "_pbbans.zip";
inline constexpr const char* kNoRecords =
    "No records found in database. Run a merge to update database        ";
inline constexpr const char* kErrorLead = "An error has occured during a merge of this log";
inline constexpr const char* kErrorAdvice =
    "The ban file and the ban database are as they were; the dated zip beside the ban file "
    "holds its copy from before the change.";
// The same when the failure came before a backup was written.
inline constexpr const char* kErrorAdviceUnzipped =
    "The ban file and the ban database are as they were.";
// The same when new bans had been added to the end of the ban file (between two backups
// of follow's) before the database failed.
inline constexpr const char* kErrorAdviceAppended =
    "The ban database is as it was; the new bans are at the end of the ban file already, and "
    "the next merge stores them in the database.";
// The same when the ban file was replaced and could not be put back after the database failed.
inline constexpr const char* kErrorAdviceNotPutBack =
    "The ban file was changed and the ban database was not; the dated zip beside the ban file "
    "holds its copy from before the change.";
inline constexpr const char* kOpenQuestion = "Would you like to open this file now?        ";
// How often a merge starts again when the ban file changed while it was merged.
inline constexpr int kReruns = 3;
inline constexpr const char* kKeptChanging =
    "The ban file kept changing while it was merged, so nothing was changed; try again: ";
inline constexpr const char* kNotABanFile =
    "This is not a ban file: it holds bytes no text file has (a program, an archive or a "
    "database?): ";
// Said of a merge, a lifting and an import alike: the next merge stores the file's new bans
// or writes the database's back into it.
inline constexpr const char* kNotPutBack =
    "; the ban file was changed already and could not be put back as it was (";
inline constexpr const char* kNotPutBackEnd =
    "); the next merge makes the ban file and the database agree again";
}  // namespace merge_text

}  // namespace th
