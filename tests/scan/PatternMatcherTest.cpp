#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scan/LogScanner.h"
#include "scan/PatternMatcher.h"

namespace th {
namespace {

// The expected result: the number of matches, then the first match's tags in braces.
struct Case {
    std::string pattern, text, expected;
};

// The count is asked for first, so that tags the further search overwrote would show.
std::string matchOf(PatternMatcher& m, const std::string& text) {
    m.setText(text);
    std::string out = std::to_string(m.matchCount()) + (m.tagCount() > 0 ? " " : "");
    for (int32_t i = 0; i < m.tagCount(); ++i) out += "{" + std::string(m.tag(i)) + "}";
    return out;
}

// Each case with the literal prefilter and without, the line pattern read directly and
// matched as any other: none of that may change the results.
void expectCases(const std::vector<Case>& cases) {
    for (bool prefilter : {true, false})
        for (bool direct : {true, false}) {
            PatternMatcher m;
            m.setPrefilter(prefilter);
            m.setDirectReading(direct);
            for (const Case& c : cases) {
                m.setPattern(c.pattern);
                EXPECT_EQ(matchOf(m, c.text), c.expected) << c.pattern << " on " << c.text;
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
         "[06.01.2003 20:14:55] VIOLATION (AIMBOT) #50001: Some Player (slot #3) Aimbot "
         "detected [0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]",
         "1 {[06.01.2003 20:14:55]}{VIOLATION}{(AIMBOT)}{#50001:}{Some Player}{(slot #3)}"
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
        {kLinePattern, p + "seen. 1:2]", "0"},
        {kAddressPattern, "192.0.2.1:27960]", "1 {192.0.2.1:27960}"},
        {kAddressPattern, "x+y 10.0.0.1:2", "2 {+}"},
        {kGuidPattern, "Aimbot detected [0123(VALID)", "1 {Aimbot detected}{[0123(VALID)}"},
        {kGuidPattern, " [0123", "1 {}{[0123}"},
        {kGuidPattern, "seen [0123 ", "1 {seen [0123}{}"},
    });
    PatternMatcher m;
    m.setPattern(kAddressPattern);
    m.setText("9.9.9.9:1 2");
    m.setText(m.tag(0).substr(2));  // a piece of its own text
    EXPECT_EQ(m.tag(0), "9.9.9:1");
}

// The direct reading against the matcher on lines made of the pieces the line pattern
// looks for, each where any other could be, many of them violation lines.
TEST(PatternMatcherTest, LinePatternReadDirectlyAsMatched) {
    std::vector<std::string> pieces = {
        "] ",     ") ",      ". ",      "] VIOLATION ",          "VIOLATION",
        "(slot ", " (slot ", "#50001:", "[06.01.2003 20:14:55]", " 192.0.2.1:27960]"};
    // And single bytes, a NUL among them.
    for (const char c : std::string("[] ().#5:$x\0", 12)) pieces.emplace_back(1, c);
    std::mt19937 rng(2024);
    auto next = [&rng](size_t below) { return static_cast<uint32_t>(rng() % below); };
    PatternMatcher direct, matched;
    direct.setPattern(kLinePattern);
    matched.setPattern(kLinePattern);
    matched.setDirectReading(false);
    int matches = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = next(8) ? "[" : "";
        for (uint32_t k = next(24); k > 0; --k) text += pieces[next(pieces.size())];
        // Half of them shaped as a violation line, with pieces anywhere between.
        if (next(2)) {
            std::string shaped = "[t] VIOLATION (A) #5: P (slot 3) d x";
            shaped.insert(next(shaped.size()), text);
            text = std::move(shaped);
        }
        const std::string expected = matchOf(matched, text);
        EXPECT_EQ(matchOf(direct, text), expected) << text;
        matches += expected != "0";
    }
    EXPECT_GT(matches, 5000);
}

// Long lines of the characters the line pattern cares about, which a plain
// backtracking matcher would take ages over; the results follow from the rules. (One
// without "(slot " is the scan's huge line in LogScannerTest: no row.)
TEST(PatternMatcherTest, LongAdversarialLines) {
    const size_t size = 64 * 1024;
    std::string noise, open;
    for (size_t i = 0; noise.size() < size; ++i) noise += " ()[]# ."[(i * 7 + i / 3) % 8];
    for (char c : noise) open += c == ')' ? '(' : c;
    PatternMatcher m;
    m.setPattern(kLinePattern);
    // Without a ")" after it, the one closing the slot group is the last one.
    m.setText("[x] VIOLATION (K) #1: P (slot " + noise + ") d" + open + "x y");
    ASSERT_EQ(m.tagCount(), 8);
    EXPECT_EQ(m.tag(5), "(slot " + noise + ")");
    EXPECT_EQ(m.tag(6), "d" + open + "x");
    m.setPattern("{.*}{[#]*}x");
    EXPECT_EQ(matchOf(m, std::string(size, '#')), "0");
}

}  // namespace
}  // namespace th
