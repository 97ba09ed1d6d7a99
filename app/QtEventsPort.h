#pragma once
// Handing control to Qt's event loop, and painting the scan's indicators at once.

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QWidget>

#include "platform/Ports.h"

namespace th {

class QtEventsPort : public EventsPort {
  public:
    // Repaints reach the screen at display rate, not once per scanned line.
    static constexpr qint64 kRepaintIntervalMs = 33;

    void setIndicators(QList<QWidget*> widgets);
    void processEvents() override;
    void repaintNow() override;

  private:
    QList<QPointer<QWidget>> indicators_;
    QElapsedTimer sinceRepaint_;
};

}  // namespace th
