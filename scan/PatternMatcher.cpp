#include "scan/PatternMatcher.h"

namespace th {

// Placeholder until the matcher lands: matches nothing.
void PatternMatcher::setPattern(std::string pattern) { pattern_ = std::move(pattern); }
void PatternMatcher::setText(std::string_view text) { text_ = std::string(text); }
int32_t PatternMatcher::tagCount() const { return 0; }
std::string_view PatternMatcher::tag(int32_t) const { return {}; }
int32_t PatternMatcher::matchCount() const { return 0; }
std::string_view PatternMatcher::requiredLiteral() const { return {}; }

}  // namespace th
