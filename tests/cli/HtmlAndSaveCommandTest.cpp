#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/cli/CliRunner.h"

namespace th {
namespace {

namespace fs = std::filesystem;

const std::string kData = TALLYHOUND_TEST_DATA;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct GridOutputCommands : ::testing::Test {
    fs::path dir;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tallyhound-cli-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string at(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(GridOutputCommands, HtmlOfALogIsThePageOfItsArrangedRows) {
    std::ofstream(at("bans.html")) << std::string(100000, 'x');  // replaced whole
    auto r = test::runCli({"html", "-o", at("bans.html"), kData + "/logs/sample.log"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "'" + at("bans.html") + "' has been created\n");
    EXPECT_EQ(readBytes(at("bans.html")), readBytes(kData + "/html/sample.expected.html"));
}

TEST_F(GridOutputCommands, SaveThenScanGivesTheLogsRows) {
    auto saved = test::runCli({"save", "--output", at("sample.sf"), kData + "/logs/sample.log"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.err, "'sample.sf' has been saved\n");
    auto fromLog = test::runCli({"scan", kData + "/logs/sample.log"});
    auto fromFile = test::runCli({"scan", at("sample.sf")});
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, fromLog.out);
    EXPECT_EQ(fromFile.err, "15 violations found and added to grid\n");

    // A scan file and a log make one grid, as an import without clearing would.
    auto both = test::runCli({"scan", at("sample.sf"), kData + "/logs/sample-crlf.log"});
    auto twoLogs =
        test::runCli({"scan", kData + "/logs/sample.log", kData + "/logs/sample-crlf.log"});
    EXPECT_EQ(both.out, twoLogs.out);

    // And the page from the scan file is the page from the log.
    ASSERT_EQ(test::runCli({"html", "-o", at("from-sf.html"), at("sample.sf")}).status, 0);
    EXPECT_EQ(readBytes(at("from-sf.html")), readBytes(kData + "/html/sample.expected.html"));
}

TEST_F(GridOutputCommands, ScanPrintsAScanFilesDataRowsOnly) {
    auto r = test::runCli({"scan", "--raw", kData + "/scan/two-players.sf"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "Alpha\t(GAMEHACK)\t50001\t[12.01.2026 10:00:00]\t(slot #1)\taaaa1111\t10.0.0.1:28960\n"
        "Alpha\t(GAMEHACK)\t50002\t[12.01.2026 10:05:00]\t(slot #1)\taaaa1111\t10.0.0.1:28960\n"
        "B\\\\ob\\t\"\xe9\t(AIMBOT)\t50100\t[12.01.2026 11:00:00]\t(slot "
        "#2)\tbbbb2222\t10.0.0.2:28960\n");
}

TEST_F(GridOutputCommands, ABadScanFileFailsTheCommandAndWritesNothing) {
    std::ofstream(at("log-named.sf"), std::ios::binary)
        << "[07.12.2002 21:14:03] VIOLATION (AIMBOT)\r\n";
    for (const char* command : {"scan", "html", "save"}) {
        std::vector<std::string> args{command};
        if (std::string(command) != "scan") args.insert(args.end(), {"-o", at("out")});
        args.push_back(kData + "/logs/sample.log");
        args.push_back(at("log-named.sf"));
        auto r = test::runCli(args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(r.err, "tallyhound-cli: Not a scan file: " + at("log-named.sf") + "\n")
            << command;
        EXPECT_FALSE(fs::exists(at("out"))) << command;
    }
}

TEST_F(GridOutputCommands, AScanFileWithOtherColumnsIsNotMixedIn) {
    std::ofstream(at("moved.sf"), std::ios::binary)
        << "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows 1\r\n"
           "H\tGUID\tPlayer Name\tViolation\tNumber\tTimestamp\tSlot\tPlayer IP\r\n"
           "D\tabcd\tAlpha\t(AIMBOT)\t50001\t[t]\t(slot #1)\t1.2.3.4:5\r\nend\r\n";
    auto r = test::runCli({"scan", kData + "/logs/sample.log", at("moved.sf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "tallyhound-cli: Scan file columns differ from the grid's: " + at("moved.sf") + "\n");
}

TEST_F(GridOutputCommands, NoViolationsWritesNoFile) {
    for (const char* command : {"html", "save"}) {
        auto r = test::runCli({command, "-o", at("out"), kData + "/logs/empty.log"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.err, "No violations added to grid; " + at("out") + " not written\n");
        EXPECT_FALSE(fs::exists(at("out"))) << command;
    }
}

TEST_F(GridOutputCommands, MisuseIsAUsageErrorAndAFailedWriteAnError) {
    EXPECT_EQ(test::runCli({"html", kData + "/logs/sample.log"}).status, 2);  // no -o
    EXPECT_EQ(test::runCli({"save", "-o", at("x.sf")}).status, 2);            // no input
    auto unwritable =
        test::runCli({"save", "-o", at("no/such/folder.sf"), kData + "/logs/sample.log"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err,
              "tallyhound-cli: No such file or directory: " + at("no/such/folder.sf") + "\n");
}

}  // namespace
}  // namespace th
