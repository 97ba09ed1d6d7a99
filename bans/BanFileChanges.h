#pragma once
// The changes to the bans besides the merge of a grid: lifting bans and importing other
// servers' ban files. Each is a merge underneath (bans/Merge.h): the ban file is backed
// up, locked, read, its bans and the change go into the database in one transaction,
// and the file is written anew from the database and put in place only if it is still
// the one read. So the ban file and the database change together or not at all.

#include <cstdint>
#include <string>
#include <vector>

#include "bans/BanListWriter.h"
#include "scan/MainForm.h"

namespace th {

class BanStore;
class CancelToken;

struct BanFileChange {
    bool completed = false;     // file and database both changed, or there was nothing to change
    bool fileReplaced = false;  // the file changed, also when the database did not
    std::string report;         // what happened, for a box or a terminal
    int64_t notBanned = 0;      // GUIDs a lifting found without a ban when it ran
};

// The GUIDs of guids that neither the store nor the ban file (the game server's own bans)
// bans, as given. Throws th::Error when the file cannot be read or is no ban file.
std::vector<std::string> guidsWithoutBan(BanStore& store, const std::string& banFile,
                                         const std::vector<std::string>& guids);
// The GUIDs, each followed by when its ban was lifted, if it was: "GUID (lifted [stamp])".
std::string namedWithLiftings(BanStore& store, const std::vector<std::string>& guids);

// Removes the bans of the GUIDs from the database and the ban file, recording each as
// lifted now with the note. GUIDs without a ban are passed over; when none has one, nothing
// is backed up or written, and the report says so. Failures are reported through the
// form's message port, as a merge reports them.
// server: the game server the ban file is for (bans/ServerName.h), whose temp bans it holds.
BanFileChange liftBans(MainForm& form, const std::string& banFile,
                       const std::vector<std::string>& guids, const std::string& note,
                       const std::string& server = {});

// Adds the bans of other ban files to the database and the ban file; lifted bans stay
// lifted. Lines of no ban shape are named, file and line, in the report.
BanFileChange importBanFiles(MainForm& form, const std::string& banFile,
                             const std::vector<std::string>& others,
                             const std::string& server = {});

// Writes every ban, in the stored query's order, to path (through the program's one
// output writer) in the format. Returns the number of bans written; throws th::Error, or
// th::Cancelled when cancel is asked to stop, with path as it was.
int64_t exportBanList(BanStore& store, const std::string& path, BanListFormat format,
                      const CancelToken* cancel = nullptr);

// The texts of these changes. The question names the bans ("name (GUID)"), the first few
// of many: Delete lifts the bans selected, which need not be those in view.
std::string liftQuestionText(const std::vector<std::string>& bans);
std::string liftedReport(int64_t lifted, const std::string& fileTitle, int64_t linesOfLifted = 0,
                         int64_t notInFile = 0, int64_t notBanned = 0);
inline constexpr const char* kBrowseFailed = "The ban database could not be opened";
inline constexpr const char* kReloadReminder =
    "A running game server keeps its ban list in memory until it reloads it (pb_sv_banload "
    "or a restart).";

}  // namespace th
