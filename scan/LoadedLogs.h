#pragma once
// The logs the window has loaded for scanning: the log the path panel names, or every log
// of the chosen folder. A file saved over one of them replaced the server's log with the
// rows found in it.

#include <string>

#include "scan/MainForm.h"

namespace th {

// Throws th::Error err::kRefusedPath when path is one of the loaded logs (the same file,
// whatever name leads to it).
void refuseLoadedLog(const MainForm& form, const std::string& path);

}  // namespace th
