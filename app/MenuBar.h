#pragma once
// The menu bar of the main window, built from the menu tree; every tool it triggers
// goes to the one tool-click handler.

#include <functional>

#include "scan/MainForm.h"

class QMenuBar;

namespace th {

// Fills the bar with the File, Utilities and Help menus. About shows the About box
// modally without an owner unless showAbout stands in for it.
void installMenuBar(QMenuBar* bar, MainForm& form, std::function<void()> showAbout = {});

}  // namespace th
