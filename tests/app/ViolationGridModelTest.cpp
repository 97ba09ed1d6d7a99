#include <gtest/gtest.h>

#include <QBrush>
#include <QFont>

#include "app/ViolationGridModel.h"
#include "tests/app/GridFixture.h"

namespace th {
namespace {

using test::GridFixture;

QString text(const QModelIndex& i) {
    return i.data(Qt::DisplayRole).toString();
}

TEST(ViolationGridModel, ShowsGroupsAsWhiteBoldOnBlueRowsWithTheirDataRowsBelow) {
    GridFixture f;
    f.addSampleRows();
    ViolationGridModel model(f.form.vsFlexGrid1);
    f.arrange();
    ASSERT_EQ(model.rowCount(), 3);
    const QStringList groups = {"Alice  (2)", "Bob  (1)", "Carol  (1)"};
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(text(model.index(g, 0)), groups[g]);
        EXPECT_EQ(model.rowCount(model.index(g, 0)), g == 0 ? 2 : 1);
        for (int c = 0; c < 7; ++c) {
            QModelIndex group = model.index(g, c);
            EXPECT_TRUE(group.data(ViolationGridModel::GroupRole).toBool());
            EXPECT_EQ(text(group).isEmpty(), c > 0);
            EXPECT_EQ(group.data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));
            EXPECT_EQ(group.data(Qt::ForegroundRole).value<QBrush>().color(), Qt::white);
            EXPECT_TRUE(group.data(Qt::FontRole).value<QFont>().bold());
        }
    }
    QModelIndex second = model.index(1, 3, model.index(0, 0));
    EXPECT_EQ(text(second), "[2024.01.01 09:30:00]");
    EXPECT_FALSE(second.data(Qt::BackgroundRole).isValid() || second.data(Qt::FontRole).isValid());
    EXPECT_EQ(model.indexOfGridRow(3, 3), second);
}

TEST(ViolationGridModel, RepeatedCellsMergeOnlyAfterTheirLeftNeighboursAndNeverInTheLastColumn) {
    GridFixture f;
    f.add({"Alice", "(WALLHACK)", "50002", "[1]", "(slot #1)", "aaaa", "a:1"});
    f.add({"Alice", "(WALLHACK)", "50002", "[1]", "(slot #2)", "aaaa", "a:1"});
    f.add({"Alice", "(WALLHACK)", "50002", "[1]", "(slot #2)", "aaaa", "a:1"});
    ViolationGridModel model(f.form.vsFlexGrid1);
    f.arrange();
    auto merged = [&](int row) {
        QString flags;
        for (int c = 0; c < 7; ++c) {
            QModelIndex cell = model.index(row, c, model.index(0, 0));
            flags += cell.data(ViolationGridModel::MergedRole).toBool() ? 'M' : '.';
        }
        return flags;
    };
    EXPECT_EQ(merged(0), ".......");  // first row of a group: nothing above it
    EXPECT_EQ(merged(1), "MMMM...");  // the slot differs, so nothing right of it merges
    EXPECT_EQ(merged(2), "MMMMMM.");  // all repeat, but the last column never merges
}

TEST(ViolationGridModel, FollowsRowsAddedAndCutAndReadsNothingPastTheGridWhileDrawingIsOff) {
    GridFixture f;
    f.addSampleRows();
    ViolationGridModel model(f.form.vsFlexGrid1);
    QModelIndex last = model.index(3, 0);
    f.form.vsFlexGrid1.setRedraw(false);
    f.form.vsFlexGrid1.setRows(2);
    EXPECT_FALSE(last.data().isValid());
    f.form.vsFlexGrid1.setRedraw(true);
    EXPECT_EQ(model.rowCount(), 1);
    f.add({"Dave", "(AIMBOT)", "50001", "[x]", "(slot #9)", "dddd", "d:1"});
    EXPECT_EQ(text(model.index(1, 0)), "Dave");
}

}  // namespace
}  // namespace th
