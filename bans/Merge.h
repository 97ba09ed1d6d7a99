#pragma once
// The merge of the grid into the anti-cheat's ban file, through the ban database.

#include <string>

#include "scan/MainForm.h"

namespace th {

// The window's merge: explains itself, asks for the ban file, merges, reports and offers
// to open the file.
void g_MergeIntoBanFile(MainForm& form);

// What the command-line tool leaves out: the explanation and the closing question.
struct MergeOptions {
    bool explain = true;
    bool offerToOpen = true;
};

struct MergeOutcome {
    bool completed = false;  // the ban file was rewritten and the report reached
    std::string report;      // the report's first part, "Merge complete. ..." with its padding
};

MergeOutcome mergeIntoBanFile(MainForm& form, const MergeOptions& options);

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
inline constexpr const char* kOpenQuestion = "Would you like to open this file now?        ";
}  // namespace merge_text

}  // namespace th
