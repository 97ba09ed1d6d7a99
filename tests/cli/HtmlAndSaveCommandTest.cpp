#include <gtest/gtest.h>

#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

// The html and save commands end to end, in a scratch folder (its database unused); the page
// and the scan file themselves are checked in tests/export.
using GridOutputCommands = BanFolderTest;

// The options reach the page, which shows names folded when asked (how: the page's tests);
// save takes no folding.
TEST_F(GridOutputCommands, ThePageFoldsNamesWhenAskedAndSaveTakesNoFolding) {
    const std::string log = consoleLogCopy(), sf = dir + "/console.sf", page = dir + "/c.html";
    EXPECT_EQ(runCli({"save", "--fold-colours", "-o", sf, log}).status, 2);
    CliResult r;

    r = runCli({"html", "--console-lines", "--fold-colours", "-o", page, log});
    EXPECT_EQ(r.err, "'" + page + "' has been created, 7 records\n");
    EXPECT_NE(readBytes(page).find(" \"Jayyz\" "), std::string::npos);
}

// Failures: status 1, the message, nothing printed and no file written (a scan file's
// own refusals are the scan file's tests); a missing option: a usage error.
TEST_F(GridOutputCommands, FailuresWriteNothing) {
    const std::string bad = dir + "/log.sf", out = dir + "/out", log = dataPath("logs/sample.log");
    writeBytes(bad, "[12.07.2002 21:14:03] VIOLATION (AIMBOT)\r\n");
    for (const auto& [args, message] : std::vector<std::pair<Rows, std::string>>{
             {{"html", "-o", out, log, bad}, "Not a scan file: " + bad},
             {{"scan", log, bad}, "Not a scan file: " + bad},  // the log's rows not printed
             {{"save", "-o", dir + "/no/x", log}, "No such file or directory: " + dir + "/no/x"}}) {
        CliResult r = runCli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "tallyhound-cli: " + message + "\n");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(runCli({"html", log}).status, 2);  // no -o
}

}  // namespace
}  // namespace th::test
