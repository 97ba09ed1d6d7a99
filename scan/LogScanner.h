#pragma once
// The log scanner: turns each kept violation line of the log named by the path panel
// into one row of the violation grid.

#include <cstdint>

#include "scan/MainForm.h"

namespace th {

// Returns the number of rows added, 0 when none, or -1 after an error it has shown.
int32_t g_lngScanLogFile(MainForm& form);

}  // namespace th
