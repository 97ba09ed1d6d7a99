#pragma once
// The menu bar of the main window, built from the menu tree; every tool it triggers
// goes to the one tool-click handler.

#include <functional>

#include "scan/MainForm.h"

class QMenuBar;

namespace th {

// Fills the bar with the File, Utilities and Help menus. About shows the About box
// modally without an owner unless showAbout stands in for it.
// pressButton, when given, is how the window presses its buttons.
void installMenuBar(QMenuBar* bar, MainForm& form, std::function<void()> showAbout = {},
                    std::function<void(int16_t)> pressButton = {});

}  // namespace th
