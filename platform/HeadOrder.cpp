#include "platform/HeadOrder.h"

#include <array>
#include <utility>

namespace th {

void radixSortByHead(std::vector<HeadKey>& keys) {
    constexpr int kBytes = 8;
    // Every byte's counts in one pass, so that a byte all heads share costs no pass.
    std::vector<std::array<size_t, 256>> counts(kBytes);
    for (auto& c : counts) c.fill(0);
    for (const HeadKey& k : keys)
        for (int b = 0; b < kBytes; ++b) ++counts[b][(k.head >> (8 * b)) & 0xFF];
    std::vector<HeadKey> other;
    for (int b = 0; b < kBytes; ++b) {
        std::array<size_t, 256>& count = counts[b];
        if (std::find(count.begin(), count.end(), keys.size()) != count.end()) continue;
        size_t at = 0;
        for (size_t& c : count) at += std::exchange(c, at);
        other.resize(keys.size());
        for (const HeadKey& k : keys) other[count[(k.head >> (8 * b)) & 0xFF]++] = k;
        keys.swap(other);
    }
}

}  // namespace th
