#pragma once
// The anti-cheat's time stamps, "[mm.dd.yyyy hh:mm:ss]": month first. The one place
// that takes them apart.

#include <optional>
#include <string>
#include <string_view>

namespace th {

struct TimeStamp {
    int year, month, day, hour, minute, second;
    // "yyyy-mm-dd" and "yyyy-mm": orderable as text, read the same everywhere.
    std::string isoDate() const;
    std::string isoMonth() const;
};

// The stamp's parts; nothing when the text is not a stamp of that shape or names no
// real day (month 13, day 32, 25 o'clock, 29 February of a common year).
std::optional<TimeStamp> parseTimeStamp(std::string_view text);

}  // namespace th
