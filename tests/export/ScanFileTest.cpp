#include <sys/resource.h>

#include <csignal>

#include "export/ScanFile.h"
#include "export/ScanFileFormat.h"
#include "platform/Error.h"
#include "tests/export/ExportFixtures.h"

namespace th::test {
namespace {

const std::string kSample = kData + "/scan/two-players.sf";

struct ScanFileCommands : FormFixture, ::testing::Test {
    ScratchDir dir;
    const std::vector<Cells> kTwoRows = {
        // in the arrangement's order
        {"Alpha", "(GAMEHACK)", "50001", "[12.01.2026]", "(slot #2)", "aaaa1111", "10.0.0.2"},
        {"Bob", "(GAMEHACK)", "50100", "[12.01.2026]", "(slot #1)", "bbbb2222", "10.0.0.1"}};

    void fill(const std::vector<Cells>& rows) {
        addRows(grid(), rows);
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
    void save(const std::string& path) {
        ports.files.answers.push_back({path});
        saveScanFileCommand(form);
    }
    void import(const std::string& path) {
        ports.files.answers.push_back({path});
        importScanFileCommand(form);
    }
    const ShownBox& lastBox() { return ports.messages.shown.back(); }
};

TEST_F(ScanFileCommands, EveryByteOfEveryCellSurvivesSaveAndImport) {
    std::string allBytes;
    for (int b = 255; b >= 0; --b) allBytes.push_back(static_cast<char>(b));
    fill({{"tab\there", "cr\rlf\nboth\r\n", std::string("nul\0nul", 7), "back\\slash\\t\\",
           "\"quoted\"", "\xe9\xff\x80", allBytes},
          {"", "", "", "", "", "", ""},
          {"end", "D\t", "\\0", "H", "S", "\r", "\\"},
          {" lead", "trail ", "TALLYHOUND SCAN FILE", "format 2", "rows 9", "columns 1", "\n"}});
    const std::vector<Cells> before = dataRows(grid());
    writeBytes(dir / "today.sf", std::string(50000, 'x'));  // replaced whole
    save(dir / "today.sf");
    EXPECT_EQ(lastBox().prompt, "'today.sf' has been saved        ");
    grid().setRows(1);
    import(dir / "today.sf");
    EXPECT_EQ(dataRows(grid()), before);
    ASSERT_EQ(ports.messages.shown.size(), 2u);  // no question: the grid was empty
    EXPECT_EQ(lastBox().prompt, "'today.sf' has been loaded, 4 records have been added        ");

    const std::vector<FileChooserRequest>& asked = ports.files.requests;
    EXPECT_EQ(asked.at(0).title, "Save scanned violations log");
    EXPECT_EQ(asked.at(1).title, "Select scanned violations log");
    EXPECT_EQ(asked[1].filters.at(0).first, "Scan File (*.sf)");
}

TEST_F(ScanFileCommands, FileLayoutIsAsWritten) {
    addRows(grid(), {{"A\tB", "x\\y", "", "", "", "", "\r\n"}});
    groupRows();
    writeScanFile(grid(), dir / "layout.sf");
    EXPECT_EQ(readBytes(dir / "layout.sf"),
              "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows 2\r\n"
              "H\tPlayer Name\tViolation\tNumber\tTimestamp\tSlot\tGUID\tPlayer IP\r\n"
              "S\tA\\tB\t\t\t\t\t\t\r\n"
              "D\tA\\tB\tx\\\\y\t\t\t\t\t\\r\\n\r\n"
              "end\r\n");
}

// The sample with LF line ends, no last line end, a header of its own, and a group row
// whose texts would pass for a violation: group rows never come back as data.
TEST_F(ScanFileCommands, ImportAsksFirstAndLeavesTheFilesGroupRows) {
    std::string bytes = readBytes(kSample);
    bytes.replace(bytes.find("S\tAlpha\t\t\t\t\t\t"), 14,
                  "S\tAlpha\t(X)\t1\t[t]\t(slot #9)\tg\tip");
    bytes.replace(bytes.find("Player IP"), 9, "Address");
    std::erase(bytes, '\r');
    bytes.pop_back();
    writeBytes(dir / "groups.sf", bytes);
    fill(kTwoRows);
    form.pnlLogPathToFile.setCaption("/logs/server.log");
    form.lblNumberLinesScanned.setCaption("1234");
    ports.messages.answers = {MsgResult::No};
    import(dir / "groups.sf");
    EXPECT_EQ(dataRows(grid()), kTwoRows);
    EXPECT_EQ(lastBox().prompt, "Grid will be cleared of all records, OK?        ");
    EXPECT_EQ(lastBox().buttons, MsgButtons::YesNo);
    EXPECT_EQ(lastBox().icon, MsgIcon::Question);

    import(dir / "groups.sf");
    EXPECT_EQ(lastBox().prompt, "'groups.sf' has been loaded, 3 records have been added        ");
    EXPECT_EQ(form.pnlLogPathToFile.caption(), "/logs/server.log");
    EXPECT_EQ(form.lblNumberLinesScanned.caption(), "1234");
    EXPECT_EQ(grid().cell(0, 6), "Address");
    ASSERT_EQ(dataRows(grid()).size(), 3u);
    EXPECT_EQ(dataRows(grid())[2][0], "B\\ob\t\"\xe9");
}

TEST_F(ScanFileCommands, CancelledDialogsAndAnEmptyGridDoNothing) {
    saveScanFileCommand(form);  // header only: asks nothing
    fill(kTwoRows);
    saveScanFileCommand(form);
    importScanFileCommand(form);
    EXPECT_EQ(ports.files.requests.size(), 2u);
    EXPECT_TRUE(ports.messages.shown.empty());
    EXPECT_EQ(dataRows(grid()).size(), 2u);
    EXPECT_EQ(dir.entries(), 0);
}

TEST_F(ScanFileCommands, SaveOnAFullDiskRaisesAndKeepsTheOldFile) {
    fill(kTwoRows);
    writeBytes(dir / "kept.sf", "what was there");
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 64;  // writes past it fail as on a full disk
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(save(dir / "kept.sf"), Error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(ports.messages.shown.empty());
    EXPECT_EQ(readBytes(dir / "kept.sf"), "what was there");
    EXPECT_EQ(dir.entries(), 1);  // no stray temporary
}

// Files that must be refused, each with the description of the error it raises (none
// given: any), without a question and without touching the grid.
TEST_F(ScanFileCommands, BadFilesAreRefusedAndTheGridKeepsItsRows) {
    const std::string good = readBytes(kSample);
    auto with = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        return s.replace(s.find(from), from.size(), to);
    };
    std::vector<std::pair<std::string, std::string>> cases = {
        {"[12.01.2026 10:00:00] PunkBuster Server: Player List\r\n", "Not a scan file"},
        {with("format 1\r\ncolumns 7", "format 12\r\nwhatever"),
         "Scan file written by a newer version of Tallyhound (format 12)"},
        {with("format 1", "format 0"), "Scan file damaged at line 2 (unknown format)"},
        {with("format 1", "formats"), "Scan file damaged at line 2 (expected format)"},
        {with("columns 7", "columns 0"), "Scan file damaged at line 3 (bad column count)"},
        {with("rows 5", "rows -5"), "Scan file damaged at line 4 (bad rows)"},
        {with("rows 5", "rows 6"), "Scan file damaged at line 11 (no row flag)"},
        {with("rows 5", "rows 4"), "Scan file damaged at line 10 (more rows than announced)"},
        {with("rows 5", "rows 2000000000"), "Scan file cut short"},
        {with("\t(AIMBOT)", ""), "Scan file damaged at line 10 (too few cells)"},
        {with("10.0.0.2:28960", "10.0.0.2:28960\tx"),
         "Scan file damaged at line 10 (too many cells)"},
        {with("\t(AIMBOT)", "\t(AIM\\qBOT)"), "Scan file damaged at line 10 (broken escape)"},
        {with("D\tAlpha", "H\tAlpha"), "Scan file damaged at line 7 (bad row flag)"},
        {good + "D\tx\r\n", "Scan file damaged at line 11 (text after the end line)"},
    };
    // Cut short anywhere; only the last CR LF may go, the end line then still whole.
    for (size_t size = 0; size + 2 < good.size(); ++size)
        cases.push_back({good.substr(0, size), ""});
    fill(kTwoRows);
    const int32_t rowsBefore = grid().rows();
    for (const auto& [bytes, description] : cases) {
        std::filesystem::remove(dir / "bad.sf");  // a fresh file: no flush on truncation
        writeBytes(dir / "bad.sf", bytes);
        try {
            import(dir / "bad.sf");
            ADD_FAILURE() << "accepted: " << bytes;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 321) << bytes;
            if (!description.empty()) {
                EXPECT_EQ(e.description(), description + ": " + (dir / "bad.sf"));
            }
        }
    }
    EXPECT_TRUE(ports.messages.shown.empty());
    EXPECT_EQ(dataRows(grid()), kTwoRows);
    EXPECT_EQ(grid().rows(), rowsBefore);
}

}  // namespace
}  // namespace th::test
