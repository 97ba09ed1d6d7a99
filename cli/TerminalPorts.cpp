#include "cli/TerminalPorts.h"

#include "cli/TerminalText.h"

namespace th::cli {

std::string promptForTerminal(const std::string& prompt) {
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t end = prompt.find("\r\n", start);
        std::string line = prompt.substr(start, end == std::string::npos ? end : end - start);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        appendTerminalText(out, line);
        if (end == std::string::npos) break;
        out += '\n';
        start = end + 2;
    }
    return out;
}

MsgResult TerminalMessages::show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                                 const std::string&, MsgResult defaultButton) {
    if (icon == MsgIcon::Exclamation || icon == MsgIcon::Critical) {
        errors.push_back(prompt);
        if (printErrors) err_ << promptForTerminal(prompt) << "\n";
    } else if (printInformation && buttons == MsgButtons::Ok) {
        err_ << promptForTerminal(prompt) << "\n";
    }
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    for (const auto& [start, answer] : answers)
        if (prompt.compare(0, start.size(), start) == 0) return answer;
    const bool declines = defaultButton == MsgResult::No || defaultButton == MsgResult::Cancel;
    if (declines && hasButton(buttons, defaultButton)) return defaultButton;
    return hasButton(buttons, MsgResult::Cancel) && !hasButton(buttons, MsgResult::No)
               ? MsgResult::Cancel
               : MsgResult::No;
}

std::vector<std::string> TerminalFiles::choose(const FileChooserRequest&) {
    if (next_ >= paths.size()) return {};
    return {paths[next_++]};
}

}  // namespace th::cli
