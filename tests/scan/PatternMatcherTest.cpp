#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scan/PatternMatcher.h"

namespace th {
namespace {

constexpr const char* kLinePattern =
    "^{\\[.*\\]} {VIOLATION} {.*} {[#0-9:$]*} {.*} {(slot .*)$*} {.*[^\\[.\\]]$*} {.*}";
constexpr const char* kAddressPattern = "{[0-9+\\.0-9+\\.0-9+\\.0-9+:0-9+]*}";
constexpr const char* kGuidPattern = "{.*} {.*[\\[]*}";

struct Case {
    const char* name;
    std::string pattern;
    std::string text;
    std::vector<std::string> tags;  // of the first match; empty when none
    int32_t matches;
};

std::vector<std::string> tagsOf(const PatternMatcher& m) {
    std::vector<std::string> tags;
    for (int32_t i = 0; i < m.tagCount(); ++i) tags.emplace_back(m.tag(i));
    return tags;
}

void expectCases(const std::vector<Case>& cases) {
    for (bool prefilter : {true, false}) {
        PatternMatcher m;
        m.setPrefilter(prefilter);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (prefilter ? "" : " (no prefilter)"));
            m.setPattern(c.pattern);
            m.setText(c.text);
            EXPECT_EQ(tagsOf(m), c.tags);
            EXPECT_EQ(m.matchCount(), c.matches);
        }
    }
}

// Every brace group of the line pattern, worked out from the rules: the first "*" takes
// as much as it can, then the next, and tag 6 must end on something other than [ . ].
TEST(PatternMatcherTest, ViolationLinesSplitIntoTheirEightTags) {
    const std::string time = "[01.06.2003 20:14:55]";
    std::vector<Case> cases = {
        {"usual line",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: Some Player (slot #3) Aimbot detected "
                "[0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]",
         {time, "VIOLATION", "(AIMBOT)", "#50001:", "Some Player", "(slot #3)",
          "Aimbot detected [0123456789abcdef0123456789abcdef(VALID)", "192.0.2.1:27960]"},
         1},
        {"9001 line",
         kLinePattern,
         time + " VIOLATION (CVAR) #9001: xX_Kid_Xx (slot #12) Cvar ogc_aim set "
                "[abcdefabcdefabcdefabcdefabcdef12(VALID2) 10.0.0.5:27961]",
         {time, "VIOLATION", "(CVAR)", "#9001:", "xX_Kid_Xx", "(slot #12)",
          "Cvar ogc_aim set [abcdefabcdefabcdefabcdefabcdef12(VALID2)", "10.0.0.5:27961]"},
         1},
        // A ")" followed by a space with another space later ends the slot group.
        {"parenthesis in the description",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: Some Player (slot #3) Aimbot (type 2) seen "
                "[0123(VALID) 192.0.2.1:27960]",
         {time, "VIOLATION", "(AIMBOT)", "#50001:", "Some Player", "(slot #3) Aimbot (type 2)",
          "seen [0123(VALID)", "192.0.2.1:27960]"},
         1},
        // The last space follows a "]", which tag 6 may not end on: the one before it counts.
        {"text after the address",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: Some Player (slot #3) Aimbot [0123(VALID) "
                "1.2.3.4:5] extra",
         {time, "VIOLATION", "(AIMBOT)", "#50001:", "Some Player", "(slot #3)",
          "Aimbot [0123(VALID)", "1.2.3.4:5] extra"},
         1},
        // A later run of digits between spaces wins the number field.
        {"digits in the name",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: Player 123 Name (slot #3) Aimbot [0123(VALID) "
                "1.2.3.4:5]",
         {time, "VIOLATION", "(AIMBOT) #50001: Player", "123", "Name", "(slot #3)",
          "Aimbot [0123(VALID)", "1.2.3.4:5]"},
         1},
        {"no number field",
         kLinePattern,
         time + " VIOLATION (AIMBOT)  Some Player (slot #3) Aimbot [0123(VALID) 1.2.3.4:5]",
         {time, "VIOLATION", "(AIMBOT)", "", "Some Player", "(slot #3)", "Aimbot [0123(VALID)",
          "1.2.3.4:5]"},
         1},
        {"nothing after the last space",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: P (slot #3) Aimbot [0123(VALID) ",
         {time, "VIOLATION", "(AIMBOT)", "#50001:", "P", "(slot #3)", "Aimbot [0123(VALID)", ""},
         1},
        {"not at the start",
         kLinePattern,
         " " + time + " VIOLATION (AIMBOT) #50001: P (slot #3) Aimbot [0123(VALID) 1.2.3.4:5]",
         {},
         0},
        {"lower-case violation",
         kLinePattern,
         time + " violation (AIMBOT) #50001: P (slot #3) Aimbot [0123(VALID) 1.2.3.4:5]",
         {},
         0},
        {"no slot group",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: P Aimbot [0123(VALID) 1.2.3.4:5]",
         {},
         0},
        {"description ends on a dot",
         kLinePattern,
         time + " VIOLATION (AIMBOT) #50001: P (slot #3) seen. 1.2.3.4:5]",
         {},
         0},
        {"ordinary log line",
         kLinePattern,
         "[01.06.2003 20:14:56] Player \"Some Player\" connected",
         {},
         0},
        {"empty line", kLinePattern, "", {}, 0},
    };
    expectCases(cases);
}

TEST(PatternMatcherTest, AddressAndGuidPatternsCutTheirPieces) {
    expectCases({
        {"address with bracket", kAddressPattern, "192.0.2.1:27960]", {"192.0.2.1:27960"}, 1},
        {"two addresses", kAddressPattern, "1.2.3.4:5] x 6", {"1.2.3.4:5"}, 2},
        {"leftmost run", kAddressPattern, "x+y 10.0.0.1:2", {"+"}, 2},
        {"no digits", kAddressPattern, "unknown]", {}, 0},
        {"empty", kAddressPattern, "", {}, 0},
        {"guid split",
         kGuidPattern,
         "Aimbot detected [0123456789abcdef0123456789abcdef(VALID)",
         {"Aimbot detected", "[0123456789abcdef0123456789abcdef(VALID)"},
         1},
        {"guid alone", kGuidPattern, "[0123(LAN)", {}, 0},
        {"space first", kGuidPattern, " [0123", {"", "[0123"}, 1},
        {"space last", kGuidPattern, "seen [0123 ", {"seen [0123", ""}, 1},
    });
}

TEST(PatternMatcherTest, PatternLanguage) {
    expectCases({
        {"literal", "{ab}", "xxabyab", {"ab"}, 2},
        {"case counts", "{ab}", "AB", {}, 0},
        {"star is greedy", "{.*}x{.*}", "1x2x3", {"1x2", "3"}, 1},
        {"star gives back", "{a*}ab", "aaab", {"aa"}, 1},
        {"empty matches do not count", "{a*}", "baa", {"aa"}, 1},
        {"star of nothing matches nowhere", "a*", "bbb", {}, 0},
        {"non-overlapping", "aa", "aaaaa", {}, 2},
        {"anchor", "^{a}", "ba", {}, 0},
        {"anchor at start", "^{a}", "aa", {"a"}, 1},
        {"caret elsewhere is literal", "{a^b}", "xa^b", {"a^b"}, 1},
        {"end", "{b}$", "bab", {"b"}, 1},
        {"end repeated matches nothing", "{b$*c}", "xbc", {"bc"}, 1},
        {"any", "{a.c}", "abcaXc", {"abc"}, 2},
        {"escaped dot", "{\\.}", "a.b", {"."}, 1},
        {"escaped star", "{a\\*}", "aa*", {"a*"}, 1},
        {"escaped brace", "{\\{x\\}}", "a{x}", {"{x}"}, 1},
        {"star with nothing before is literal", "{*a}", "x*a", {"*a"}, 1},
        {"star after a brace is literal", "{a}*", "aa*", {"a"}, 1},
        {"range", "{[0-9]*}", "ab123c4", {"123"}, 2},
        {"reversed range", "{[9-0]}", "a5", {"5"}, 1},
        {"complement", "{[^a-c]}", "abcd", {"d"}, 1},
        {"escapes in a set", "{[^\\[.\\]]*}", "[.]ab.c", {"ab"}, 2},
        {"bracket set", "{[\\[]}", "a[", {"["}, 1},
        {"dash at the end of a set", "{[a-]*}", "x-a-", {"-a-"}, 1},
        {"closing bracket first in a set", "{[]a]*}", "x]a]", {"]a]"}, 1},
        {"dollar in a set", "{[$]}", "a$", {"$"}, 1},
        {"unclosed set is a literal bracket", "{[ab}", "x[ab", {"[ab"}, 1},
        {"parentheses and spaces", "{(slot .*)}", "(slot #1) x", {"(slot #1)"}, 1},
        {"nested tags", "{x{y}z}", "xyz", {"xyz", "y"}, 1},
        {"stray closing brace", "a}", "a}", {}, 1},
        {"open tag ends with the match", "a{b*", "abb", {"bb"}, 1},
        {"empty pattern", "", "abc", {}, 0},
        {"empty tag", "{}", "abc", {}, 0},
        {"trailing backslash", "{a}\\", "xa\\", {"a"}, 1},
    });
}

TEST(PatternMatcherTest, PrefilterLooksForTheLongestLiteralRun) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {kLinePattern, "] VIOLATION "}, {kAddressPattern, ""}, {kGuidPattern, " "},
        {"{a}b*c{de}", "cde"},          {"ab$cd", "ab"},
    };
    PatternMatcher m;
    for (const auto& [pattern, literal] : cases) {
        m.setPattern(pattern);
        EXPECT_EQ(m.requiredLiteral(), literal) << pattern;
    }
}

TEST(PatternMatcherTest, ResultsBelongToTheLastText) {
    PatternMatcher m;
    m.setPattern(kAddressPattern);
    m.setText("1.2.3.4:5]");
    std::string other = "9.9.9.9:1 2";
    m.setText(other);
    other.assign(other.size(), 'x');  // the matcher keeps its own copy
    EXPECT_EQ(m.tag(0), "9.9.9.9:1");
    EXPECT_EQ(m.matchCount(), 2);
    m.setText(m.tag(0).substr(2));  // a piece of its own text
    EXPECT_EQ(m.tag(0), "9.9.9:1");
    m.setText("none");
    EXPECT_EQ(m.tagCount(), 0);
    EXPECT_EQ(m.tag(0), "");
    EXPECT_EQ(m.matchCount(), 0);
    EXPECT_EQ(m.tag(-1), "");
    EXPECT_EQ(m.tag(1), "");

    // A new pattern forgets the old match.
    m.setText("1.2.3.4:5]");
    m.setPattern(kGuidPattern);
    EXPECT_EQ(m.tagCount(), 0);
    EXPECT_EQ(m.matchCount(), 0);

    // The line pattern rules out a line without its literal before copying it.
    m.setPattern(kLinePattern);
    m.setText("[01.06.2003 20:14:56] nothing to see");
    EXPECT_EQ(m.text(), "");
    EXPECT_EQ(m.tagCount(), 0);
}

// Long lines of the characters the line pattern cares about, which a plain
// backtracking matcher would take ages over; the results follow from the rules.
TEST(PatternMatcherTest, LongAdversarialLines) {
    const size_t size = 64 * 1024;
    std::string noise;
    const char pieces[] = {' ', '(', ')', '[', ']', '#', ' ', '.'};
    for (size_t i = 0; noise.size() < size; ++i) noise.push_back(pieces[(i * 7 + i / 3) % 8]);

    for (bool prefilter : {true, false}) {
        PatternMatcher m;
        m.setPrefilter(prefilter);
        m.setPattern(kLinePattern);

        m.setText("[" + noise + "] VIOLATION " + noise);  // no "(slot " anywhere
        EXPECT_EQ(m.tagCount(), 0);

        // Without a ")" after it, the one closing the slot group is the last one.
        std::string open = noise;
        std::replace(open.begin(), open.end(), ')', '(');
        m.setText("[x] VIOLATION (K) #1: P (slot " + noise + ") d" + open + "x y");
        ASSERT_EQ(m.tagCount(), 8);
        EXPECT_EQ(m.tag(4), "P");
        EXPECT_EQ(m.tag(5), "(slot " + noise + ")");
        EXPECT_EQ(m.tag(6), "d" + open + "x");
        EXPECT_EQ(m.tag(7), "y");

        m.setPattern("{.*}{[#]*}x");
        m.setText(std::string(size, '#'));
        EXPECT_EQ(m.tagCount(), 0);
        EXPECT_EQ(m.matchCount(), 0);

        m.setPattern(kAddressPattern);
        std::string spaced;
        for (size_t i = 0; i < size / 2; ++i) spaced += "1 ";
        m.setText(spaced);
        EXPECT_EQ(m.matchCount(), static_cast<int32_t>(size / 2));
    }
}

}  // namespace
}  // namespace th
