#pragma once
// Scan files: the grid kept on disk and loaded again.

#include "scan/MainForm.h"

namespace th {

// The Save and Import commands; their errors reach the dispatch's trap. Each says
// whether the file was written or loaded (false when the user stopped it).
bool saveScanFileCommand(MainForm& form);
bool importScanFileCommand(MainForm& form);

}  // namespace th
