#pragma once
// A file's bytes, read whole, for inputs small enough to hold (a scan file, another
// server's ban file).

#include <string>

namespace th {

// Throws th::Error naming the path and why: missing, unreadable, or a folder.
std::string readWholeFile(const std::string& path);

}  // namespace th
