#pragma once
// Text written on one line where nothing in it may break the line apart: backslash, TAB,
// CR and LF become \\, \t, \r and \n; all bytes from 0x20 up but 0x7F, 8-bit ones included,
// stay as they are, but for a control character U+0080 to U+009F in UTF-8 (\xC2\x80 to
// \xC2\x9F), which a terminal acts on as it does on ESC and a letter. Other 8-bit bytes
// stay, as text in another encoding has them. The control bytes are written as the reader
// needs them:
// - Hex: each becomes \xHH (two upper-case hex digits), each byte of a UTF-8 control
//   character too, so that nothing can steer a terminal, even through a pipe; the
//   command-line tool prints with it and tab-separated exports hold their fields in it.
// - NulOnly: NUL becomes \0 and the rest stay as they are; a scan file's cells, which
//   must come back byte for byte.
// - Terminal: for bytes written for a file (a page, a scan file, an export) that go to a
//   terminal instead: TAB, CR, LF and backslash stay, as the file's own layout; every other
//   control byte, and each byte of a UTF-8 control character, becomes \xHH.

#include <string>
#include <string_view>

namespace th {

enum class ControlBytes { Hex, NulOnly, Terminal };

void appendEscaped(std::string& out, std::string_view text,
                   ControlBytes controls = ControlBytes::Hex);

// Whether a control character U+0080 to U+009F in UTF-8 begins at text[at].
bool isC1At(std::string_view text, size_t at);

}  // namespace th
