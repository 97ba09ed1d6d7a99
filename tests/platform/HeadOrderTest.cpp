#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/HeadOrder.h"

namespace th {
namespace {

// The order must be the one a stable comparison sort gives: by head, then by the caller's
// order, then by place. Heads that differ only in their high bytes, only in their low
// bytes, or not at all reach every kind of pass, including none, and runs of equal heads
// both short and long.
TEST(HeadOrderTest, GivesTheOrderOfAStableComparisonSort) {
    std::mt19937_64 random(7);
    struct Item {
        uint64_t head;
        int second, place;
        bool operator==(const Item&) const = default;
    };
    struct Case {
        const char* what;
        size_t n;
        uint64_t mask;  // which bits of a random head are kept
    };
    for (const Case& c : {Case{"none", 0, ~0ull}, Case{"one", 1, ~0ull},
                          Case{"all bits", 5000, ~0ull}, Case{"high byte", 5000, 0xFFull << 56},
                          Case{"low bits", 5000, 0x3}, Case{"all equal", 300, 0}}) {
        SCOPED_TRACE(c.what);
        std::vector<Item> items(c.n);
        for (size_t i = 0; i < c.n; ++i)
            items[i] = {random() & c.mask, static_cast<int>(random() % 5), static_cast<int>(i)};
        auto less = [](const Item& a, const Item& b) { return a.second < b.second; };
        std::vector<Item> expected = items;
        std::stable_sort(expected.begin(), expected.end(), [&](const Item& a, const Item& b) {
            return a.head != b.head ? a.head < b.head : less(a, b);
        });
        sortByHead(
            items, [](const Item& item) { return item.head; }, less);
        EXPECT_EQ(items, expected);
    }
}

}  // namespace
}  // namespace th
