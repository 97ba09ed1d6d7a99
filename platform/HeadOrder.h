#pragma once
// Puts many items in order by a 64-bit number each, their head, which decides most pairs:
// a radix sort takes a pass over 16 bytes an item for each byte in which the heads differ,
// where a comparison sort takes some twenty comparisons an item, each a branch the
// processor mostly guesses wrong. Items of equal heads are then put in order by the caller.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace th {

struct HeadKey {
    uint64_t head;
    uint32_t item;  // the item's place before the sort
};

// Sorts the keys by head; keys of equal heads keep their order.
void radixSortByHead(std::vector<HeadKey>& keys);

// The items 0 to n - 1 in order: by head(i), then by less(i, j) among equal heads, which
// must tell any two items apart for the order to be one and the same every time.
template <class Head, class Less>
std::vector<HeadKey> orderByHead(size_t n, Head head, Less less) {
    std::vector<HeadKey> keys(n);
    for (size_t i = 0; i < n; ++i) keys[i] = {head(i), static_cast<uint32_t>(i)};
    radixSortByHead(keys);
    for (auto run = keys.begin(); run != keys.end();) {
        auto end = run + 1;
        while (end != keys.end() && end->head == run->head) ++end;
        if (end - run > 1)
            std::sort(run, end,
                      [&](const HeadKey& a, const HeadKey& b) { return less(a.item, b.item); });
        run = end;
    }
    return keys;
}

}  // namespace th
