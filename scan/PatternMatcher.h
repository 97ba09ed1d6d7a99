#pragma once
// The pattern matcher of the scanner: "^", "$" ("$*" may match nothing), ".", "*",
// "\" escapes, [sets] with ranges and "^" complement, {tags}; every other character
// matches itself. The leftmost match wins; each "*" takes as much as it can.
//
// Details of the language as this matcher reads it:
// - "^" anchors only as the pattern's first character; elsewhere it is literal.
// - "$" is the end of the text; "$*" matches nothing and is dropped.
// - "*" repeats the item before it; with no item to repeat (first in the pattern,
//   after "^", after a brace or after another "*") it is a literal "*".
// - "\x" is the literal x, inside a set too, so "[^\[.\]]" means "not [, . or ]".
//   A "\" at the end of the pattern is a literal backslash.
// - In a set "a-z" is a range (a reversed range is read the right way round), "-" first
//   or last is literal, a "]" right after "[" or "[^" is literal; an unclosed "[" is a
//   literal "[".
// - "{" opens tag n (by opening order from 0), "}" closes the latest open one; a "}"
//   with no open tag is literal, a tag left open ends with the match.
// - Letters match with their case. A match is never empty.
//
// The match is a backtracking search whose failed states (star item, text position) are
// remembered, so one text costs at most pattern length x text length steps. The scanner's
// line pattern, which every violation line goes through, is read directly instead
// (scan/LinePattern.cpp), with the same result.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace th {

class PatternMatcher {
  public:
    // Compiles the pattern; setting the pattern it already holds costs only the comparison.
    void setPattern(std::string pattern);
    const std::string& pattern() const { return pattern_; }

    // Sets the text and runs the match. A text that lacks the literal every match must
    // contain is ruled out without being copied.
    void setText(std::string_view text);
    // The text the last match was run on; empty when setText ruled its text out unseen.
    const std::string& text() const { return text_; }

    // Number of brace groups when the text matched, else 0.
    int32_t tagCount() const;
    // Text matched by the i-th brace group (0-based, by opening brace); a view into text().
    std::string_view tag(int32_t i) const;
    // Number of non-overlapping matches in the text, left to right.
    int32_t matchCount() const;

    // The literal text that every match contains (empty when the pattern has none).
    const std::string& requiredLiteral() const { return literal_; }
    // Whether a text beginning with this byte may match: false only when the pattern is
    // anchored and its first item (past tag braces), not starred, does not take the byte.
    bool mayStartWith(unsigned char c);
    // Switches the search for that literal before the match (on by default); the
    // results are the same either way, only the cost differs.
    void setPrefilter(bool on) { prefilter_ = on; }
    // Switches the direct reading of the scanner's line pattern (on by default); off, it
    // is matched as any other pattern. The results are the same either way.
    void setDirectReading(bool on) { directReading_ = on; }

  private:
    enum class Op : uint8_t { Char, Any, Set, End, Open, Close };
    struct Item {
        Op op = Op::Char;
        bool star = false;
        unsigned char ch = 0;
        int32_t arg = 0;    // set index (Set), tag index (Open, Close)
        int32_t memo = 0;   // row of the failure memo (starred items)
        int32_t next = -1;  // the single character item that must follow (starred items)
    };
    using CharSet = std::array<uint64_t, 4>;
    struct Frame {
        size_t lo;   // where the starred item was entered
        size_t cur;  // how far it has gone
        uint32_t item;
    };

    void compile();
    bool itemMatches(const Item& item, unsigned char c) const;
    size_t settle(const Item& item, size_t lo, size_t cur) const;
    bool matchAt(size_t start, size_t& end) const;
    bool search(size_t from, size_t& start, size_t& end) const;
    bool failed(int32_t row, size_t t) const;
    // Marks positions from..to (inclusive) of a row as failed.
    void markFailed(int32_t row, size_t from, size_t to) const;
    // The first failed position of a row in from..to, or to + 1.
    size_t firstFailed(int32_t row, size_t from, size_t to) const;

    std::string pattern_;
    bool compiled_ = false;
    std::vector<Item> items_;
    std::vector<CharSet> sets_;
    int32_t groups_ = 0;
    int32_t stars_ = 0;
    bool anchored_ = false;
    std::string literal_;
    bool prefilter_ = true;
    bool directReading_ = true;
    bool linePattern_ = false;  // the pattern is the scanner's line pattern

    std::string text_;
    bool matched_ = false;
    size_t matchEnd_ = 0;
    std::vector<size_t> tagStart_, tagEnd_;

    // Working state of a search, kept between calls so a line needs no allocation;
    // matchCount() goes on searching with it, hence mutable.
    mutable std::vector<uint64_t> memo_;  // a row of words per starred item
    size_t memoStride_ = 0;
    mutable std::vector<Frame> stack_;
    mutable std::vector<size_t> scratchStart_, scratchEnd_;
    mutable std::optional<int32_t> matchCount_;
};

}  // namespace th
