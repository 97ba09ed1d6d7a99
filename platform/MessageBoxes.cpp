#include "platform/MessageBoxes.h"

#include <new>
#include <string>

namespace th {

MsgResult say(MessageBoxPort& messages, const std::string& text, MsgButtons buttons, MsgIcon icon,
              std::optional<MsgResult> defaultButton) {
    return messages.show(text + kPad, buttons, icon, kMsgTitle,
                         defaultButton.value_or(firstButton(buttons)));
}

void showErrorBox(MessageBoxPort& messages, std::string_view lead, const Error& error,
                  std::string_view advice) {
    std::string prompt(lead);
    prompt += kPad;
    prompt += kCrLf;
    prompt += error.description() + " " + std::to_string(error.number()) + kPad;
    messages.show(withAdvice(std::move(prompt), advice), MsgButtons::Ok, MsgIcon::Exclamation,
                  kErrTitle);
}

std::string withAdvice(std::string text, std::string_view advice) {
    if (advice.empty()) return text;
    text += kCrLf;
    text += advice;
    text += kPad;
    return text;
}

Error toError(const std::exception& caught) {
    if (const auto* own = dynamic_cast<const Error*>(&caught)) return *own;
    if (dynamic_cast<const std::bad_alloc*>(&caught))
        return Error(7, appBaseName(), "Out of memory");
    return Error(51, appBaseName(), caught.what());
}

}  // namespace th
