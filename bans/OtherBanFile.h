#pragma once
// A ban file from elsewhere (another server's pbbans.dat) read for import. Only lines of
// the shape this program writes are taken:
//   [mm.dd.yyyy hh:mm:ss] GUID "name" "ip"
// with an optional quoted reason after the address. ";" lines and blank lines are
// ignored; any other line is unreadable and reported by its number.

#include <cstdint>
#include <string_view>
#include <vector>

#include "bans/WorkingTable.h"

namespace th {

struct OtherBanFile {
    std::vector<WorkRow> rows;        // name and address in double quotes, reason bare
    CellStore texts;                  // what the rows' values view
    int64_t ignored = 0;              // ";" and blank lines
    std::vector<int64_t> unreadable;  // line numbers, from 1
};

// Adds the file's bans, lines and numbers to into's.
void readOtherBanFile(std::string_view bytes, OtherBanFile& into);

// The row of one ban line, when the line has the shape above; its values kept in texts.
bool readBanLine(std::string_view line, WorkRow& row, CellStore& texts);

}  // namespace th
