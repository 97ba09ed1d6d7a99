#pragma once
// What the desktop knows the window by: the name of its desktop entry, so that a dock or
// task switcher shows it under its launcher, and the program's icon, built in for a
// program run where no icon theme holds it.

namespace th {

// For the running application; call once the QApplication exists.
void setDesktopIdentity();

}  // namespace th
