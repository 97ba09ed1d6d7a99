#pragma once
// Puts many items in order by a 64-bit number each, their head, which decides most pairs:
// a radix sort takes a pass over 16 bytes an item for each byte in which the heads differ,
// where a comparison sort takes some twenty comparisons an item, each a branch the
// processor mostly guesses wrong. Items of equal heads are then put in order by the caller's
// comparison, once they stand side by side: comparing them where they stood before would
// reach into memory at random, a cache miss for every item read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/Prefetch.h"

namespace th {

struct HeadKey {
    uint64_t head;
    uint32_t item;  // the item's place before the sort
};

// Sorts the keys by head; keys of equal heads keep their order.
void radixSortByHead(std::vector<HeadKey>& keys);

// Sorts the items by head(item), then by less among equal heads; items that neither head nor
// less tell apart keep their order.
template <class T, class Head, class Less>
void sortByHead(std::vector<T>& items, Head head, Less less) {
    if (items.size() > UINT32_MAX) throw std::length_error("too many items to sort");
    std::vector<HeadKey> keys(items.size());
    for (size_t i = 0; i < items.size(); ++i) keys[i] = {head(items[i]), static_cast<uint32_t>(i)};
    radixSortByHead(keys);
    // The items are gathered into their order in a second array: each is fetched ahead of
    // its turn, and the fetches wait for memory side by side. Moving them in place, cycle
    // by cycle, waited for each item before the next could be found, several times as long.
    {
        std::vector<T> ordered;
        ordered.reserve(items.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            if (i + kFetchAhead < keys.size())
                prefetch(reinterpret_cast<const char*>(&items[keys[i + kFetchAhead].item]),
                         sizeof(T));
            ordered.push_back(std::move(items[keys[i].item]));
        }
        items = std::move(ordered);
    }
    for (size_t run = 0; run < keys.size();) {
        size_t end = run + 1;
        while (end < keys.size() && keys[end].head == keys[run].head) ++end;
        const auto first = items.begin() + static_cast<std::ptrdiff_t>(run),
                   last = items.begin() + static_cast<std::ptrdiff_t>(end);
        if (end - run > 16) {
            std::stable_sort(first, last, less);
        } else {
            // Runs are mostly a pair (one GUID in the file and in the grid): no buffer.
            for (auto it = first + 1; it < last; ++it)
                for (auto at = it; at > first && less(*at, *(at - 1)); --at)
                    std::iter_swap(at, at - 1);
        }
        run = end;
    }
}

}  // namespace th
