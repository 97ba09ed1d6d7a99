#pragma once
// The pattern matcher of the scanner: "^", "$" ("$*" may match nothing), ".", "*",
// "\" escapes, [sets] with ranges and "^" complement, {tags}; every other character
// matches itself. The leftmost match wins; each "*" takes as much as it can.

#include <cstdint>
#include <string>
#include <string_view>

namespace th {

class PatternMatcher {
public:
    void setPattern(std::string pattern);
    const std::string& pattern() const { return pattern_; }

    // Sets the text and runs the match.
    void setText(std::string_view text);
    const std::string& text() const { return text_; }

    // Number of brace groups when the text matched, else 0.
    int32_t tagCount() const;
    // Text matched by the i-th brace group (0-based, by opening brace).
    std::string_view tag(int32_t i) const;
    // Number of non-overlapping matches in the text, left to right.
    int32_t matchCount() const;

    // A text that every match contains (empty when there is none): a line without it
    // cannot match, which lets a caller skip such lines unseen.
    std::string_view requiredLiteral() const;

private:
    std::string pattern_;
    std::string text_;
};

}  // namespace th
