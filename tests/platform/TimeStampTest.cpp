#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/TimeStamp.h"

namespace th {
namespace {

// Month first; only the exact shape is a stamp, and a stamp reads back as it was written.
TEST(TimeStamp, ReadsTheMonthFirstShapeOnlyAndWritesItBack) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        // text, its parts as month day year hour minute second, or "" for no stamp
        {"[04.16.2017 21:03:11]", "4 16 2017 21 3 11"},
        {"[4.16.2017 21:03:11]", ""},
        {"[04-16-2017 21:03:11]", ""},
        {"[0a.16.2017 21:03:11]", ""},
        {"", ""},
    };
    for (const auto& [text, parts] : cases) {
        const auto p = parseStamp(text);
        EXPECT_EQ(isStamp(text), !parts.empty()) << text;
        if (!p) continue;
        EXPECT_EQ(std::to_string(p->month) + " " + std::to_string(p->day) + " " +
                      std::to_string(p->year) + " " + std::to_string(p->hour) + " " +
                      std::to_string(p->minute) + " " + std::to_string(p->second),
                  parts);
        EXPECT_EQ(formatStamp(*p), text);
    }
}

}  // namespace
}  // namespace th
