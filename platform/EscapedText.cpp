#include "platform/EscapedText.h"

namespace th {

namespace {

// The letter after the backslash for each byte that is escaped ('x' for \xHH), 0 for a
// byte written as it is.
struct EscapeLetters {
    char of[256] = {};
    // The bytes a plain run ends at: those escaped, and the first byte of a UTF-8 control
    // character where those are escaped, so that a run needs one look per byte.
    bool stops[256] = {};
    // A control character in UTF-8 steers a terminal as ESC does; only a scan file's
    // cells keep it.
    bool c1 = false;
    constexpr explicit EscapeLetters(ControlBytes controls) {
        if (controls == ControlBytes::NulOnly) {
            of[0] = '0';
        } else {
            for (int b = 0; b < 0x20; ++b) of[b] = 'x';
            of[0x7F] = 'x';
        }
        const bool layout = controls == ControlBytes::Terminal;  // left as the file has them
        of[static_cast<unsigned char>('\\')] = layout ? 0 : '\\';
        of[static_cast<unsigned char>('\t')] = layout ? 0 : 't';
        of[static_cast<unsigned char>('\r')] = layout ? 0 : 'r';
        of[static_cast<unsigned char>('\n')] = layout ? 0 : 'n';
        for (int b = 0; b < 256; ++b) stops[b] = of[b] != 0;
        c1 = controls != ControlBytes::NulOnly;
        stops[0xC2] = c1;
    }
};
constexpr EscapeLetters kHex{ControlBytes::Hex}, kNulOnly{ControlBytes::NulOnly},
    kTerminal{ControlBytes::Terminal};

}  // namespace

bool isC1At(std::string_view text, size_t at) {
    return at + 1 < text.size() && text[at] == '\xC2' &&
           static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

void appendEscaped(std::string& out, std::string_view text, ControlBytes controls) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const EscapeLetters& table = controls == ControlBytes::Hex       ? kHex
                                 : controls == ControlBytes::NulOnly ? kNulOnly
                                                                     : kTerminal;
    const char* letters = table.of;
    const auto hex = [&](unsigned char byte) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
    };
    const bool c1 = table.c1;
    size_t i = 0;
    while (i < text.size()) {
        // Plain runs go in one piece.
        size_t special = i;
        while (special < text.size() && !table.stops[static_cast<unsigned char>(text[special])])
            ++special;
        out.append(text.substr(i, special - i));
        if (special == text.size()) break;
        const auto byte = static_cast<unsigned char>(text[special]);
        if (c1 && isC1At(text, special)) {
            out += "\\xC2\\x";
            hex(static_cast<unsigned char>(text[special + 1]));
            i = special + 2;
            continue;
        }
        i = special + 1;
        if (!letters[byte]) {  // 0xC2 beginning another character
            out += static_cast<char>(byte);
            continue;
        }
        out += '\\';
        out += letters[byte];
        if (letters[byte] == 'x') hex(byte);
    }
}

}  // namespace th
