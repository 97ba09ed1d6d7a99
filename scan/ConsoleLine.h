#pragma once
// The anti-cheat's lines as a game's console log holds them: an optional game time (time
// since the map started, "12:34 " or " 5:07 "), an optional colour code, then
// "PunkBuster Server: " and what the anti-cheat's own log has after its time stamp:
//
//   ^3PunkBuster Server: VIOLATION (MD5TOOL) #59002: ^1Jay^7yz (slot #3) Violation ...
//
// Such a line has no time stamp of its own.

#include <optional>
#include <string>
#include <string_view>

namespace th {

// What a line holds after the console's prefix, or nothing when it is not in that form.
std::optional<std::string_view> consoleLineText(std::string_view line);

// Whether a line in the console's form may begin with this byte: a game time's space or
// digit, a colour code's "^" or the prefix's first letter.
bool consoleLineMayStartWith(unsigned char c);

// The line as the anti-cheat's own log would hold it, with stamp as its time stamp, into
// out; false (out untouched) when the line is not in the console's form.
bool consoleLineAsLogLine(std::string_view line, std::string_view stamp, std::string& out);

// Held by every violation line in either form: the log's "] VIOLATION " and the
// console's ": VIOLATION ". A line without it is no candidate under either.
inline constexpr std::string_view kEitherFormLiteral = " VIOLATION ";

}  // namespace th
