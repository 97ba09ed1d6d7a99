#pragma once
// The HTML ban list: one line per player of the grid, laid out like a ban-file entry.

#include <string>

#include "platform/FlexGrid.h"
#include "scan/MainForm.h"

namespace th {

// The page takes its look from the product's site.
inline constexpr const char* kStylesheetAddress = "http://www.quelvane.net/quelvane_grey.css";

// Writes the page of the grid's data rows, player names as the grid shows them, to path,
// replacing the file only once the page is complete. Throws th::Error.
void writeHtmlBanList(const FlexGrid& grid, const std::string& path);

// Asks for the file and writes the page. True when written or cancelled (path then
// stays empty); false after an error it has shown.
bool g_blnCreateHtmlBanList(MainForm& form, std::string& path);

// The HTML command: writes the page and offers to open it. True when the page was written.
bool runHtmlCommand(MainForm& form);

}  // namespace th
