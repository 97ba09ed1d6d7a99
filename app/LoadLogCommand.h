#pragma once
// Load Log: asks for the log to scan and shows its path in the path panel.

#include <cstddef>
#include <string>

#include "scan/MainForm.h"

namespace th {

// Nothing changes when the user cancels; no scan starts either way.
void loadLogCommand(MainForm& form);

// Load log folder: asks for a folder; Scan then reads every log in it (scan/LogFolder.h).
// The path panel names the folder and how many logs it holds.
void loadLogFolderCommand(MainForm& form);

// What the path panel shows for a folder of count logs.
std::string logFolderCaption(const std::string& folder, size_t count);

}  // namespace th
