#pragma once
// The one rule by which the program shows bytes from logs, ban files and the database as
// text: UTF-8 when the bytes are valid UTF-8; otherwise Windows-1252, with its five
// unassigned bytes shown as the C1 controls of the same value, so every byte shows.

#include <optional>
#include <string>
#include <string_view>

namespace th {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// The character a byte stands for in Windows-1252 (the unassigned ones keep their value).
char32_t windows1252(unsigned char byte);

// The bytes as UTF-8 text under the rule above.
std::string displayUtf8(std::string_view bytes);

// The Windows-1252 bytes that show as this UTF-8 text, so that text a person types finds a
// name written in Windows-1252; none when the text is ASCII (the same bytes either way),
// not UTF-8, or holds a character Windows-1252 has no byte for.
std::optional<std::string> windows1252Bytes(std::string_view utf8);

}  // namespace th
