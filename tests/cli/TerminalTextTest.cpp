#include <gtest/gtest.h>

#include "cli/TerminalText.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

TEST(TerminalText, NoByteReachesTheTerminalThatCouldSteerIt) {
    for (const auto& [text, shown] : std::vector<std::pair<std::string, std::string>>{
             {"plain [x] \"y\" ~", "plain [x] \"y\" ~"},
             {"back\\slash\ttab\rcr\nlf", "back\\\\slash\\ttab\\rcr\\nlf"},
             {"\x1b[2J\x1b]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
             {std::string("\0\x01\x1f\x7f", 4), "\\x00\\x01\\x1F\\x7F"},
             {"\x80\xe9\xff caf\xc3\xa9", "\x80\xe9\xff caf\xc3\xa9"}})
        EXPECT_EQ(cli::terminalText(text), shown);
}

// A player name with terminal controls and a NUL prints as escapes on its one line.
TEST_F(BanFolderTest, ScanPrintsNamesWithoutControlBytes) {
    writeBytes(dir + "/evil.log",
               std::string("[07.12.2002 21:14:03] VIOLATION (AIMBOT) #50001: E\x1b[2Jvil\0\x7f "
                           "(slot #1) x [abcd(VALID) 192.0.2.1:27960]\n",
                           102));
    CliResult r = runCli({"scan", dir + "/evil.log"});
    EXPECT_EQ(r.out,
              "E\\x1B[2Jvil\\x00\\x7F\t(AIMBOT)\t50001\t[07.12.2002 21:14:03]\t(slot #1)\t"
              "abcd\t192.0.2.1:27960\n");
}

}  // namespace
}  // namespace th::test
