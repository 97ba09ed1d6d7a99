#include <gtest/gtest.h>

#include <string>

#include "app/DisplayText.h"

namespace th {
namespace {

TEST(DisplayText, ValidUtf8ShowsAsUtf8AndAnythingElseAsWindows1252ByteForCharacter) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"J\xC3\xBCrgen", u"Jürgen"},                                 // UTF-8
        {"J\xFCrgen", u"Jürgen"},                                     // a Latin-1 byte
        {"\x80\x9F\x99", u"€Ÿ™"},                                     // Windows-1252 specials
        {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},  // the unassigned five
        {"\xC0\xAF", u"À¯"},                                          // overlong UTF-8 is not UTF-8
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(displayText(bytes), QString::fromStdU16String(shown)) << bytes;
}

}  // namespace
}  // namespace th
