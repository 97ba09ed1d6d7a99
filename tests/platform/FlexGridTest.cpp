#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/FlexGrid.h"

namespace th {
namespace {

std::vector<std::string> column(const FlexGrid& g, int32_t col, bool withGroups = true) {
    std::vector<std::string> out;
    for (int32_t r = g.fixedRows(); r < g.rows(); ++r) {
        if (g.isSubtotal(r) && !withGroups) continue;
        out.push_back((g.isSubtotal(r) ? "*" : "") + g.textMatrix(r, col));
    }
    return out;
}

FlexGrid gridOf(const std::vector<std::vector<std::string_view>>& rows, int32_t cols) {
    FlexGrid g;
    g.setCols(cols);
    for (const auto& r : rows) g.addRow(r);
    return g;
}

TEST(FlexGrid, GenericSortPutsNumbersByValueBeforeTextsWithoutRegardToCase) {
    FlexGrid g;
    g.setCols(1);
    for (const char* cell : {"b", "10", "A", "9", "-1", "1.5", "a", "abc", "+2", "007", "x.5", ".5",
                             "1.", "B", "-0", "0.0", "99999999999999999999"})
        g.addRow({cell});
    g.select(1, 0);
    g.sort(FlexGrid::kSortGenericAscending);
    EXPECT_EQ(column(g, 0), (std::vector<std::string>{"-1", "-0", "0.0", "1.5", "+2", "007", "9",
                                                      "10", "99999999999999999999", ".5", "1.", "A",
                                                      "a", "abc", "B", "b", "x.5"}));
}

TEST(FlexGrid, CellOrderIsAStrictWeakOrdering) {
    // std::stable_sort needs it: irreflexive, antisymmetric, transitive, over awkward cells.
    std::vector<std::string> cells = {"",  "0",    "00",   "-0", "+0", "1",  "1.0", "1.5", "-1.5",
                                      "a", "A",    "aa",   "Ab", "ab", "1a", "1.",  ".1",  "+",
                                      "-", "\xe9", "\xc9", "Z",  "z",  "[",  "_"};
    for (const auto& a : cells) {
        EXPECT_EQ(FlexGrid::compareCells(a, a), 0) << a;
        for (const auto& b : cells) {
            EXPECT_EQ(FlexGrid::compareCells(a, b), -FlexGrid::compareCells(b, a)) << a << " " << b;
            for (const auto& c : cells) {
                if (FlexGrid::compareCells(a, b) < 0 && FlexGrid::compareCells(b, c) < 0) {
                    EXPECT_LT(FlexGrid::compareCells(a, c), 0) << a << " " << b << " " << c;
                }
            }
        }
    }
}

TEST(FlexGrid, SortKeysRunLeftToRightAndKeepEqualRowsInOrder) {
    FlexGrid g = gridOf(
        {{"bob", "2", "first"}, {"al", "10", "x"}, {"bob", "2", "second"}, {"bob", "1", "y"}}, 3);
    g.select(1, 0, 1, 1);  // key on the first two columns only
    g.sort(FlexGrid::kSortGenericAscending);
    EXPECT_EQ(column(g, 2), (std::vector<std::string>{"x", "y", "first", "second"}));
}

TEST(FlexGrid, GroupRowsStandAboveEachRunAndAreNeverData) {
    FlexGrid g = gridOf({{"al", "1"}, {"al", "2"}, {"bob", "3"}, {"Al", "4"}}, 2);
    g.subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, 0xFF0000, 0xFFFFFF, true);
    EXPECT_EQ(column(g, 0),
              (std::vector<std::string>{"*al", "al", "al", "*bob", "bob", "*Al", "Al"}));
    EXPECT_EQ(g.subtotalCount(1), 2);
    EXPECT_EQ(g.subtotalCount(4), 1);
    EXPECT_EQ(g.textMatrix(1, 1), "");
    EXPECT_TRUE(g.subtotalBold());
    g.subtotal(FlexGrid::kSubtotalClear);
    EXPECT_EQ(column(g, 0), (std::vector<std::string>{"al", "al", "bob", "Al"}));
}

TEST(FlexGrid, CellsHoldingTabsStayInTheirColumn) {
    FlexGrid g;
    g.setCols(3);
    g.addRow({"a\tb", "c", ""});
    g.addItem("x\ty\tz\textra");
    g.addItem("only");
    EXPECT_EQ(column(g, 0), (std::vector<std::string>{"a\tb", "x", "only"}));
    EXPECT_EQ(column(g, 1), (std::vector<std::string>{"c", "y", ""}));
    EXPECT_EQ(g.textMatrix(2, 2), "z");
    EXPECT_THROW(g.textMatrix(4, 0), Error);
    EXPECT_THROW(g.textMatrix(1, 3), Error);
}

TEST(FlexGrid, MovedColumnShowsItsCellsAtTheNewPlaceAndOneRowLeavesTheHeader) {
    FlexGrid g;
    g.setFormatString("A|B|C");
    g.addRow({"1", "2", "3"});
    g.moveColumn(2, 0);
    g.addRow({"x", "y", "z"});  // cells come in the order the grid shows
    EXPECT_EQ(g.textMatrix(0, 0) + g.textMatrix(1, 0) + g.textMatrix(1, 1), "C31");
    EXPECT_EQ(g.textMatrix(2, 0) + g.textMatrix(2, 2), "xz");
    g.setRows(1);
    EXPECT_EQ(g.rows(), 1);
    EXPECT_EQ(g.cols(), 3);
    EXPECT_EQ(g.textMatrix(0, 2), "B");
}

}  // namespace
}  // namespace th
