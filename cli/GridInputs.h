#pragma once
// Builds one grid from the files named on the command line, in order, as successive
// commands that never clear the grid would.

#include <string>
#include <vector>

#include "scan/MainForm.h"

namespace th::cli {

// Scans each log (a file ending in ".sf" is imported instead) and, when asked, arranges
// the grid once at the end. Throws th::Error naming the file that failed.
void buildGrid(MainForm& form, const std::vector<std::string>& inputs, bool arrange);

}  // namespace th::cli
