#pragma once
// Window set-up shared by the main window and the About box. Each ignores its own failures.

class QWidget;

namespace th {

// Gives every widget of the window the Tahoma font, size 8, keeping its weight and
// style. Where Tahoma is not installed the desktop's own family stands in.
void g_SetFormFont(QWidget* window);
// Places the window in the middle of the desktop work area.
void g_CenterForm(QWidget* window);
// Takes the close button away and refuses every close request (title bar, Alt+F4, the
// window manager): only the program's own way out leaves, see allowFormClose.
void g_DisableFormClose(QWidget* window);
// Lets a window that g_DisableFormClose guards close once the program means to.
void allowFormClose(QWidget* window);

// The family g_SetFormFont gives: "Tahoma" where installed, else the desktop's.
const char* formFontFamily();

}  // namespace th
