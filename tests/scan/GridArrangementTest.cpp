#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/GridColumnTexts.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

using test::Column;
using test::column;

TEST(GridArrangement, GroupsByWhicheverColumnStandsFirst) {
    test::ScriptedPorts p;
    MainForm form(p.ports);
    form.setUpGrid();
    FlexGrid& g = form.vsFlexGrid1;
    int32_t position = 0;
    vsFlexGrid1_AfterMoveColumn(form, 0, position);  // on an empty grid: nothing to group
    EXPECT_EQ(g.rows(), 1);
    EXPECT_TRUE(g.redraw());

    g.addRow({"zed", "(AIMBOT)", "50001", "[01.01.2003 10:00:00]", "(slot #1)", "g2", "1.1.1.1:1"});
    g.addRow({"amy", "(WALL)", "50002", "[01.01.2003 10:00:01]", "(slot #2)", "g1", "2.2.2.2:2"});
    g.addRow({"zed", "(WALL)", "50002", "[01.01.2003 10:00:02]", "(slot #1)", "g2", "1.1.1.1:1"});
    vsFlexGrid1_AfterMoveColumn(form, 0, position);
    EXPECT_EQ(column(g, 0), (Column{"*amy", "amy", "*zed", "zed", "zed"}));

    g.moveColumn(1, 0);  // Violation to the front
    vsFlexGrid1_AfterMoveColumn(form, 1, position);
    EXPECT_EQ(column(g, 0), (Column{"*(AIMBOT)", "(AIMBOT)", "*(WALL)", "(WALL)", "(WALL)"}));
    EXPECT_EQ(column(g, 1), (Column{"*", "zed", "*", "amy", "zed"}));
}

}  // namespace
}  // namespace th
