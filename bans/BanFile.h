#pragma once
// Reading the ban file line by line, and the check before it is rewritten.

#include <string>
#include <string_view>
#include <vector>

namespace th {

// The file's lines: each ends at LF, one CR before the LF is dropped, and a last line
// without LF is still a line. Throws th::Error naming the file.
std::vector<std::string> readLines(const std::string& path);

// Fails, naming the file, unless it exists and may be written: the rewrite replaces it,
// and a read-only file is never replaced, whoever runs the program.
void checkWritable(const std::string& path);

}  // namespace th
