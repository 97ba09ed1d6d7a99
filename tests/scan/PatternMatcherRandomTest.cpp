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

#include "scan/PatternMatcher.h"

namespace th {
namespace {

struct TwoPatterns {
    std::string ours;
    std::string ecma;
};

std::string hexEscape(char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned char>(c));
    return buffer;
}

class PatternGenerator {
  public:
    explicit PatternGenerator(uint32_t seed) : random_(seed) {}

    TwoPatterns next() {
        TwoPatterns p;
        if (pick(4) == 0) {
            p.ours += '^';
            p.ecma += '^';
        }
        int open = 0;
        const int items = 1 + pick(6);
        for (int i = 0; i < items; ++i) {
            if (pick(4) == 0) {
                p.ours += '{';
                p.ecma += '(';
                ++open;
            }
            item(p);
            if (open > 0 && pick(3) == 0) {
                p.ours += '}';
                p.ecma += ')';
                --open;
            }
            if (pick(8) == 0) p.ours += "$*";  // matches nothing: no counterpart
        }
        for (; open > 0; --open) {
            p.ours += '}';
            p.ecma += ')';
        }
        if (pick(6) == 0) {
            p.ours += '$';
            p.ecma += '$';
        }
        return p;
    }

    std::string text() {
        static const char kAlphabet[] = "ab ().[]";
        std::string t;
        const int size = pick(13);
        for (int i = 0; i < size; ++i) t += kAlphabet[pick(sizeof kAlphabet - 1)];
        return t;
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    void item(TwoPatterns& p) {
        static const char kLiterals[] = "ab ().[]";
        switch (pick(5)) {
            case 0:
                p.ours += '.';
                p.ecma += "[\\s\\S]";
                break;
            case 1:
            case 2: {
                const char c = kLiterals[pick(sizeof kLiterals - 1)];
                if (c == '.' || c == '[' || c == ']') p.ours += '\\';
                p.ours += c;
                p.ecma += hexEscape(c);
                break;
            }
            default: {
                const bool negate = pick(2) == 0;
                p.ours += negate ? "[^" : "[";
                p.ecma += negate ? "[^" : "[";
                const int members = 1 + pick(3);
                for (int i = 0; i < members; ++i) {
                    const char c = kLiterals[pick(sizeof kLiterals - 1)];
                    if (c == '[' || c == ']' || c == '.') p.ours += '\\';
                    p.ours += c;
                    p.ecma += hexEscape(c);
                }
                p.ours += ']';
                p.ecma += ']';
            }
        }
        if (pick(2) == 0) {
            p.ours += '*';
            p.ecma += '*';
        }
    }

    std::mt19937 random_;
};

struct Result {
    std::vector<std::string> tags;
    int32_t matches = 0;
    bool operator==(const Result&) const = default;
};

Result expected(const std::regex& re, size_t groups, const std::string& text) {
    Result r;
    auto flags = std::regex_constants::match_not_null;
    auto from = text.cbegin();
    std::smatch m;
    while (from != text.cend() && std::regex_search(from, text.cend(), m, re, flags)) {
        if (r.matches == 0) {
            for (size_t i = 1; i <= groups; ++i) r.tags.push_back(m[i].str());
        }
        ++r.matches;
        from = m[0].second;
        flags |= std::regex_constants::match_prev_avail;
    }
    return r;
}

Result actual(PatternMatcher& m, const std::string& text) {
    Result r;
    m.setText(text);
    for (int32_t i = 0; i < m.tagCount(); ++i) r.tags.emplace_back(m.tag(i));
    r.matches = m.matchCount();
    return r;
}

TEST(PatternMatcherRandomTest, AgreesWithBacktrackingRegexWithAndWithoutPrefilter) {
    PatternGenerator generator(20031206);
    PatternMatcher filtered;
    PatternMatcher unfiltered;
    unfiltered.setPrefilter(false);
    int matched = 0;
    for (int round = 0; round < 1000; ++round) {
        const TwoPatterns p = generator.next();
        const std::regex re(p.ecma, std::regex::ECMAScript);
        filtered.setPattern(p.ours);
        unfiltered.setPattern(p.ours);
        for (int i = 0; i < 20; ++i) {
            const std::string text = generator.text();
            const Result want = expected(re, re.mark_count(), text);
            SCOPED_TRACE("pattern \"" + p.ours + "\" text \"" + text + "\"");
            ASSERT_EQ(actual(filtered, text), want);
            ASSERT_EQ(actual(unfiltered, text), want);
            matched += want.matches > 0;
        }
    }
    // The table is only worth something if a fair share of the texts matched.
    EXPECT_GT(matched, 2000);
}

// The scanner's own patterns on log-like lines built from the pieces they look for.
TEST(PatternMatcherRandomTest, ScannerPatternsAgreeWithRegexOnLogLikeLines) {
    const std::vector<TwoPatterns> patterns = {
        {"^{\\[.*\\]} {VIOLATION} {.*} {[#0-9:$]*} {.*} {(slot .*)$*} {.*[^\\[.\\]]$*} {.*}",
         "^(\\[[\\s\\S]*\\]) (VIOLATION) ([\\s\\S]*) ([#0-9:$]*) ([\\s\\S]*) "
         "(\\(slot [\\s\\S]*\\)) ([\\s\\S]*[^\\[.\\]]) ([\\s\\S]*)"},
        {"{[0-9+\\.0-9+\\.0-9+\\.0-9+:0-9+]*}", "([0-9+.:]*)"},
        {"{.*} {.*[\\[]*}", "([\\s\\S]*) ([\\s\\S]*\\[*)"},
    };
    static const char* const kPieces[] = {"[",      "]", " ", " ",       "VIOLATION",
                                          "(slot ", "(", ")", "#",       "12",
                                          ":",      ".", "x", "(VALID)", "1.2.3.4:5"};
    std::vector<std::regex> regexes;
    for (const TwoPatterns& p : patterns) regexes.emplace_back(p.ecma, std::regex::ECMAScript);
    std::mt19937 random(7);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    PatternMatcher filtered;
    PatternMatcher unfiltered;
    unfiltered.setPrefilter(false);
    int lineMatches = 0;
    for (int round = 0; round < 2000; ++round) {
        auto some = [&](int most) {
            std::string s;
            for (int i = pick(most + 1); i > 0; --i) s += kPieces[pick(std::size(kPieces))];
            return s;
        };
        // Most lines have the outline of a violation line with random pieces in between,
        // so that the line pattern gets deep into them; the rest are random throughout.
        const std::string text = pick(4) == 0 ? some(14)
                                              : "[t" + some(2) + "] VIOLATION " + some(3) + " " +
                                                    some(2) + " " + some(3) + " (slot " + some(3) +
                                                    ") " + some(4) + " " + some(3);
        for (size_t k = 0; k < patterns.size(); ++k) {
            const Result want = expected(regexes[k], regexes[k].mark_count(), text);
            filtered.setPattern(patterns[k].ours);
            unfiltered.setPattern(patterns[k].ours);
            SCOPED_TRACE("pattern \"" + patterns[k].ours + "\" text \"" + text + "\"");
            ASSERT_EQ(actual(filtered, text), want);
            ASSERT_EQ(actual(unfiltered, text), want);
            if (k == 0) lineMatches += want.matches;
        }
    }
    EXPECT_GT(lineMatches, 100);
}

}  // namespace
}  // namespace th
