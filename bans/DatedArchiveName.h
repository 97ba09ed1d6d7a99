#pragma once
// Names of the dated backup archives: "dd-mm-yyyy_hh-mm-ss" + a suffix such as
// "_pbbans.zip", in a given folder.

#include <ctime>
#include <string>

namespace th {

// The name for the local time t, e.g. 05-12-2003_20-09-59_pbbans.zip.
std::string datedArchiveName(std::time_t t, const std::string& suffix);

// The full path of a new archive in folder (which ends in the separator). A backup never
// replaces an earlier one: when the dated name is taken, "-2", "-3", ... go before ".zip".
std::string freeArchivePath(const std::string& folder, std::time_t t, const std::string& suffix);

}  // namespace th
