#include "scan/ConsoleLine.h"

#include "scan/ColourCodes.h"

namespace th {

namespace {

constexpr std::string_view kConsolePrefix = "PunkBuster Server: ";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Past the game time at the start of the line: spaces, minutes, ":", two digits of
// seconds and one space; 0 when there is none.
size_t afterGameTime(std::string_view line) {
    size_t i = line.find_first_not_of(' ');
    const size_t minutes = i;
    while (i < line.size() && isDigit(line[i])) ++i;
    if (i == minutes || line.size() < i + 4) return 0;
    if (line[i] != ':' || !isDigit(line[i + 1]) || !isDigit(line[i + 2]) || line[i + 3] != ' ')
        return 0;
    return i + 4;
}

}  // namespace

std::optional<std::string_view> consoleLineText(std::string_view line) {
    size_t i = afterGameTime(line);
    if (isColourCode(line, i)) i += 2;
    if (line.substr(i, kConsolePrefix.size()) != kConsolePrefix) return std::nullopt;
    return line.substr(i + kConsolePrefix.size());
}

bool consoleLineMayStartWith(unsigned char c) {
    return c == ' ' || isDigit(static_cast<char>(c)) || c == '^' ||
           c == static_cast<unsigned char>(kConsolePrefix[0]);
}

bool consoleLineAsLogLine(std::string_view line, std::string_view stamp, std::string& out) {
    const std::optional<std::string_view> text = consoleLineText(line);
    if (!text) return false;
    out.assign(stamp);
    out += ' ';
    out += *text;
    return true;
}

}  // namespace th
