#pragma once
// Asks the processor to bring memory into its cache before it is read. A loop that visits
// values in another order than they lie in memory (bans sorted apart from their texts)
// otherwise waits for memory at every value.

#include <cstddef>

namespace th {

// The items a loop asks for ahead of the one it is at: enough to cover the wait for memory,
// few enough that they are still in the cache when their turn comes.
constexpr size_t kFetchAhead = 16;

// The bytes from at on, up to size of them.
inline void prefetch(const char* at, size_t size) {
#if defined(__GNUC__) || defined(__clang__)
    for (size_t line = 0; line < size; line += 64) __builtin_prefetch(at + line);
#else
    (void)at;
    (void)size;
#endif
}

}  // namespace th
