#pragma once
// The HTML ban list: one line per player of the grid, laid out like a ban-file entry.

#include <string>

#include "scan/MainForm.h"

namespace th {

// Asks for the file and writes the page. True when written or cancelled (path then
// stays empty); false after an error it has shown.
bool g_blnCreateHtmlBanList(MainForm& form, std::string& path);

// The HTML command: writes the page and offers to open it.
void runHtmlCommand(MainForm& form);

}  // namespace th
