#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "platform/HeadOrder.h"

namespace th {
namespace {

// The radix order must be the one a comparison sort gives: by head, then by the caller's
// order. Heads that differ only in their high bytes, only in their low bytes, or not at all
// reach every kind of pass, including none.
TEST(HeadOrderTest, GivesTheOrderOfAComparisonSort) {
    std::mt19937_64 random(7);
    struct Case {
        const char* what;
        size_t n;
        uint64_t mask;  // which bits of a random head are kept
    };
    for (const Case& c : {Case{"none", 0, ~0ull}, Case{"one", 1, ~0ull},
                          Case{"all bits", 5000, ~0ull}, Case{"high byte", 5000, 0xFFull << 56},
                          Case{"low bits", 5000, 0x3}, Case{"all equal", 300, 0}}) {
        SCOPED_TRACE(c.what);
        std::vector<uint64_t> heads(c.n);
        std::vector<int> second(c.n);
        for (size_t i = 0; i < c.n; ++i) {
            heads[i] = random() & c.mask;
            second[i] = static_cast<int>(random() % 50);
        }
        // Equal heads part by the second value, then by place.
        auto less = [&](uint32_t a, uint32_t b) {
            return second[a] != second[b] ? second[a] < second[b] : a < b;
        };
        std::vector<uint32_t> expected(c.n);
        for (uint32_t i = 0; i < c.n; ++i) expected[i] = i;
        std::sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
            return heads[a] != heads[b] ? heads[a] < heads[b] : less(a, b);
        });
        std::vector<uint32_t> got;
        for (const HeadKey& k : orderByHead(c.n, [&](size_t i) { return heads[i]; }, less))
            got.push_back(k.item);
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
}  // namespace th
