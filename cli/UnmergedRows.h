#pragma once
// The violations follow read while its merges failed, kept across a stop in a scan file
// beside the ban file: rotation may take their logs out of reach before the next start,
// which merges them first. It is the program's own scan file, so `merge` and the window's
// Import read it too.

#include <string>
#include <vector>

#include "platform/FlexGrid.h"

namespace th::cli {

// A grid row's cells, in the order of a set-up grid's columns.
using GridRow = std::vector<std::string>;

// Beside the ban file, named after it.
std::string unmergedRowsPath(const std::string& banFile);

// The grid's data rows (its group rows left out), each once: a log read again after a
// restart gives the rows a stop kept a second time.
std::vector<GridRow> dataRows(const FlexGrid& grid);

// Writes the rows through the safe writer, replacing the file only once it is complete.
// Throws th::Error.
void writeUnmergedRows(const std::vector<GridRow>& rows, const std::string& path);

// The rows the file holds. Throws th::Error when it cannot be read, is no whole scan file,
// or is no regular file of this account.
std::vector<GridRow> readUnmergedRows(const std::string& path);

}  // namespace th::cli
