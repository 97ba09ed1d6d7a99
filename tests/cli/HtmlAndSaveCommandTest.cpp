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

// The html and save commands end to end; the page and the scan file themselves are
// checked in tests/export.
struct GridOutputCommands : ::testing::Test {
    fs::path dir;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tallyhound-cli-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string at(const std::string& name) const { return (dir / name).string(); }
};

TEST_F(GridOutputCommands, HtmlReplacesThePageAndSaveWritesAFileThatScansAsTheLog) {
    std::ofstream(at("old.html")) << std::string(100000, 'x');
    auto r = test::runCli({"html", "-o", at("old.html"), kData + "/logs/sample.log"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "'" + at("old.html") + "' has been created\n");
    EXPECT_EQ(readBytes(at("old.html")), readBytes(kData + "/html/sample.expected.html"));

    auto saved = test::runCli({"save", "--output", at("sample.sf"), kData + "/logs/sample.log"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.err, "'sample.sf' has been saved\n");
    auto fromFile = test::runCli({"scan", at("sample.sf")});
    EXPECT_EQ(fromFile.out, test::runCli({"scan", kData + "/logs/sample.log"}).out);
    EXPECT_EQ(fromFile.err, "15 violations found and added to grid\n");
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

// Failures: status 1, the message, nothing printed and no file written.
TEST_F(GridOutputCommands, FailuresWriteNothing) {
    std::ofstream(at("log-named.sf"), std::ios::binary)
        << "[07.12.2002 21:14:03] VIOLATION (AIMBOT)\r\n";
    std::ofstream(at("moved.sf"), std::ios::binary)
        << "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows 1\r\n"
           "H\tGUID\tPlayer Name\tViolation\tNumber\tTimestamp\tSlot\tPlayer IP\r\n"
           "D\tabcd\tAlpha\t(AIMBOT)\t50001\t[t]\t(slot #1)\t1.2.3.4:5\r\nend\r\n";
    const std::string sample = kData + "/logs/sample.log";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"scan", sample, at("log-named.sf")}, "Not a scan file: " + at("log-named.sf")},
        {{"html", "-o", at("out"), sample, at("log-named.sf")},
         "Not a scan file: " + at("log-named.sf")},
        {{"save", "-o", at("out"), sample, at("log-named.sf")},
         "Not a scan file: " + at("log-named.sf")},
        {{"scan", sample, at("moved.sf")},
         "Scan file columns differ from the grid's: " + at("moved.sf")},
        {{"save", "-o", at("no/such/folder.sf"), sample},
         "No such file or directory: " + at("no/such/folder.sf")},
    };
    for (const auto& [args, message] : cases) {
        auto r = test::runCli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "tallyhound-cli: " + message + "\n");
        EXPECT_FALSE(fs::exists(at("out")));
    }
}

TEST_F(GridOutputCommands, NoViolationsWritesNoFileAndMisuseIsAUsageError) {
    for (const char* command : {"html", "save"}) {
        auto r = test::runCli({command, "-o", at("out"), kData + "/logs/empty.log"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.err, "No violations added to grid; " + at("out") + " not written\n");
        EXPECT_FALSE(fs::exists(at("out"))) << command;
    }
    EXPECT_EQ(test::runCli({"html", kData + "/logs/sample.log"}).status, 2);  // no -o
    EXPECT_EQ(test::runCli({"save", "-o", at("x.sf")}).status, 2);            // no input
}

}  // namespace
}  // namespace th
