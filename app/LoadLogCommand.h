#pragma once
// Load Log: asks for the log to scan and shows its path in the path panel.

#include "scan/MainForm.h"

namespace th {

// Nothing changes when the user cancels; no scan starts either way.
void loadLogCommand(MainForm& form);

}  // namespace th
