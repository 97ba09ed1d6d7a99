#include <gtest/gtest.h>

#include "cli/TerminalText.h"

namespace th::test {
namespace {

// Every command prints cells through this (the scan of a scan file shows it end to end).
TEST(TerminalText, NoByteReachesTheTerminalThatCouldSteerIt) {
    for (const auto& [text, shown] : std::vector<std::pair<std::string, std::string>>{
             {"plain [x] \"y\" ~", "plain [x] \"y\" ~"},
             {"back\\slash\ttab\rcr\nlf", "back\\\\slash\\ttab\\rcr\\nlf"},
             {"\x1b[2J\x1b]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
             {std::string("\0\x01\x1f\x7f", 4), "\\x00\\x01\\x1F\\x7F"},
             {"\x80\xe9\xff caf\xc3\xa9", "\x80\xe9\xff caf\xc3\xa9"}})
        EXPECT_EQ(cli::terminalText(text), shown);
}

}  // namespace
}  // namespace th::test
