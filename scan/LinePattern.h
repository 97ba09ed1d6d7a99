#pragma once
// The scanner's pattern for a violation line, and a direct reading of it. A violation line
// is "[stamp] VIOLATION what #number: name (slot #n) description address", each piece a
// tag of the pattern.

#include <array>
#include <cstddef>
#include <string_view>

namespace th {

inline constexpr const char* kLinePattern =
    "^{\\[.*\\]} {VIOLATION} {.*} {[#0-9:$]*} {.*} {(slot .*)$*} {.*[^\\[.\\]]$*} {.*}";
inline constexpr size_t kLinePatternTags = 8;

// Where each tag of kLinePattern starts and ends in a text, exactly as the pattern matcher
// finds them, or false when the text does not match.
bool readLinePattern(std::string_view text, std::array<size_t, kLinePatternTags>& start,
                     std::array<size_t, kLinePatternTags>& end);

}  // namespace th
