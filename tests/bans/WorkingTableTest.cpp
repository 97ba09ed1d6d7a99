#include <gtest/gtest.h>

#include "bans/WorkingTable.h"

namespace th::test {
namespace {

// The merge orders its rows itself; the order must be the grid's own sort on the GUID
// column, stable, so that the row that supplies a folded GUID's data is the same.
TEST(WorkingTable, OrdersLikeTheGridSortOnTheGuidColumn) {
    const std::vector<std::string> guids = {
        "abc",     "ABC",     "abd",       "Abc",       "",     "10",  "9",    "09",
        "unknown", "NO_GUID", "no_guid",   "ab",        "abc ", "1.5", "-3",   "x'y",
        "abc",     "ABC",     "\xe9t\xe9", "\xc9T\xc9", "zz",   "Z",   "10.0", "a b"};
    std::vector<WorkRow> rows;
    FlexGrid grid;
    grid.setFixedRows(0);
    grid.setRows(0);
    grid.setCols(10);
    for (size_t i = 0; i < guids.size(); ++i) {
        std::string tag = std::to_string(i);
        rows.push_back({tag, guids[i], "\"n\"", "\"a\"", "r"});
        grid.addRow({tag, guids[i], "\"n\"", "\"a\"", "r"});
    }
    grid.select(1, 1);
    grid.sort(FlexGrid::kSortGenericAscending);
    sortByGuid(rows);

    FlexGrid filled;
    filled.setFixedRows(0);
    filled.setRows(0);
    filled.setCols(10);
    fillWorkingTable(filled, rows);
    ASSERT_EQ(filled.rows(), grid.rows());
    for (int32_t r = 0; r < grid.rows(); ++r) {
        EXPECT_EQ(rows[static_cast<size_t>(r)].stamp, grid.cell(r, 0)) << "row " << r;
        for (int32_t c = 0; c < 5; ++c)
            EXPECT_EQ(filled.cell(r, c), grid.cell(r, c)) << r << "," << c;
    }
}

}  // namespace
}  // namespace th::test
