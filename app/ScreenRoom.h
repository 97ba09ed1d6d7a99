#pragma once
// Windows no larger than the screen they are on, and on it: a size remembered from a larger
// monitor, or designed for one, would put the buttons out of reach.

#include <QSize>

class QWidget;

namespace th {

// wanted, no larger than the free area of the window's screen less the window's frame (a
// title bar's and a border's allowance before the window manager has framed it).
QSize fitScreen(const QWidget& window, QSize wanted);

// Shrinks a top-level window to fitScreen and moves it wholly onto the free area; a
// maximised or full-screen one is left as it is.
void keepOnScreen(QWidget& window);

}  // namespace th
