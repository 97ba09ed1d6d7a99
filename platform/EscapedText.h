#pragma once
// Text from a log, a ban file or a file name written on one line where nothing in it may
// steer a terminal or break the line apart: backslash, TAB, CR and LF become \\, \t, \r
// and \n; every other byte below 0x20, and 0x7F, becomes \xHH (two upper-case hex
// digits); all other bytes, 8-bit ones included, stay as they are. The command-line
// tool prints with it and tab-separated exports hold their fields in it.

#include <string>
#include <string_view>

namespace th {

void appendEscaped(std::string& out, std::string_view text);

}  // namespace th
