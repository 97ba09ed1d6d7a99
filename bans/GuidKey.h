#pragma once
// GUIDs are one ban whatever the letter case of their ASCII letters: "ABC" and "abc" are
// the same player. Every place that compares, sorts or stores a GUID by that rule goes
// through here, so the merge, the databases and their look-ups never disagree.

#include <cstdint>
#include <string>
#include <string_view>

namespace th {

// Appends the GUID with its ASCII capitals made small; every other byte stays.
void appendGuidKey(std::string& out, std::string_view guid);
std::string guidKey(std::string_view guid);

// Whether two GUIDs are one ban.
bool sameGuid(std::string_view a, std::string_view b);

// Orders GUIDs as their keys compare, byte by byte (a shorter key first when it starts the
// other), without making the keys: negative, 0 (one ban) or positive.
int compareGuids(std::string_view a, std::string_view b);

// The key's first eight bytes as one number, a shorter key's made up with zero bytes: two
// GUIDs whose heads differ compare as their heads do, so a sort can mostly leave the texts
// alone.
uint64_t guidHead(std::string_view guid);

}  // namespace th
