#pragma once
// The wait cursor over the whole program for as long as an instance lives: for work done
// on the GUI thread that can take seconds with much data (a page of bans whose order's
// index is made again, a million rows regrouped, the statistics of a large database).

#include <QCursor>
#include <QGuiApplication>

namespace th {

class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace th
