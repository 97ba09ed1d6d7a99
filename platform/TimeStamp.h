#pragma once
// The anti-cheat's time stamp, month first: "[mm.dd.yyyy hh:mm:ss]", as in
// "[04.16.2017 21:03:11]". Every stamp is read and written here. The ban database's
// stored query orders by the same shape (bans/schema.sql); a test holds the two together.

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace th {

// A stamp's length, brackets included.
inline constexpr size_t kStampSize = 21;

struct StampParts {
    int month = 1, day = 1, year = 2000;
    int hour = 0, minute = 0, second = 0;
};

// The parts of a text of exactly the stamp's shape: brackets, two-digit month, day,
// hour, minute and second, four-digit year. Only the shape is checked, as the stored
// query checks it; anything else gives nothing.
std::optional<StampParts> parseStamp(std::string_view text);
inline bool isStamp(std::string_view text) {
    return parseStamp(text).has_value();
}

// Whether the stamp is of the shape and names a moment that can be: month 1 to 12, day 1 to
// 31, hour to 23, minute to 59, second to 60. A day-first stamp (month 13) is of the shape.
bool isRealMoment(std::string_view stamp);

// The parts of a stamp whose date is a day there was: not 02.30, nor 02.29 of a common
// year, nor month 13. Its time is not looked at.
std::optional<StampParts> realDayOf(std::string_view stamp);

// Whether stamp a is an earlier moment than stamp b: year, month, day, then time. False
// when either is not a stamp.
bool earlierStamp(std::string_view a, std::string_view b);

std::string formatStamp(const StampParts& parts);
// The local time t as a stamp.
std::string formatStamp(std::time_t t);

}  // namespace th
