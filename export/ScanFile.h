#pragma once
// Scan files: the grid kept on disk and loaded again.

#include "scan/MainForm.h"

namespace th {

// The Save and Import commands; their errors reach the dispatch's trap.
void saveScanFileCommand(MainForm& form);
void importScanFileCommand(MainForm& form);

}  // namespace th
