#pragma once
// The two shapes of box every command uses: an ordinary box with the program's title,
// and the box for an error it trapped, each command with its own lead sentence.

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "platform/Ports.h"

namespace th {

// The text with its line padding, the program's title; returns the button pressed.
// Return presses defaultButton, or the first button when none is named.
MsgResult say(MessageBoxPort& messages, const std::string& text, MsgButtons buttons, MsgIcon icon,
              std::optional<MsgResult> defaultButton = std::nullopt);

// Lead sentence, then the error's description and number, then (when given) one plain
// line on what to do about it, each line padded; the exclamation icon, OK, and a title
// of eight spaces.
void showErrorBox(MessageBoxPort& messages, std::string_view lead, const Error& error,
                  std::string_view advice = {});

// The text with one more line under it saying what to do, when there is one.
std::string withAdvice(std::string text, std::string_view advice);

// Whatever a command caught, as the program's error: its own errors pass unchanged,
// running out of memory is number 7, anything else number 51.
Error toError(const std::exception& caught);

}  // namespace th
