#include "app/QtEventsPort.h"

#include <QCoreApplication>

namespace th {

void QtEventsPort::setIndicators(QList<QWidget*> widgets) {
    indicators_.clear();
    for (QWidget* w : widgets) indicators_.append(w);
}

void QtEventsPort::processEvents() {
    QCoreApplication::processEvents();
}

void QtEventsPort::repaintNow() {
    if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintIntervalMs) return;
    sinceRepaint_.start();
    for (const auto& w : indicators_)
        if (w && w->isVisible()) w->repaint();
}

}  // namespace th
