#pragma once
// Taking one log line apart into the seven cells of a violation row.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scan/MainForm.h"

namespace th {

using ViolationRow = ByColumn<std::string>;

// The three matchers a line is taken apart with: the form's, or a copy of them for each
// thread of a scan.
struct LineMatchers {
    PatternMatcher& line;
    PatternMatcher& address;
    PatternMatcher& guid;
};

// The row a line gives, or nothing when the line is not a kept violation. Uses the
// three matchers, whose patterns the caller has set.
std::optional<ViolationRow> parseViolationLine(const LineMatchers& matchers, std::string_view line);
// The same with the form's own three matchers.
std::optional<ViolationRow> parseViolationLine(MainForm& form, std::string_view line);

// Applies the GUID status markers: false when the marker drops the line.
bool applyGuidMarker(std::string& guid);

// The number field's digits as a 32-bit value, or nothing when it is not one.
std::optional<int32_t> toLong(std::string_view digits);

}  // namespace th
