#pragma once
// Quake-engine colour codes in player names: "^" and the one printable ASCII byte after
// it ("^1Jay^7yz", "^$WARIOR"). The same player writes his name with and without them,
// so under the "Fold colour codes" setting the grid arranges, shows and exports the name
// without them. Scan files, the ban file and the database keep the name as written.

#include <string>
#include <string_view>

#include "platform/FlexGrid.h"

namespace th {

// Whether a colour code starts at text[caret]: "^" and a byte from 0x21 to 0x7E.
bool isColourCode(std::string_view text, size_t caret);

// The name with every "^" and the byte after it removed when that byte is printable
// ASCII (0x21 to 0x7E); a "^" before anything else, or at the end, stays. A name of codes
// only stays as it is.
std::string foldColourCodes(std::string_view name);

// The same as the grid's fold of a cell (FlexGrid::CellFold): false when the name holds
// no code and shows as it is.
bool foldColourCodesInto(std::string_view name, std::string& folded);

// Switches the fold on or off for the grid's Player Name column, wherever it stands.
// The caller arranges the grid again for the groups to follow.
void setFoldColours(FlexGrid& grid, bool on);

}  // namespace th
