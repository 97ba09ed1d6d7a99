#pragma once
// A folder of logs: the anti-cheat writes one numbered log per session into a folder,
// and a folder given where a log is expected means every log in it.

#include <string>
#include <string_view>
#include <vector>

namespace th {

// Whether a file name (or the last part of a path) ends in ".log", letter case ignored:
// the name of a log.
bool endsWithLog(std::string_view name);

// Name order as people count: runs of digits compare by their value ("2.log" before
// "10.log"), other text without regard to ASCII letter case; names still equal then
// compare by their bytes, so the order is total.
bool naturalLess(std::string_view a, std::string_view b);

// The regular files directly in the folder whose names end in ".log" (letter case
// ignored), as full paths in natural name order. Throws th::Error naming the folder when
// it cannot be read.
std::vector<std::string> logFilesIn(const std::string& folder);

}  // namespace th
