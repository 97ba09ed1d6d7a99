// Random patterns and texts, checked against std::regex: an ECMAScript regex is a
// backtracking matcher with the same "leftmost, then each star as greedy as it can"
// results, and match_not_null refuses empty matches as this matcher does. The same
// random pattern is written in both languages.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "scan/LogScanner.h"
#include "scan/PatternMatcher.h"

namespace th {
namespace {

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

using Result = std::pair<int32_t, std::vector<std::string>>;  // matches, first match's tags

Result expected(const std::regex& re, const std::string& text) {
    Result r;
    auto flags = std::regex_constants::match_not_null;
    std::smatch m;
    for (auto from = text.cbegin();
         from != text.cend() && std::regex_search(from, text.cend(), m, re, flags);
         from = m[0].second) {
        if (r.first++ == 0)
            for (size_t i = 1; i <= re.mark_count(); ++i) r.second.push_back(m[i].str());
        flags |= std::regex_constants::match_prev_avail;
    }
    return r;
}

// The count is asked for first, so that tags the further search overwrote would show.
Result actual(PatternMatcher& m, const std::string& text) {
    m.setText(text);
    Result r{m.matchCount(), {}};
    for (int32_t i = 0; i < m.tagCount(); ++i) r.second.emplace_back(m.tag(i));
    return r;
}

// One matcher with the prefilter and one without, which must not change the results;
// each keeps its pattern over many texts, as the scanner's do.
struct Matchers {
    PatternMatcher filtered, unfiltered;
    Matchers() { unfiltered.setPrefilter(false); }
    void setPattern(const std::string& p) { filtered.setPattern(p), unfiltered.setPattern(p); }
    // The number of regex matches, after the check.
    int32_t check(const std::regex& re, const std::string& text) {
        const Result want = expected(re, text);
        SCOPED_TRACE("pattern \"" + filtered.pattern() + "\" text \"" + text + "\"");
        EXPECT_EQ(actual(filtered, text), want);
        EXPECT_EQ(actual(unfiltered, text), want);
        return want.first;
    }
};

TEST(PatternMatcherRandomTest, AgreesWithBacktrackingRegex) {
    Generator generator{std::mt19937(20031206)};
    Matchers m;
    int matched = 0;
    for (int round = 0; round < 500 && !HasFailure(); ++round) {
        const TwoPatterns p = generator.pattern();
        const std::regex re(p.ecma, std::regex::ECMAScript);
        m.setPattern(p.ours);
        for (int i = 0; i < 20; ++i) matched += m.check(re, generator.text()) > 0;
    }
    EXPECT_GT(matched, 3000);  // the check is only worth something if enough texts match
}

// The scanner's own patterns on log-like lines built from the pieces they look for.
TEST(PatternMatcherRandomTest, ScannerPatternsAgreeWithRegexOnLogLikeLines) {
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
