#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FlexGrid.h"
#include "platform/GridSort.h"
#include "tests/support/GridColumnTexts.h"
#include "tests/support/ThreadLimit.h"

namespace th {
namespace {

using test::Column;
using test::column;

// The order a user sees after arranging: numbers by value before texts, texts without
// regard to case and then by bytes (the grid's sort keeps to it: the large grid's test).
// std::stable_sort needs it to be a strict weak ordering: irreflexive, antisymmetric and
// transitive, over awkward cells.
TEST(FlexGrid, CellOrderPutsNumbersByValueBeforeTextsAndIsAStrictWeakOrdering) {
    const Column ascending = {"-1", "1.5", "+2", "007", "9", "10", "99999999999999999999",
                              ".5", "A",   "a",  "B",   "b"};
    for (size_t i = 0; i + 1 < ascending.size(); ++i)
        EXPECT_LT(FlexGrid::compareCells(ascending[i], ascending[i + 1]), 0) << ascending[i];
    const Column cells = {"",  "0", "-0", "+0", "1",  "1.0",  "1.5",  "1a", "1.", ".1", "+",
                          "-", "a", "A",  "Ab", "ab", "\xe9", "\xc9", "Z",  "[",  "_"};
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

// Shown as a number without its leading "x"s: "x2" shows as "2".
bool dropExes(std::string_view cell, std::string& out) {
    if (!cell.starts_with('x')) return false;
    out.assign(cell.substr(std::min(cell.find_first_not_of('x'), cell.size())));
    return true;
}

// Where no thread can be started beside the sort's own (a limit on a user's threads), the
// runs it would share out between threads it sorts itself, in the same order.
TEST(FlexGrid, ALargeSortNeedsNoThreadBesideItsOwn) {
    struct Texts : SortKeys {
        std::vector<std::string> texts;
        size_t count() const override { return 2; }
        // Key 0, a text's first byte, leaves long runs for key 1, the whole text, to order.
        std::string_view cell(uint32_t row, size_t k) const override {
            const std::string_view text = texts[row];
            return k == 0 ? text.substr(0, 1) : text;
        }
        void cells(uint32_t row, size_t first, std::string_view* out) const override {
            for (size_t k = first; k < count(); ++k) out[k - first] = cell(row, k);
        }
    } keys;
    std::mt19937 rng(5);
    for (int i = 0; i < 200000; ++i)
        keys.texts.push_back(std::string(1, static_cast<char>('a' + rng() % 4)) +
                             std::to_string(rng() % 50000));
    std::vector<uint32_t> expected(keys.texts.size());
    std::iota(expected.begin(), expected.end(), 0u);
    std::vector<uint32_t> rows = expected;
    sortByKeys(expected, keys, 1);
    const int status = test::underThreadLimit({}, [&] {
        sortByKeys(rows, keys, 2);
        return rows == expected;
    });
    if (status == test::kNoThreadLimit) GTEST_SKIP() << "no limit on threads could be set";
    EXPECT_EQ(status, 0);
}

// A grid large enough that its sort ranks values, shares runs out between threads and
// sorts long runs again by their next key: the same order as a plain stable sort of the
// same rows, and groups counting exactly their runs. With the first and last keys folded
// (and the fold following its column when another moves), the same by their shown texts,
// the cells kept as stored.
TEST(FlexGrid, LargeGridsSortAndGroupAsAPlainStableSortWould) {
    for (const bool folded : {false, true}) {
        SCOPED_TRACE(folded ? "folded" : "as stored");
        std::mt19937 rng(3);
        const char* const texts[] = {"a", "xB", "b", "x10", "9", "-2", "", "x y", "xxZed", "007"};
        std::vector<std::vector<std::string>> expected;  // as shown once D is moved first
        FlexGrid g;
        g.setFormatString("A|B|C|D");
        if (folded) {
            g.setColFold(0, &dropExes);
            g.setColFold(2, &dropExes);
        }
        for (int i = 0; i < 150000; ++i) {
            // Column A: few values, so some runs are far longer than a short sort takes.
            std::vector<std::string> row{texts[rng() % 4], std::to_string(rng() % 3000),
                                         texts[rng() % 10], std::to_string(i)};
            g.addRow({row[0], row[1], row[2], row[3]});
            expected.push_back({row[3], row[0], row[1], row[2]});
        }
        g.moveColumn(3, 0);  // D first: its order is not the order the cells were stored in
        auto shown = [&](const std::vector<std::string>& row, size_t k) {
            std::string out;
            return folded && k != 2 && dropExes(row[k], out) ? out : row[k];
        };
        // Keys: positions 1 to 3 (A, B, C); D, now first, only shows the rows stayed stable.
        std::stable_sort(expected.begin(), expected.end(), [&](const auto& x, const auto& y) {
            for (size_t k = 1; k < 4; ++k)
                if (int c = FlexGrid::compareCells(shown(x, k), shown(y, k))) return c < 0;
            return false;
        });
        g.select(1, 1, 1, 3);
        g.sort(FlexGrid::kSortGenericAscending);
        ASSERT_EQ(g.rows(), 150001);
        for (int32_t r = 1; r < g.rows(); ++r)
            for (int32_t c = 0; c < 4; ++c)
                ASSERT_EQ(g.cell(r, c), expected[r - 1][c]) << r << " " << c;

        g.subtotal(FlexGrid::kSubtotalGroup, 1, -1, {}, 0xFF0000, 0xFFFFFF, true);
        std::vector<std::pair<std::string, int32_t>> groups, runs;
        for (int32_t r = 1; r < g.rows(); ++r)
            if (g.isSubtotal(r)) groups.emplace_back(g.cell(r, 1), g.subtotalCount(r));
        for (size_t i = 0; i < expected.size(); ++i) {
            if (i > 0 && shown(expected[i - 1], 1) == shown(expected[i], 1))
                ++runs.back().second;
            else  // a group row holds its first row's cell as stored
                runs.emplace_back(expected[i][1], 1);
        }
        EXPECT_EQ(groups, runs);
        g.subtotal(FlexGrid::kSubtotalClear);
        EXPECT_EQ(g.rows(), 150001);
        EXPECT_EQ(g.cell(1, 0), expected[0][0]);
    }
}

// Cells stay right through edits, dropped rows, a column count change and rows larger
// than the store's blocks; dropped rows' room is given back and used again.
TEST(FlexGrid, CellsSurviveEditsDroppedRowsAndNewColumnCounts) {
    FlexGrid g;
    g.setFormatString("A|B");
    const std::string big(3u << 20, 'q');  // larger than a block of the cell store
    for (int i = 0; i < 20000; ++i) g.addRow({std::string(100, 'a' + i % 26), std::to_string(i)});
    g.addRow({big, "big"});
    g.setRows(3);  // far more dropped than kept: the store is compacted
    g.addRow({"c", "3"});
    g.setTextMatrix(1, 1, g.cell(1, 0).substr(0, 5));  // a view of the row being edited
    g.setTextMatrix(2, 0, "edited");
    EXPECT_EQ(column(g, 0), (Column{std::string(100, 'a'), "edited", "c"}));
    EXPECT_EQ(column(g, 1), (Column{"aaaaa", "1", "3"}));
    g.addRow({big, "big again"});
    g.setCols(3);  // widened, then narrowed and widened again: the new column is empty
    g.setTextMatrix(4, 2, "new");
    g.setCols(1);
    g.setCols(2);
    EXPECT_EQ(column(g, 0), (Column{std::string(100, 'a'), "edited", "c", big}));
    EXPECT_EQ(column(g, 1), (Column{"", "", "", ""}));
    EXPECT_EQ(g.textMatrix(0, 0), "A");
}

}  // namespace
}  // namespace th
