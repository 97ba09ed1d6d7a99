#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "tests/cli/CliRunner.h"

namespace th {
namespace {

const std::string kData = TALLYHOUND_TEST_DATA;
using test::readBytes;

// Each sample log's rows exactly, whatever the threads; a folder is its logs in natural
// name order, each read whole before the next, as if each were named; other files in it
// are not read.
TEST(ScanCommand, RawPrintsTheRowsOfEachLogAndFolderExactlyWithAnyThreads) {
    namespace fs = std::filesystem;
    test::ScratchFolder folder;
    const std::string& dir = folder.dir;
    fs::copy_file(kData + "/logs/sample-crlf.log", dir + "/10.log");
    fs::copy_file(kData + "/logs/sample.log", dir + "/2.log");
    fs::copy_file(kData + "/logs/empty.log", dir + "/A.LOG");
    fs::copy_file(kData + "/logs/sample.log", dir + "/notes.txt");
    const std::string sample = readBytes(kData + "/logs/sample.expected.tsv"),
                      crlf = readBytes(kData + "/logs/sample-crlf.expected.tsv");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {kData + "/logs/sample.log", sample},
        {kData + "/logs/sample-crlf.log", crlf},
        {kData + "/logs/empty.log", readBytes(kData + "/logs/empty.expected.tsv")},
        {dir, sample + crlf}};
    for (const auto& [input, expected] : cases) {
        for (std::string threads : {"", "1", "2", "5"}) {
            std::vector<std::string> args = {"scan", "--raw", input};
            if (!threads.empty()) args.insert(args.begin() + 1, {"--threads", threads});
            auto r = test::runCli(args);
            EXPECT_EQ(r.status, 0) << input << r.err;
            EXPECT_EQ(r.out, expected) << input << ' ' << threads;
        }
    }
    EXPECT_EQ(test::runCli({"scan", "--raw", dir + "/2.log", dir + "/10.log", dir + "/A.LOG"}).out,
              sample + crlf);
    EXPECT_EQ(test::runCli({"scan", dir + "/none/"}).status, 1);
    fs::create_directories(dir + "/empty");
    auto empty = test::runCli({"scan", dir + "/empty"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, "No violations added to grid\n");
}

TEST(ScanCommand, ArrangedOutputIsSortedAndSeveralFilesMakeOneGrid) {
    auto r = test::runCli({"scan", kData + "/logs/sample.log", kData + "/logs/sample-crlf.log"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);)
        names.push_back(line.substr(0, line.find('\t')));
    ASSERT_EQ(names.size(), 30u);
    EXPECT_EQ(test::Rows({names[0], names[1], names.back()}),
              test::Rows({"Alpha", "Alpha", "Smith"}));
    EXPECT_EQ(r.err, "30 violations found and added to grid\n");
}

// Under the options a console log's lines give rows stamped with its modification time,
// and names show folded; without them only its anti-cheat line is read (the rows of
// anti-cheat lines are the same either way: the row builder's test).
TEST(ScanCommand, ConsoleLinesAndFoldedNamesUnderTheirOptionsOnly) {
    const std::string log = test::consoleLogCopy();
    auto r = test::runCli({"scan", "--raw", "--console-lines", log});
    EXPECT_EQ(r.out, readBytes(kData + "/logs/console.expected.tsv"));
    EXPECT_EQ(r.err, "7 violations found and added to grid\n");
    r = test::runCli({"scan", "--fold-colours", "--console-lines", log});
    EXPECT_EQ(r.out, readBytes(kData + "/logs/console.folded.tsv"));
    r = test::runCli({"scan", "--raw", log});
    EXPECT_EQ(r.out,
              "^2Bravo\t(WALLHACK)\t50000\t[04.15.2017 20:00:00]\t(slot #2)\t"
              "aaaabbbbccccddddeeeeffff00001111\t192.0.2.2:28960\n");
    EXPECT_EQ(r.err, "1 violations found and added to grid\n");
    EXPECT_EQ(test::runCli({"scan", "--fold-colours", log}).out.substr(0, 6), "Bravo\t");
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
