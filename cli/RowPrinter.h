#pragma once
// Writes the grid's data rows for other programs to read: one row a line, cells
// separated by TAB, each cell as cli/TerminalText writes it.

#include <ostream>
#include <string>
#include <string_view>

#include "scan/GridColumns.h"

namespace th::cli {

// Every data row (never a group row), in grid order, its cells as the grid shows them in
// the columns' order at start wherever they stand now; returns how many.
long printDataRows(const FlexGrid& grid, std::ostream& out);

}  // namespace th::cli
