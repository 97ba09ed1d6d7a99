#include <gtest/gtest.h>

#include "bans/WorkingTable.h"

namespace th::test {
namespace {

// The merge orders its rows itself; the order must be the grid's own sort on the GUID
// column, stable, so that the row that supplies a folded GUID's data is the same.
TEST(WorkingTable, OrdersLikeTheGridSortOnTheGuidColumn) {
    const std::vector<std::string> guids = {
        "abc", "ABC", "Abc", "",     "10",   "9",         "09",        "NO_GUID", "no_guid",
        "ab",  "1.5", "-3",  "abc ", "10.0", "\xe9t\xe9", "\xc9T\xc9", "zz",      "Z"};
    FlexGrid grid;
    grid.setCols(2);
    std::vector<WorkRow> rows;
    for (size_t i = 0; i < guids.size(); ++i) {
        rows.push_back({std::to_string(i), guids[i], "", "", ""});
        grid.addRow({std::to_string(i), guids[i]});
    }
    grid.select(1, 1);
    grid.sort(FlexGrid::kSortGenericAscending);
    sortByGuid(rows);
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(rows[r].stamp, grid.cell(static_cast<int32_t>(r) + 1, 0))
            << r;  // below the header
}

}  // namespace
}  // namespace th::test
