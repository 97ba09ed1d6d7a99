#include <gtest/gtest.h>

#include <string>

#include "tests/cli/CliRunner.h"

namespace th {
namespace {

const std::string kData = TALLYHOUND_TEST_DATA;
using test::readBytes;

// The rows of a log exactly, with the threads asked for (the same rows whatever the threads
// is the scanner's test).
TEST(ScanCommand, RawPrintsTheRowsOfTheLogExactly) {
    auto r = test::runCli({"scan", "--threads", "2", "--raw", kData + "/logs/sample.log"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, readBytes(kData + "/logs/sample.expected.tsv"));
}

// Under the options a console log's lines give rows stamped with its modification time,
// and names show folded (without them only its anti-cheat line is read: the scanner's test).
TEST(ScanCommand, ConsoleLinesAndFoldedNamesUnderTheirOptionsOnly) {
    const std::string log = test::consoleLogCopy();
    auto r = test::runCli({"scan", "--raw", "--console-lines", log});
    EXPECT_EQ(r.out, readBytes(kData + "/logs/console.expected.tsv"));
    EXPECT_EQ(r.err, "7 violations found and added to grid\n");
    r = test::runCli({"scan", "--fold-colours", "--console-lines", log});
    EXPECT_EQ(r.out, readBytes(kData + "/logs/console.folded.tsv"));
}

// Misuse is a usage error (an input that fails after a good one: the grid outputs' test).
TEST(ScanCommand, MisuseIsAUsageError) {
    for (const auto& [args, status] :
         std::vector<std::pair<test::Rows, int>>{{{"scan"}, 2},
                                                 {{"scan", "--threads", "0", "x"}, 2},
                                                 {{}, 2},
                                                 {{"--help"}, 0}})
        EXPECT_EQ(test::runCli(args).status, status) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace th
