#include "scan/TimeStamp.h"

namespace th {

namespace {

bool digits(std::string_view text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

int daysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string twoDigits(int n) {
    return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

}  // namespace

std::string TimeStamp::isoDate() const {
    return isoMonth() + "-" + twoDigits(day);
}

std::string TimeStamp::isoMonth() const {
    return std::to_string(year) + "-" + twoDigits(month);
}

std::optional<TimeStamp> parseTimeStamp(std::string_view text) {
    // [mm.dd.yyyy hh:mm:ss]
    if (text.size() != 21 || text[0] != '[' || text[3] != '.' || text[6] != '.' ||
        text[11] != ' ' || text[14] != ':' || text[17] != ':' || text[20] != ']')
        return std::nullopt;
    TimeStamp t{};
    if (!digits(text, 1, 2, t.month) || !digits(text, 4, 2, t.day) || !digits(text, 7, 4, t.year) ||
        !digits(text, 12, 2, t.hour) || !digits(text, 15, 2, t.minute) ||
        !digits(text, 18, 2, t.second))
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysIn(t.year, t.month) ||
        t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

}  // namespace th
