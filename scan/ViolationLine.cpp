#include "scan/ViolationLine.h"

#include <algorithm>

#include "platform/TrimSpaces.h"

namespace th {

namespace {

std::string removeAll(std::string_view text, char c) {
    std::string out;
    out.reserve(text.size());
    for (char x : text)
        if (x != c) out.push_back(x);
    return out;
}

// ASCII only: the log's 8-bit bytes are not letters to fold.
char foldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
bool equalsIgnoringCase(char a, char b) {
    return foldCase(a) == foldCase(b);
}

// Position of the first occurrence of needle, ignoring ASCII case, or npos.
size_t findIgnoringCase(std::string_view text, std::string_view needle) {
    auto it =
        std::search(text.begin(), text.end(), needle.begin(), needle.end(), equalsIgnoringCase);
    return it == text.end() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

// The address and port from the rest of the line; nothing when there is not exactly one.
std::optional<std::string> address(PatternMatcher& matcher, std::string_view rest,
                                   bool needOneMatch) {
    matcher.setText(rest);
    if (matcher.tagCount() != 1) return std::nullopt;
    if (needOneMatch && matcher.matchCount() != 1) return std::nullopt;
    return std::string(matcher.tag(0));
}

}  // namespace

bool applyGuidMarker(std::string& guid) {
    struct Marker {
        std::string_view text;
        bool keep;
    };
    static constexpr Marker kMarkers[] = {{"(-)", true},    {"(VALID)", true}, {"(VALID2)", true},
                                          {"(LAN)", false}, {"(UNKN)", false}, {"(?)", false}};
    for (const auto& m : kMarkers) {
        if (findIgnoringCase(guid, m.text) == std::string_view::npos) continue;
        if (!m.keep) return false;
        guid.resize(guid.size() - m.text.size());  // the marker's length, from the end
        return true;
    }
    return true;
}

std::optional<int32_t> toLong(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

std::optional<ViolationRow> parseViolationLine(MainForm& form, std::string_view line) {
    return parseViolationLine(
        LineMatchers{form.flexQuelvane, form.flexQuelvaneGetIP, form.flexQuelvaneGetGUID}, line);
}

std::optional<ViolationRow> parseViolationLine(const LineMatchers& matchers,
                                               std::string_view line) {
    PatternMatcher& m = matchers.line;
    m.setText(line);
    if (m.tagCount() != 8) return std::nullopt;
    if (trimSpaces(m.tag(3)).empty()) return std::nullopt;
    std::string number = removeAll(removeAll(m.tag(3), '#'), ':');
    std::optional<int32_t> value = toLong(number);
    if (!value) return std::nullopt;

    ViolationRow row;
    if (*value >= 50000) {
        auto ip = address(matchers.address, m.tag(7), false);
        if (!ip) return std::nullopt;
        PatternMatcher& g = matchers.guid;
        g.setText(m.tag(6));
        if (g.tagCount() != 2) return std::nullopt;
        std::string guid = removeAll(g.tag(1), '[');
        if (!applyGuidMarker(guid)) return std::nullopt;
        row[GridColumn::Violation] = m.tag(2);
        row[GridColumn::Guid] = std::move(guid);
        row[GridColumn::PlayerIp] = std::move(*ip);
    } else if (*value == 9001) {
        std::string_view description = m.tag(6);
        size_t ogc = findIgnoringCase(description, "ogc_");
        if (ogc == std::string_view::npos || ogc == 0) return std::nullopt;
        size_t lastSpace = description.rfind(' ');
        std::string guid(lastSpace == std::string_view::npos ? description
                                                             : description.substr(lastSpace + 1));
        if (!applyGuidMarker(guid)) return std::nullopt;
        guid = removeAll(removeAll(guid, '['), ']');
        auto ip = address(matchers.address, m.tag(7), true);
        if (!ip) return std::nullopt;
        row[GridColumn::Violation] = m.tag(1);
        row[GridColumn::Guid] = std::move(guid);
        row[GridColumn::PlayerIp] = std::move(*ip);
    } else {
        return std::nullopt;
    }
    row[GridColumn::PlayerName] = m.tag(4);
    row[GridColumn::Number] = std::move(number);
    row[GridColumn::Timestamp] = m.tag(0);
    row[GridColumn::Slot] = m.tag(5);
    return row;
}

}  // namespace th
