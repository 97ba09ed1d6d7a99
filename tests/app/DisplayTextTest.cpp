#include <gtest/gtest.h>

#include <string>

#include "app/DisplayText.h"

namespace th {
namespace {

TEST(DisplayText, ValidUtf8ShowsAsUtf8AndAnythingElseAsWindows1252ByteForCharacter) {
    struct Case {
        std::string bytes;
        std::u16string shown;
    };
    const Case cases[] = {
        {"", u""},
        {"J\xC3\xBCrgen", u"Jürgen"},                                 // UTF-8
        {"\xE2\x82\xAC 5", u"€ 5"},                                   // three-byte UTF-8
        {"\xF0\x9F\x98\x80", u"\U0001F600"},                          // four-byte UTF-8
        {"J\xFCrgen", u"Jürgen"},                                     // a Latin-1 byte
        {"\x80\x9F\x99", u"€Ÿ™"},                                     // Windows-1252 specials
        {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},  // the unassigned five
        {"\xC0\xAF", u"À¯"},                                          // overlong UTF-8 is not UTF-8
        {"\xED\xA0\x80", u"í\u00A0€"},                                // a surrogate is not UTF-8
        {"\xC3", u"Ã"},                                               // cut short
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayText(c.bytes), QString::fromStdU16String(c.shown)) << c.bytes;
    // Every byte of a Windows-1252 text shows as one character.
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    QString shown = displayText(all);
    ASSERT_EQ(shown.size(), 255);
    for (int b = 0xA0; b < 256; ++b) EXPECT_EQ(shown.at(b - 1).unicode(), b);
}

}  // namespace
}  // namespace th
