#pragma once
// Names of the dated backup archives: "dd-mm-yyyy_hh-mm-ss" + a suffix such as
// "_pbbans.zip", in a given folder.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace th {

class XZipper;

// The name for the local time t, e.g. 05-12-2003_20-09-59_pbbans.zip.
std::string datedArchiveName(std::time_t t, const std::string& suffix);

// Whether a file's name is one datedArchiveName and freeArchivePath make: the date and
// time, then anything, then ".zip".
bool isDatedArchiveName(std::string_view name);

// The full path of a new archive in folder (which ends in the separator). A backup never
// replaces an earlier one: when the dated name is taken, "-2", "-3", ... go before ".zip".
std::string freeArchivePath(const std::string& folder, std::time_t t, const std::string& suffix);

// Whether another dated archive beside this one holds the same file: the same name and the
// same bytes, read back whole from both (a damaged copy, or one only its CRC matches, is
// no copy).
bool anotherArchiveHolds(const std::string& archive);

// Writes a new dated archive in folder (ending in the separator), its options and files
// set by fill. Servers or runs sharing a folder may back up in the same second: a name
// taken between the look and the write goes to the next free one. archive is the path
// written, or the last one tried when it throws.
void writeDatedArchive(XZipper& zip, const std::string& folder, const std::string& suffix,
                       const std::function<void(XZipper&)>& fill, std::string& archive);

}  // namespace th
