#pragma once
// The one rule for text from a log, a ban file or any file name that the tool prints
// (platform/EscapedText.h holds it, for the exports too):
// nothing it prints may steer the terminal or break a line apart. Backslash, TAB, CR and
// LF become \\, \t, \r and \n; every other byte below 0x20, 0x7F, and each byte of a
// control character U+0080 to U+009F in UTF-8, becomes \xHH (two upper-case hex digits);
// all other bytes, 8-bit ones included, stay as they are. A path that is a command's whole
// output goes as it is when that is no terminal (CommandContext::pathOutput).

#include <string>
#include <string_view>

namespace th::cli {

// Appends the text to out under the rule above.
void appendTerminalText(std::string& out, std::string_view text);

std::string terminalText(std::string_view text);

// A stored value (a name, a reason) as the tool shows it: decoded by the display rule
// (platform/DisplayBytes.h: a Windows-1252 name went out as its raw bytes, and a journal
// took the line for binary data), then appended under the rule above.
void appendShown(std::string& out, std::string_view stored);

}  // namespace th::cli
