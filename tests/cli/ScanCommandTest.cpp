#include <gtest/gtest.h>

#include <string>

#include "tests/cli/CliRunner.h"

namespace th {
namespace {

const std::string kData = TALLYHOUND_TEST_DATA;
using test::readBytes;

// Each sample log's rows exactly, whatever the threads; a folder without logs gives none
// (a folder's logs in natural name order are the log folder's and --new-only's tests).
TEST(ScanCommand, RawPrintsTheRowsOfEachLogExactlyWithAnyThreads) {
    for (const std::string log : {"sample", "sample-crlf", "empty"}) {
        const std::string input = kData + "/logs/" + log + ".log",
                          expected = readBytes(kData + "/logs/" + log + ".expected.tsv");
        for (std::string threads : {"", "1", "2", "5"}) {
            std::vector<std::string> args = {"scan", "--raw", input};
            if (!threads.empty()) args.insert(args.begin() + 1, {"--threads", threads});
            auto r = test::runCli(args);
            EXPECT_EQ(r.status, 0) << input << r.err;
            EXPECT_EQ(r.out, expected) << input << ' ' << threads;
        }
    }
    test::ScratchFolder empty;
    auto r = test::runCli({"scan", empty.dir});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "No violations added to grid\n");
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

TEST(ScanCommand, FailuresAndMisuseHaveTheirExitStatus) {
    auto missing = test::runCli({"scan", kData + "/logs/sample.log", "/nonexistent/x.log"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("/nonexistent/x.log"), std::string::npos);
    for (const auto& [args, status] :
         std::vector<std::pair<test::Rows, int>>{{{"scan"}, 2},
                                                 {{"scan", "--bogus", "x"}, 2},
                                                 {{"scan", "--threads", "0", "x"}, 2},
                                                 {{"scan", "--threads", "-1", "x"}, 2},
                                                 {{"scan", "--threads", "two", "x"}, 2},
                                                 {{"scan", "--threads", "100000", "x"}, 2},
                                                 {{}, 2},
                                                 {{"--help"}, 0}})
        EXPECT_EQ(test::runCli(args).status, status) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace th
