#include "cli/TerminalText.h"

#include "platform/DisplayBytes.h"
#include "platform/EscapedText.h"

namespace th::cli {

void appendTerminalText(std::string& out, std::string_view text) {
    appendEscaped(out, text);
}

std::string terminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

void appendShown(std::string& out, std::string_view stored) {
    appendEscaped(out, displayUtf8(stored));
}

}  // namespace th::cli
