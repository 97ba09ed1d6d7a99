#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include "app/GridEvents.h"
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
    QPoint centreOf(const QModelIndex& index) { return view.visualRect(index).center(); }
    void doubleClick(const QModelIndex& index) {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centreOf(index));
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, centreOf(index));
    }
    // Each group's fold as the grid keeps it and as the view shows it: "+" open, "-" folded.
    QString folds() {
        QString out;
        for (int i = 0; i < model.rowCount(); ++i) {
            QModelIndex group = model.index(i, 0);
            bool folded =
                form.vsFlexGrid1.isCollapsed(model.gridRow(group)) == FlexGrid::kCollapsed;
            out += QString(folded ? "-" : "+") + (view.isExpanded(group) ? "+ " : "- ");
        }
        return out;
    }
};

TEST(ViolationGridView, DoubleClickAndEnterFoldTheCurrentGroupButNeverTheHeaderRow) {
    ShownGrid g;
    QModelIndex alice = g.model.index(0, 0);
    g.doubleClick(alice);
    EXPECT_EQ(g.folds(), "-- ++ ++ ");
    g.doubleClick(alice);
    EXPECT_EQ(g.folds(), "++ ++ ++ ");
    QTest::mouseClick(g.view.viewport(), Qt::LeftButton, {}, g.centreOf(g.model.index(1, 2)));
    QTest::keyClick(&g.view, Qt::Key_Return);
    EXPECT_EQ(g.folds(), "++ -- ++ ");
    QTest::keyClick(&g.view, Qt::Key_Enter);
    EXPECT_EQ(g.folds(), "++ ++ ++ ");
    // On a data row only that row's own state toggles.
    g.doubleClick(g.model.index(0, 1, alice));
    EXPECT_EQ(g.form.vsFlexGrid1.isCollapsed(2), FlexGrid::kCollapsed);
    EXPECT_EQ(g.folds(), "++ ++ ++ ");

    // The header row never folds: neither with the grid's cursor on it nor by a double
    // click on the header.
    g.form.vsFlexGrid1.select(0, 0);
    vsFlexGrid1_DblClick(g.form);
    EXPECT_EQ(g.form.vsFlexGrid1.isCollapsed(0), FlexGrid::kExpanded);
    QTest::mouseDClick(g.view.header()->viewport(), Qt::LeftButton, {},
                       QPoint(g.view.header()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(g.form.vsFlexGrid1.isCollapsed(0), FlexGrid::kExpanded);
    EXPECT_EQ(g.folds(), "++ ++ ++ ");
}

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

// A column dragged one place to the right lands after its right neighbour; the first
// column stays the grouping key.
TEST(ViolationGridView, MovingOnePlaceRightPutsTheColumnAfterItsNeighbour) {
    ShownGrid g;
    g.view.header()->moveSection(0, 2);
    EXPECT_EQ(titles(g.view), QStringList({"Violation", "Number", "Player Name", "Timestamp",
                                           "Slot", "GUID", "Player IP"}));
    EXPECT_EQ(groups(g.model), (QStringList{"(AIMBOT)  (2)", "(WALLHACK)  (2)"}));
    EXPECT_EQ(g.model.index(0, 2, g.model.index(0, 0)).data().toString(), "Bob");
}

}  // namespace
}  // namespace th
