#include "app/QtCursorPort.h"

#include <QApplication>
#include <QCursor>

namespace th {

namespace {

// The platform's pointer numbers that have a Qt shape; the rest show the arrow.
Qt::CursorShape qtShape(int16_t shape) {
    switch (shape) {
        case 2:
            return Qt::CrossCursor;
        case 3:
            return Qt::IBeamCursor;
        case 11:
            return Qt::WaitCursor;
        case 12:
            return Qt::ForbiddenCursor;
        case 13:
            return Qt::BusyCursor;
        case 15:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace

QtCursorPort::~QtCursorPort() {
    if (overriding_) QApplication::restoreOverrideCursor();
}

void QtCursorPort::setShape(int16_t shape) {
    shape_ = shape;
    if (shape == 0) {
        // The default: no override of this port's own stays.
        if (overriding_) QApplication::restoreOverrideCursor();
        overriding_ = false;
        return;
    }
    if (overriding_) {
        QApplication::changeOverrideCursor(QCursor(qtShape(shape)));
    } else {
        QApplication::setOverrideCursor(QCursor(qtShape(shape)));
        overriding_ = true;
    }
}

}  // namespace th
