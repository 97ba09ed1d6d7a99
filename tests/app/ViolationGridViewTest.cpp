#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include "app/ViolationGridView.h"
#include "tests/app/GridFixture.h"
#include "tests/app/HeaderDrag.h"

namespace th {
namespace {

struct ShownGrid : test::GridFixture {
    ViolationGridView view{form};
    ViolationGridModel& model = view.gridModel();

    ShownGrid() {
        addSampleRows();
        arrange();
        view.resize(700, 400);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
};

// The titles as the header shows them, left to right.
QStringList titles(const QTreeView& view) {
    QStringList out;
    for (int i = 0; i < view.header()->count(); ++i)
        out << view.model()->headerData(view.header()->logicalIndex(i), Qt::Horizontal).toString();
    return out;
}

// The text of each group row: the grouping column's values.
QStringList groups(ViolationGridModel& model) {
    QStringList out;
    for (int i = 0; i < model.rowCount(); ++i) out << model.index(i, 0).data().toString();
    return out;
}

const QStringList kTitles = {"Player Name", "Violation", "Number",   "Timestamp",
                             "Slot",        "GUID",      "Player IP"};

// Dragged to the front through the header with the mouse, a column becomes the grouping
// key; the header keeps its plain order and the grid the move.
TEST(ViolationGridView, DraggingAColumnToTheFrontRegroupsByIt) {
    ShownGrid g;
    QHeaderView* header = g.view.header();
    test::dragSectionToFront(header, 5);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(header->logicalIndex(i), i);
    QStringList moved = kTitles;
    moved.move(5, 0);
    EXPECT_EQ(titles(g.view), moved);
    EXPECT_EQ(groups(g.model), (QStringList{"aaaa  (2)", "bbbb  (1)", "cccc  (1)"}));
}

}  // namespace
}  // namespace th
