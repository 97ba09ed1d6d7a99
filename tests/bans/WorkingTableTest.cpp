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
    FlexGrid grid, filled;
    for (FlexGrid* g : {&grid, &filled}) {
        g->setFixedRows(0);
        g->setRows(0);
        g->setCols(10);
    }
    std::vector<WorkRow> rows;
    for (size_t i = 0; i < guids.size(); ++i) {
        rows.push_back({std::to_string(i), guids[i], "\"n\"", "\"a\"", "r"});
        grid.addRow({std::to_string(i), guids[i], "\"n\"", "\"a\"", "r"});
    }
    grid.select(1, 1);
    grid.sort(FlexGrid::kSortGenericAscending);
    sortByGuid(rows);
    fillWorkingTable(filled, rows);
    ASSERT_EQ(filled.rows(), grid.rows());
    for (int32_t r = 0; r < grid.rows(); ++r)
        for (int32_t c = 0; c < 5; ++c)
            EXPECT_EQ(filled.cell(r, c), grid.cell(r, c)) << r << "," << c;
}

}  // namespace
}  // namespace th::test
