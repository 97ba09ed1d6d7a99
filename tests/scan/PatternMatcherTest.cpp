#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <regex>
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

// Random patterns and texts, checked against std::regex: an ECMAScript regex is a
// backtracking matcher with the same "leftmost, then each star as greedy as it can"
// results, and match_not_null refuses empty matches as this matcher does. The same
// random pattern is written in both languages.

struct TwoPatterns {
    std::string ours, ecma;
    void add(const char* o, const char* e) { ours += o, ecma += e; }
    void addLiteral(char c) {
        if (c == '.' || c == '[' || c == ']') ours += '\\';
        ours += c;
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
        ecma += hex;
    }
};

struct Generator {
    std::mt19937 random;
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    char letter() { return "ab ().[]"[pick(8)]; }
    std::string text() {
        std::string t(pick(13), ' ');
        for (char& c : t) c = letter();
        return t;
    }
    TwoPatterns pattern() {
        TwoPatterns p;
        if (pick(4) == 0) p.add("^", "^");
        int open = 0;
        for (int items = 1 + pick(6); items > 0; --items) {
            if (pick(4) == 0) p.add("{", "("), ++open;
            if (int kind = pick(5); kind == 0) {
                p.add(".", "[\\s\\S]");
            } else if (kind < 3) {
                p.addLiteral(letter());
            } else {
                const char* set = pick(2) ? "[" : "[^";
                p.add(set, set);
                for (int members = 1 + pick(3); members > 0; --members) p.addLiteral(letter());
                p.add("]", "]");
            }
            if (pick(2) == 0) p.add("*", "*");
            if (open > 0 && pick(3) == 0) p.add("}", ")"), --open;
            if (pick(8) == 0) p.ours += "$*";  // matches nothing: no counterpart
        }
        for (; open > 0; --open) p.add("}", ")");
        if (pick(6) == 0) p.add("$", "$");
        return p;
    }
};

// The same from the regex, over its non-overlapping matches.
std::string regexMatchOf(const std::regex& re, const std::string& text) {
    int count = 0;
    std::string tags;
    auto flags = std::regex_constants::match_not_null;
    std::smatch m;
    for (auto from = text.cbegin();
         from != text.cend() && std::regex_search(from, text.cend(), m, re, flags);
         from = m[0].second) {
        if (count++ == 0)
            for (size_t i = 1; i <= re.mark_count(); ++i) tags += "{" + m[i].str() + "}";
        flags |= std::regex_constants::match_prev_avail;
    }
    return std::to_string(count) + (tags.empty() ? "" : " ") + tags;
}

// One matcher with the prefilter and one without, which must not change the results;
// each keeps its pattern over many texts, as the scanner's do.
struct Matchers {
    PatternMatcher filtered, unfiltered;
    Matchers() { unfiltered.setPrefilter(false); }
    void setPattern(const std::string& p) { filtered.setPattern(p), unfiltered.setPattern(p); }
    // Whether the regex matched, after the check.
    bool check(const std::regex& re, const std::string& text) {
        const std::string want = regexMatchOf(re, text);
        SCOPED_TRACE("pattern \"" + filtered.pattern() + "\" text \"" + text + "\"");
        EXPECT_EQ(matchOf(filtered, text), want);
        EXPECT_EQ(matchOf(unfiltered, text), want);
        return want[0] != '0';
    }
};

TEST(PatternMatcherTest, AgreesWithBacktrackingRegex) {
    Generator generator{std::mt19937(20031206)};
    Matchers m;
    int matched = 0;
    for (int round = 0; round < 500 && !HasFailure(); ++round) {
        const TwoPatterns p = generator.pattern();
        const std::regex re(p.ecma, std::regex::ECMAScript);
        m.setPattern(p.ours);
        for (int i = 0; i < 20; ++i) matched += m.check(re, generator.text());
    }
    EXPECT_GT(matched, 3000);  // the check is only worth something if enough texts match
}

// The scanner's own patterns on log-like lines built from the pieces they look for.
TEST(PatternMatcherTest, ScannerPatternsAgreeWithRegexOnLogLikeLines) {
    const std::vector<TwoPatterns> patterns = {
        {kLinePattern,
         "^(\\[[\\s\\S]*\\]) (VIOLATION) ([\\s\\S]*) ([#0-9:$]*) ([\\s\\S]*) "
         "(\\(slot [\\s\\S]*\\)) ([\\s\\S]*[^\\[.\\]]) ([\\s\\S]*)"},
        {kAddressPattern, "([0-9+.:]*)"},
        {kGuidPattern, "([\\s\\S]*) ([\\s\\S]*\\[*)"},
    };
    std::vector<std::regex> regexes;
    Matchers m[3];
    for (size_t k = 0; k < 3; ++k) {
        regexes.emplace_back(patterns[k].ecma, std::regex::ECMAScript);
        m[k].setPattern(patterns[k].ours);
    }
    static const char* const kPieces[] = {"[",      "]", " ", " ",       "VIOLATION",
                                          "(slot ", "(", ")", "#",       "12",
                                          ":",      ".", "x", "(VALID)", "1.2.3.4:5"};
    Generator g{std::mt19937(7)};
    auto some = [&g](int most) {
        std::string s;
        for (int i = g.pick(most + 1); i > 0; --i) s += kPieces[g.pick(std::size(kPieces))];
        return s;
    };
    int lineMatches = 0;
    for (int round = 0; round < 1000 && !HasFailure(); ++round) {
        // Most lines have the outline of a violation line with random pieces in between,
        // so that the line pattern gets deep into them; the rest are random throughout.
        const std::string text = g.pick(4) == 0 ? some(14)
                                                : "[t" + some(2) + "] VIOLATION " + some(3) + " " +
                                                      some(2) + " " + some(3) + " (slot " +
                                                      some(3) + ") " + some(4) + " " + some(3);
        lineMatches += m[0].check(regexes[0], text);
        for (size_t k = 1; k < 3; ++k) m[k].check(regexes[k], text);
    }
    EXPECT_GT(lineMatches, 200);  // the line pattern must get to the end often enough
}

}  // namespace
}  // namespace th
