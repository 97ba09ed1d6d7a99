#pragma once
// The anti-cheat's time stamp, "[mm.dd.yyyy hh:mm:ss]", month first.

#include <ctime>
#include <string>
#include <string_view>

namespace th {

inline constexpr size_t kBanStampSize = 21;

// Whether text is a stamp of that shape: brackets, dots, space and colons in their
// places, digits everywhere else.
bool isBanStamp(std::string_view text);

// The stamp of a local time.
std::string banStampOf(std::time_t t);

}  // namespace th
