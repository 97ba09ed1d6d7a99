#pragma once
// Window set-up shared by the main window and the About box. Each ignores its own failures.

class QWidget;

namespace th {

// Gives every widget of the window that shows text the Tahoma font, size 8.
void g_SetFormFont(QWidget* window);
// Places the window in the middle of the desktop work area.
void g_CenterForm(QWidget* window);
// Takes the close button and the system menu's Close away: only Exit leaves.
void g_DisableFormClose(QWidget* window);

}  // namespace th
