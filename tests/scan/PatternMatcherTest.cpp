#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scan/LogScanner.h"
#include "scan/PatternMatcher.h"

namespace th {
namespace {

struct Case {
    std::string pattern, text;
    std::string expected;  // the number of matches, then the first match's tags in braces
};

// The count is asked for first, so that tags the further search overwrote would show.
std::string matchOf(PatternMatcher& m, const std::string& text) {
    m.setText(text);
    std::string out = std::to_string(m.matchCount()) + (m.tagCount() > 0 ? " " : "");
    for (int32_t i = 0; i < m.tagCount(); ++i) out += "{" + std::string(m.tag(i)) + "}";
    return out;
}

void expectCases(const std::vector<Case>& cases) {
    for (bool prefilter : {true, false}) {
        PatternMatcher m;
        m.setPrefilter(prefilter);
        for (const Case& c : cases) {
            m.setPattern(c.pattern);
            EXPECT_EQ(matchOf(m, c.text), c.expected)
                << c.pattern << " on " << c.text << (prefilter ? "" : " (no prefilter)");
        }
    }
}

// The tags worked out from the rules: the first "*" takes as much as it can, then the
// next, and tag 6 must end on something other than [ . ].
TEST(PatternMatcherTest, ScannerPatternsCutViolationLinesIntoTheirTags) {
    const std::string p = "[t] VIOLATION (A) #5: P (slot 3) ";
    const std::string tags = "1 {[t]}{VIOLATION}{(A)}{#5:}{P}";
    expectCases({
        {kLinePattern,
         "[01.06.2003 20:14:55] VIOLATION (AIMBOT) #50001: Some Player (slot #3) Aimbot "
         "detected [0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]",
         "1 {[01.06.2003 20:14:55]}{VIOLATION}{(AIMBOT)}{#50001:}{Some Player}{(slot #3)}"
         "{Aimbot detected [0123456789abcdef0123456789abcdef(VALID)}{192.0.2.1:27960]}"},
        // A ")" followed by a space with another space later ends the slot group.
        {kLinePattern, p + "A (t 2) seen [g 1:2]", tags + "{(slot 3) A (t 2)}{seen [g}{1:2]}"},
        // The last space follows a "]", which tag 6 may not end on: the one before it counts.
        {kLinePattern, p + "A [g 1:2] x", tags + "{(slot 3)}{A [g}{1:2] x}"},
        {kLinePattern, p + "A [g ", tags + "{(slot 3)}{A [g}{}"},
        // A later run of digits between spaces wins the number field; it may be empty.
        {kLinePattern, "[t] VIOLATION (A) #5: P 12 N (slot 3) A [g 1:2]",
         "1 {[t]}{VIOLATION}{(A) #5: P}{12}{N}{(slot 3)}{A [g}{1:2]}"},
        {kLinePattern, "[t] VIOLATION (A)  P (slot 3) A [g 1:2]",
         "1 {[t]}{VIOLATION}{(A)}{}{P}{(slot 3)}{A [g}{1:2]}"},
        {kLinePattern, " " + p + "A [g 1:2]", "0"},
        {kLinePattern, "[t] violation (A) #5: P (slot 3) A [g 1:2]", "0"},
        {kLinePattern, "[t] VIOLATION (A) #5: P A [g 1:2]", "0"},
        {kLinePattern, p + "seen. 1:2]", "0"},
        {kAddressPattern, "192.0.2.1:27960]", "1 {192.0.2.1:27960}"},
        {kAddressPattern, "1.2.3.4:5] x 6", "2 {1.2.3.4:5}"},
        {kAddressPattern, "x+y 10.0.0.1:2", "2 {+}"},
        {kAddressPattern, "unknown]", "0"},
        {kGuidPattern, "Aimbot detected [0123(VALID)", "1 {Aimbot detected}{[0123(VALID)}"},
        {kGuidPattern, "[0123(LAN)", "0"},
        {kGuidPattern, " [0123", "1 {}{[0123}"},
        {kGuidPattern, "seen [0123 ", "1 {seen [0123}{}"},
    });
}

// The corners of the language; the plain cases are left to the comparison with std::regex.
TEST(PatternMatcherTest, PatternLanguage) {
    expectCases({
        {"{ab}", "xxabyab", "2 {ab}"},
        {"{ab}", "AB", "0"},
        {"{a*}", "baa", "1 {aa}"},  // empty matches do not count
        {"a*", "bbb", "0"},
        {"{a^b}", "xa^b", "1 {a^b}"},
        {"{b$*c}", "xbc", "1 {bc}"},
        {"{\\{x\\}}", "a{x}", "1 {{x}}"},
        {"{*a}", "x*a", "1 {*a}"},
        {"{a}*", "aa*", "1 {a}"},
        {"{[0-9]*}", "ab123c4", "2 {123}"},
        {"{[9-0]}", "a5", "1 {5}"},
        {"{[^a-c]}", "abcd", "1 {d}"},
        {"{[^\\[.\\]]*}", "[.]ab.c", "2 {ab}"},
        {"{[a-]*}", "x-a-", "1 {-a-}"},
        {"{[]a]*}", "x]a]", "1 {]a]}"},
        {"{[$]}", "a$", "1 {$}"},
        {"{[ab}", "x[ab", "1 {[ab}"},
        {"a}", "a}", "1"},
        {"a{b*", "abb", "1 {bb}"},
        {"", "abc", "0"},
        {"{}", "abc", "0"},
        {"{a}\\", "xa\\", "1 {a}"},
    });
}

TEST(PatternMatcherTest, ResultsBelongToTheLastTextAndPattern) {
    PatternMatcher m;
    m.setPattern(kAddressPattern);
    std::string other = "9.9.9.9:1 2";
    m.setText(other);
    other.assign(other.size(), 'x');  // the matcher keeps its own copy
    EXPECT_EQ(m.tag(0), "9.9.9.9:1");
    m.setText(m.tag(0).substr(2));  // a piece of its own text
    EXPECT_EQ(m.tag(0), "9.9.9:1");
    EXPECT_TRUE(m.tag(1).empty() && m.tag(-1).empty());
    EXPECT_EQ(matchOf(m, "none"), "0");
    EXPECT_EQ(m.tag(0), "");

    m.setText("1.2.3.4:5]");
    m.setPattern(kGuidPattern);  // forgets the old match
    EXPECT_EQ(m.tagCount(), 0);
    EXPECT_EQ(m.matchCount(), 0);

    // The line pattern rules out a line without its literal before copying it.
    m.setPattern(kLinePattern);
    EXPECT_EQ(m.requiredLiteral(), "] VIOLATION ");
    EXPECT_EQ(matchOf(m, "[01.06.2003 20:14:56] nothing to see"), "0");
    EXPECT_EQ(m.text(), "");
}

// Long lines of the characters the line pattern cares about, which a plain
// backtracking matcher would take ages over; the results follow from the rules.
TEST(PatternMatcherTest, LongAdversarialLines) {
    const size_t size = 64 * 1024;
    std::string noise;
    const char pieces[] = {' ', '(', ')', '[', ']', '#', ' ', '.'};
    for (size_t i = 0; noise.size() < size; ++i) noise.push_back(pieces[(i * 7 + i / 3) % 8]);
    std::string open = noise;
    std::replace(open.begin(), open.end(), ')', '(');
    std::string spaced;
    for (size_t i = 0; i < size / 2; ++i) spaced += "1 ";

    for (bool prefilter : {true, false}) {
        PatternMatcher m;
        m.setPrefilter(prefilter);
        m.setPattern(kLinePattern);
        EXPECT_EQ(matchOf(m, "[" + noise + "] VIOLATION " + noise), "0");  // no "(slot "
        // Without a ")" after it, the one closing the slot group is the last one.
        m.setText("[x] VIOLATION (K) #1: P (slot " + noise + ") d" + open + "x y");
        ASSERT_EQ(m.tagCount(), 8);
        EXPECT_EQ(m.tag(5), "(slot " + noise + ")");
        EXPECT_EQ(m.tag(6), "d" + open + "x");
        EXPECT_EQ(m.tag(7), "y");

        m.setPattern("{.*}{[#]*}x");
        EXPECT_EQ(matchOf(m, std::string(size, '#')), "0");
        m.setPattern(kAddressPattern);
        m.setText(spaced);
        EXPECT_EQ(m.matchCount(), static_cast<int32_t>(size / 2));
    }
}

}  // namespace
}  // namespace th
