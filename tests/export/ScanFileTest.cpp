#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <set>

#include "export/ScanFile.h"
#include "platform/Error.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/ColumnMoves.h"
#include "tests/support/GridForm.h"

namespace th::test {
namespace {

const std::string kSample = dataPath("scan/two-players.sf");
// In the arrangement's order.
const std::vector<Cells> kTwoRows = {
    {"Alpha", "(GAMEHACK)", "50001", "[01.12.2026]", "(slot #2)", "aaaa1111", "10.0.0.2"},
    {"Bob", "(GAMEHACK)", "50100", "[01.12.2026]", "(slot #1)", "bbbb2222", "10.0.0.1"}};

struct ScanFileCommands : FormFixture, ::testing::Test {
    void fill(const std::vector<Cells>& rows) {
        addRows(rows);
        arrange();
    }
    std::string lastPrompt() const { return scripted.messages.shown.back().prompt; }
};

TEST_F(ScanFileCommands, EveryByteOfEveryCellSurvivesSaveAndImport) {
    std::string allBytes;
    for (int b = 255; b >= 0; --b) allBytes.push_back(static_cast<char>(b));
    fill({{"tab\there", "cr\rlf\nboth\r\n", std::string("nul\0nul", 7), "back\\slash\\t\\",
           "\"quoted\"", "\xe9\xff\x80", allBytes},
          {"", "", "", "", "", "", ""},
          {" lead", "trail ", "TALLYHOUND SCAN FILE", "D\t", "rows 9", "end", "\\0"}});
    const std::vector<Cells> before = rows();
    writeBytes(dir + "/today.sf", std::string(50000, 'x'));  // replaced whole
    run(saveScanFileCommand, dir + "/today.sf");
    grid.setRows(1);
    run(importScanFileCommand, dir + "/today.sf");
    EXPECT_EQ(rows(), before);
    ASSERT_EQ(scripted.messages.shown.size(), 2u);  // no question: the grid was empty
    EXPECT_EQ(scripted.messages.shown[0].prompt, "'today.sf' has been saved        ");
    EXPECT_EQ(lastPrompt(), "'today.sf' has been loaded, 3 records have been added        ");
}

// The sample with LF line ends, no last line end, a header of its own, and a group row
// whose texts would pass for a violation: group rows never come back as data. Saved
// again, it is the sample with its header, byte for byte.
TEST_F(ScanFileCommands, ImportAsksFirstAndLeavesTheFilesGroupRows) {
    const std::string sample = readBytes(kSample);
    std::string bytes = sample;
    bytes.replace(bytes.find("S\tAlpha\t\t\t\t\t\t"), 14,
                  "S\tAlpha\t(X)\t1\t[t]\t(slot #9)\tg\tip");
    std::erase(bytes, '\r');
    writeBytes(dir + "/groups.sf", bytes.substr(0, bytes.size() - 1));
    fill(kTwoRows);
    const std::vector<Cells> before = rows();
    scripted.messages.answers = {MsgResult::No};
    run(importScanFileCommand, dir + "/groups.sf");
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(lastPrompt(), "Grid will be cleared of all records, OK?        ");
    run(importScanFileCommand, dir + "/groups.sf");
    run(saveScanFileCommand, dir + "/again.sf");
    EXPECT_EQ(readBytes(dir + "/again.sf"), sample);
}

// Saved after a column was dragged anywhere, the file's header is the grid's as shown;
// it imports, each cell under its own title, into a grid whose columns stand as at start.
TEST_F(ScanFileCommands, AFileSavedAfterAColumnMoveImportsUnderTheSameTitles) {
    for (auto move : everyColumnMove()) {
        SCOPED_TRACE(moveName(move));
        FormFixture moved;
        moved.addRows(kTwoRows);
        moved.grid.moveColumn(move.first, move.second);
        int32_t position = move.second;
        vsFlexGrid1_AfterMoveColumn(moved.form, move.first, position);
        const Cells titles = moved.rows()[0];
        std::string header = "H";
        for (const std::string& title : titles) header += "\t" + title;
        const std::string path = moved.dir + "/moved.sf";
        moved.run(saveScanFileCommand, path);
        EXPECT_NE(readBytes(path).find("\r\n" + header + "\r\n"), std::string::npos);

        FormFixture plain;
        plain.run(importScanFileCommand, path);
        const std::vector<std::string> want = dataRowsByTitle(moved.grid),
                                       got = dataRowsByTitle(plain.grid);
        EXPECT_EQ(std::multiset<std::string>(got.begin(), got.end()),
                  std::multiset<std::string>(want.begin(), want.end()));
        EXPECT_EQ(plain.rows()[0], Cells(kGridColumnTitles.begin(), kGridColumnTitles.end()));
    }
}

// Files that must be refused raise
// the error with its description (none given: any) before any question and leave the
// grid as it was; a save that fails part way leaves the old file as it was.
TEST_F(ScanFileCommands, FailuresKeepTheGridAndTheOldFile) {
    fill(kTwoRows);
    const std::vector<Cells> before = rows();

    const std::string good = readBytes(kSample);
    auto with = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        return s.replace(s.find(from), from.size(), to);
    };
    std::vector<std::pair<std::string, std::string>> cases = {
        {with("format 1", "format 12"),
         "Scan file written by a newer version of Tallyhound (format 12)"},
        {with("rows 5", "rows 6"), "Scan file damaged at line 11 (no row flag)"},
        {with("format 1", "format 01"), "Scan file damaged at line 2 (bad format)"},
        {with("rows 5", "rows 4"), "Scan file damaged at line 10 (more rows than announced)"},
        {with("rows 5", "rows 2000000000"), "Scan file cut short"},
        {with("\t(AIMBOT)", ""), "Scan file damaged at line 10 (too few cells)"},
        {with("Player IP", "Address"), "Scan file columns are not the grid's seven columns"},
        {with("\t(AIMBOT)", "\t(AIMBOT)\textra"), "Scan file damaged at line 10 (too many cells)"},
        {good + "x\r\n", "Scan file damaged at line 11 (text after the end line)"},
    };
    // Cut short anywhere; only the last CR LF may go, the end line then still whole.
    for (size_t size = 0; size + 2 < good.size(); ++size)
        cases.push_back({good.substr(0, size), ""});
    for (const auto& [bytes, description] : cases) {
        std::filesystem::remove(dir + "/bad.sf");  // a fresh file: no flush on truncation
        writeBytes(dir + "/bad.sf", bytes);
        const std::string error = raised([&] { run(importScanFileCommand, dir + "/bad.sf"); });
        if (description.empty())
            EXPECT_TRUE(error.starts_with("Tallyhound 321: ")) << bytes << "\n" << error;
        else
            EXPECT_EQ(error, "Tallyhound 321: " + description + ": " + dir + "/bad.sf");
    }

    writeBytes(dir + "/bad.sf", "what was there");
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{64, saved.rlim_max};  // writes past 64 bytes fail as on a full disk
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(run(saveScanFileCommand, dir + "/bad.sf"), Error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(readBytes(dir + "/bad.sf"), "what was there");
    EXPECT_EQ(entries(), 1);  // no stray temporary
    EXPECT_TRUE(scripted.messages.shown.empty());
    EXPECT_EQ(rows(), before);
}

}  // namespace
}  // namespace th::test
