#pragma once
// The order the ban file lists its bans in: month-first stamps by their moment, then stamps
// of any other shape by their bytes, equal stamps by GUID (ASCII letter case ignored). The
// ban database's stored query orders the same way (bans/schema.sql); a test holds the two
// together.

#include <cstdint>
#include <string_view>

namespace th {

// A number in the same order as the stamps, equal only when it cannot tell them apart: a
// month-first stamp by its moment, before any other, which goes by its first bytes.
uint64_t banFileHead(std::string_view stamp);

// Whether a head is that of a month-first stamp: equal heads of those are equal moments,
// which go by GUID.
inline bool isMomentHead(uint64_t head) {
    return head >> 63 == 0;
}

// Negative when the ban of stamp a and GUID a comes first, positive when the other does,
// 0 for one GUID of equal stamps.
int compareInBanFile(std::string_view stampA, std::string_view guidA, std::string_view stampB,
                     std::string_view guidB);

}  // namespace th
