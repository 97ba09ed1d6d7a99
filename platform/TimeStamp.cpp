#include "platform/TimeStamp.h"

#include <chrono>
#include <cstdio>
#include <tuple>

namespace th {

namespace {

// "[mm.dd.yyyy hh:mm:ss]": '9' marks a digit, anything else must be there as it is.
constexpr std::string_view kShape = "[99.99.9999 99:99:99]";
static_assert(kShape.size() == kStampSize);

int digits(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

}  // namespace

std::optional<StampParts> parseStamp(std::string_view text) {
    if (text.size() != kShape.size()) return std::nullopt;
    for (size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '9' ? !digit : text[i] != kShape[i]) return std::nullopt;
    }
    return StampParts{digits(text, 1, 2),  digits(text, 4, 2),  digits(text, 7, 4),
                      digits(text, 12, 2), digits(text, 15, 2), digits(text, 18, 2)};
}

bool isRealMoment(std::string_view stamp) {
    const auto p = parseStamp(stamp);
    return p && p->month >= 1 && p->month <= 12 && p->day >= 1 && p->day <= 31 && p->hour <= 23 &&
           p->minute <= 59 && p->second <= 60;
}

std::optional<StampParts> realDayOf(std::string_view stamp) {
    const auto p = parseStamp(stamp);
    if (!p || p->month < 1 || p->day < 1) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{p->year},
                                           std::chrono::month{static_cast<unsigned>(p->month)},
                                           std::chrono::day{static_cast<unsigned>(p->day)}};
    if (!date.ok()) return std::nullopt;
    return p;
}

bool earlierStamp(std::string_view a, std::string_view b) {
    const auto first = parseStamp(a), second = parseStamp(b);
    auto moment = [](const StampParts& p) {
        return std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second);
    };
    return first && second && moment(*first) < moment(*second);
}

std::string formatStamp(const StampParts& p) {
    char text[64];
    std::snprintf(text, sizeof text, "[%02d.%02d.%04d %02d:%02d:%02d]", p.month, p.day, p.year,
                  p.hour, p.minute, p.second);
    return text;
}

std::string formatStamp(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return formatStamp(StampParts{local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                                  local.tm_hour, local.tm_min, local.tm_sec});
}

}  // namespace th
