#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "cli/TerminalPorts.h"

namespace th::cli {
namespace {

// Nobody answers a question on the terminal: it is declined, with the box's own default
// when that declines; a fixed answer, given for the prompt's start, is taken as it is.
TEST(TerminalMessages, QuestionsAreDeclinedUnlessAnAnswerIsGiven) {
    std::ostringstream err;
    TerminalMessages messages(err);
    messages.answers["Replace"] = MsgResult::Yes;
    const std::vector<std::tuple<std::string, MsgButtons, MsgResult, MsgResult>> cases = {
        // prompt, buttons, default button, answer
        {"Go on?", MsgButtons::YesNo, MsgResult::Yes, MsgResult::No},
        {"Go on?", MsgButtons::YesNo, MsgResult::No, MsgResult::No},
        {"Go on?", MsgButtons::YesNoCancel, MsgResult::Yes, MsgResult::No},
        {"Go on?", MsgButtons::YesNoCancel, MsgResult::Cancel, MsgResult::Cancel},
        {"Go on?", MsgButtons::OkCancel, MsgResult::Ok, MsgResult::Cancel},
        {"Go on?", MsgButtons::RetryCancel, MsgResult::Retry, MsgResult::Cancel},
        {"Replace the file?", MsgButtons::YesNo, MsgResult::No, MsgResult::Yes},
    };
    for (const auto& [prompt, buttons, pressed, answer] : cases)
        EXPECT_EQ(messages.show(prompt, buttons, MsgIcon::Question, "t", pressed), answer)
            << prompt << " " << static_cast<int>(buttons) << " " << static_cast<int>(pressed);
    EXPECT_EQ(messages.show("Go on?", MsgButtons::YesNo, MsgIcon::Question, "t"), MsgResult::No);
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace th::cli
