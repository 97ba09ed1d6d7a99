#include "app/ScreenRoom.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace th {

namespace {

const QScreen* screenOf(const QWidget& window) {
    return window.screen() ? window.screen() : QGuiApplication::primaryScreen();
}

QSize frameOf(const QWidget& window) {
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    return frame.isEmpty() ? QSize(16, 48) : frame;
}

}  // namespace

QSize fitScreen(const QWidget& window, QSize wanted) {
    const QScreen* screen = screenOf(window);
    if (!screen || screen->availableGeometry().isEmpty()) return wanted;
    return wanted.boundedTo(screen->availableGeometry().size() - frameOf(window));
}

void keepOnScreen(QWidget& window) {
    const QScreen* screen = screenOf(window);
    if (!screen || window.isMaximized() || window.isFullScreen()) return;
    const QRect work = screen->availableGeometry();
    if (work.isEmpty()) return;
    const QSize size = fitScreen(window, window.size()).expandedTo(window.minimumSize());
    if (size != window.size()) window.resize(size);
    // pos() is where the frame begins.
    const QSize outer = size + frameOf(window);
    const int x = std::clamp(window.x(), work.left(),
                             std::max(work.left(), work.right() + 1 - outer.width()));
    const int y = std::clamp(window.y(), work.top(),
                             std::max(work.top(), work.bottom() + 1 - outer.height()));
    if (x != window.x() || y != window.y()) window.move(x, y);
}

}  // namespace th
