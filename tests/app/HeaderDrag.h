#pragma once
// A header section dragged with the mouse, as a hand drags it: pressed in its middle,
// moved in steps and let go over the first section's left edge.

#include <QHeaderView>
#include <QTest>

namespace th::test {

inline void dragSectionToFront(QHeaderView* header, int position) {
    QWidget* bar = header->viewport();
    const int y = header->height() / 2;
    const QPoint start(
        header->sectionViewportPosition(position) + header->sectionSize(position) / 2, y);
    const QPoint end(header->sectionViewportPosition(0) + 2, y);
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 10; ++step) QTest::mouseMove(bar, start + (end - start) * step / 10);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, end);
}

}  // namespace th::test
