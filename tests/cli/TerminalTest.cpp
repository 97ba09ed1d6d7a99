#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "cli/TerminalPorts.h"
#include "cli/TerminalText.h"

namespace th::cli {
namespace {

// Every command prints cells through this.
TEST(TerminalText, NoByteReachesTheTerminalThatCouldSteerIt) {
    for (const auto& [text, shown] : std::vector<std::pair<std::string, std::string>>{
             {"back\\slash\ttab\rcr\nlf", "back\\\\slash\\ttab\\rcr\\nlf"},
             {"\x1b[2J\x1b]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
             {std::string("\0\x01\x1f\x7f", 4), "\\x00\\x01\\x1F\\x7F"},
             {"\x80\xe9\xff caf\xc3\xa9", "\x80\xe9\xff caf\xc3\xa9"},
             {"no\xc2\xa0"
              "break \xc2\x9b"
              "2J \xc2",
              "no\xc2\xa0"
              "break \\xC2\\x9B2J \xc2"}})
        EXPECT_EQ(terminalText(text), shown);
}

// Nobody answers a question on the terminal: it is declined, with the box's own default
// when that declines; a fixed answer, given for the prompt's start, is taken as it is.
TEST(TerminalMessages, QuestionsAreDeclinedUnlessAnAnswerIsGiven) {
    std::ostringstream err;
    TerminalMessages messages(err);
    messages.answers["Replace"] = MsgResult::Yes;
    const std::vector<std::tuple<std::string, MsgButtons, MsgResult, MsgResult>> cases = {
        // prompt, buttons, default button, answer
        {"Go on?", MsgButtons::YesNo, MsgResult::Yes, MsgResult::No},
        {"Go on?", MsgButtons::YesNoCancel, MsgResult::Cancel, MsgResult::Cancel},
        {"Go on?", MsgButtons::OkCancel, MsgResult::Ok, MsgResult::Cancel},
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
