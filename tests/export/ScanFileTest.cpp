#include "export/ScanFile.h"
#include "export/ScanFileFormat.h"
#include "platform/Error.h"
#include "tests/export/ExportFixtures.h"

namespace th::test {
namespace {

Cells violation(std::string name, std::string number, std::string guid = "aaaa1111") {
    return {std::move(name), "(GAMEHACK)",    std::move(number), "[12.01.2026 10:00:00]",
            "(slot #1)",     std::move(guid), "10.0.0.1:28960"};
}

const std::vector<Cells> kThreeOfTwoPlayers = {
    violation("Bob", "50100", "bbbb2222"),
    violation("Alpha", "50001"),
    violation("Alpha", "50002"),
};

// Every byte value, and the ones the layout itself uses, in every column.
const std::vector<Cells> kAwkwardCells = [] {
    std::string allBytes;
    for (int b = 255; b >= 0; --b) allBytes.push_back(static_cast<char>(b));
    return std::vector<Cells>{
        {"tab\there", "cr\rlf\nboth\r\n", std::string("nul\0nul", 7), "back\\slash\\t\\",
         "\"quoted\"", "\xe9\xff\x80", allBytes},
        {"", "", "", "", "", "", ""},
        {"end", "D\t", "\\0", "H", "S", "\r", "\\"},
        {" lead", "trail ", "TALLYHOUND SCAN FILE", "format 2", "rows 9", "columns 1", "\n"},
    };
}();

struct ScanFileCommands : FormFixture, ::testing::Test {
    ScratchDir dir;

    void fill(const std::vector<Cells>& rows) {
        addRows(grid(), rows);
        arrange();
    }
    // Saves the grid through the Save command, answering the dialog with path.
    void save(const std::string& path) {
        ports.files.answers.push_back({path});
        saveScanFileCommand(form);
    }
    void import(const std::string& path) {
        ports.files.answers.push_back({path});
        importScanFileCommand(form);
    }
    std::vector<Cells> arranged(const std::vector<Cells>& rows) {
        FormFixture other;
        addRows(other.grid(), rows);
        other.arrange();
        return dataRows(other.grid());
    }
};

TEST_F(ScanFileCommands, SaveThenImportGivesBackTheSameDataRows) {
    fill(kThreeOfTwoPlayers);
    const std::vector<Cells> before = dataRows(grid());
    save(dir / "today.sf");

    ASSERT_EQ(ports.messages.shown.size(), 1u);
    EXPECT_EQ(ports.messages.shown[0].prompt, "'today.sf' has been saved        ");
    EXPECT_EQ(ports.messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ports.messages.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(ports.messages.shown[0].title, "Quelvane - tallyhound");

    grid().setRows(1);
    import(dir / "today.sf");
    EXPECT_EQ(dataRows(grid()), before);
    EXPECT_EQ(grid().rows(), 1 + 3 + 2);  // two group rows, made again by the arrangement
    EXPECT_TRUE(grid().isSubtotal(1));
    ASSERT_EQ(ports.messages.shown.size(), 2u);  // no question: the grid was empty
    EXPECT_EQ(ports.messages.shown[1].prompt,
              "'today.sf' has been loaded, 3 records have been added        ");
    EXPECT_EQ(ports.messages.shown[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(ports.messages.shown[1].icon, MsgIcon::Information);
    EXPECT_EQ(ports.messages.shown[1].title, "Quelvane - tallyhound");
}

TEST_F(ScanFileCommands, DialogsAreSetUpForScanFiles) {
    fill(kThreeOfTwoPlayers);
    save(dir / "a.sf");
    import(dir / "a.sf");
    ASSERT_EQ(ports.files.requests.size(), 2u);
    for (const FileChooserRequest& r : ports.files.requests) {
        EXPECT_EQ(r.defaultExt, "sf");
        ASSERT_EQ(r.filters.size(), 1u);
        EXPECT_EQ(r.filters[0].first, "Scan File (*.sf)");
        EXPECT_EQ(r.filters[0].second, "*.sf");
        EXPECT_TRUE(r.center);
        EXPECT_EQ(r.owner, 4242);
    }
    EXPECT_TRUE(ports.files.requests[0].save);
    EXPECT_EQ(ports.files.requests[0].title, "Save scanned violations log");
    EXPECT_EQ(ports.files.requests[0].flags, 0x80806u | 0x20u);
    EXPECT_FALSE(ports.files.requests[1].save);
    EXPECT_EQ(ports.files.requests[1].title, "Select scanned violations log");
    EXPECT_EQ(ports.files.requests[1].flags, 0x181804u | 0x20u);
}

TEST_F(ScanFileCommands, EveryByteOfEveryCellSurvives) {
    addRows(grid(), kAwkwardCells);  // unarranged: the file keeps the grid's own order
    writeScanFile(grid(), dir / "awkward.sf");
    ScanFileContents read = readScanFile(dir / "awkward.sf");
    ASSERT_EQ(read.rowCount(), 4);
    ASSERT_EQ(read.columns, 7);
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 7; ++c)
            EXPECT_EQ(read.cell(r, c),
                      kAwkwardCells[static_cast<size_t>(r)][static_cast<size_t>(c)])
                << r << "," << c;
    EXPECT_EQ(read.header, (Cells{"Player Name", "Violation", "Number", "Timestamp", "Slot", "GUID",
                                  "Player IP"}));

    // And through the commands, where the arrangement sorts them.
    grid().setRows(1);
    fill(kAwkwardCells);
    save(dir / "awkward2.sf");
    grid().setRows(1);
    import(dir / "awkward2.sf");
    EXPECT_EQ(dataRows(grid()), arranged(kAwkwardCells));
    EXPECT_EQ(ports.messages.shown.back().prompt,
              "'awkward2.sf' has been loaded, 4 records have been added        ");
}

TEST_F(ScanFileCommands, FileLayoutIsAsWritten) {
    addRows(grid(), {{"A\tB", "x\\y", "", "", "", "", "\r\n"}});
    grid().select(1, 0);
    grid().subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor, true);
    writeScanFile(grid(), dir / "layout.sf");
    EXPECT_EQ(readBytes(dir / "layout.sf"),
              "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows 2\r\n"
              "H\tPlayer Name\tViolation\tNumber\tTimestamp\tSlot\tGUID\tPlayer IP\r\n"
              "S\tA\\tB\t\t\t\t\t\t\r\n"
              "D\tA\\tB\tx\\\\y\t\t\t\t\t\\r\\n\r\n"
              "end\r\n");
}

TEST_F(ScanFileCommands, SampleFileLoadsWithoutItsGroupRows) {
    fill({violation("Old", "50000")});
    form.pnlLogPathToFile.setCaption("/logs/server.log");
    form.lblNumberLinesScanned.setCaption("1234");
    import(kData + "/scan/two-players.sf");
    EXPECT_EQ(form.pnlLogPathToFile.caption(), "/logs/server.log");
    EXPECT_EQ(form.lblNumberLinesScanned.caption(), "1234");
    EXPECT_EQ(dataRows(grid()), (std::vector<Cells>{
                                    violation("Alpha", "50001"),
                                    {"Alpha", "(GAMEHACK)", "50002", "[12.01.2026 10:05:00]",
                                     "(slot #1)", "aaaa1111", "10.0.0.1:28960"},
                                    {"B\\ob\t\"\xe9", "(AIMBOT)", "50100", "[12.01.2026 11:00:00]",
                                     "(slot #2)", "bbbb2222", "10.0.0.2:28960"},
                                }));
    ASSERT_EQ(ports.messages.shown.size(), 2u);
    EXPECT_EQ(ports.messages.shown[0].prompt, "Grid will be cleared of all records, OK?        ");
    EXPECT_EQ(ports.messages.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(ports.messages.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(ports.messages.shown[0].title, "Quelvane - tallyhound");
    EXPECT_EQ(ports.messages.shown[1].prompt,
              "'two-players.sf' has been loaded, 3 records have been added        ");
}

TEST_F(ScanFileCommands, ImportAnsweredNoKeepsTheGrid) {
    fill(kThreeOfTwoPlayers);
    const std::vector<Cells> before = dataRows(grid());
    ports.messages.answers.push_back(MsgResult::No);
    import(kData + "/scan/two-players.sf");
    EXPECT_EQ(dataRows(grid()), before);
    EXPECT_EQ(ports.messages.shown.size(), 1u);  // the question only
}

TEST_F(ScanFileCommands, SaveOfAHeaderOnlyGridDoesNothing) {
    saveScanFileCommand(form);
    EXPECT_TRUE(ports.files.requests.empty());
    EXPECT_TRUE(ports.messages.shown.empty());
}

TEST_F(ScanFileCommands, CancelledDialogsDoNothing) {
    fill(kThreeOfTwoPlayers);
    const std::vector<Cells> before = dataRows(grid());
    saveScanFileCommand(form);
    importScanFileCommand(form);
    EXPECT_EQ(ports.files.requests.size(), 2u);
    EXPECT_TRUE(ports.messages.shown.empty());
    EXPECT_EQ(dataRows(grid()), before);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(ScanFileCommands, SaveOverAnExistingFileReplacesItWhole) {
    fill(kThreeOfTwoPlayers);
    writeBytes(dir / "old.sf", std::string(50000, 'x'));
    save(dir / "old.sf");
    ScanFileContents read = readScanFile(dir / "old.sf");
    EXPECT_EQ(read.rowCount(), 5);
}

TEST_F(ScanFileCommands, SaveThatCannotWriteRaisesAndSaysNothing) {
    fill(kThreeOfTwoPlayers);
    writeBytes(dir / "kept.sf", "what was there");
    {
        FileSizeLimit limit(64);
        try {
            save(dir / "kept.sf");
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 57);
            EXPECT_EQ(e.description(), "File too large: " + (dir / "kept.sf"));
        }
    }
    EXPECT_TRUE(ports.messages.shown.empty());
    EXPECT_EQ(readBytes(dir / "kept.sf"), "what was there");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Files that must be refused, each with the description of the error it raises.
TEST_F(ScanFileCommands, BadFilesAreRefusedAndTheGridKeepsItsRows) {
    const std::string good = readBytes(kData + "/scan/two-players.sf");
    auto with = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        std::string description;  // before ": " + path
    } cases[] = {
        {"an empty file", "", "Not a scan file"},
        {"a log", "[12.01.2026 10:00:00] PunkBuster Server: Player List\r\n", "Not a scan file"},
        {"a byte-order mark", "\xef\xbb\xbf" + good, "Not a scan file"},
        {"a newer format", with("format 1", "format 2"),
         "Scan file written by a newer version of Tallyhound (format 2)"},
        {"a far newer format", with("format 1\r\ncolumns 7", "format 12\r\nwhatever comes"),
         "Scan file written by a newer version of Tallyhound (format 12)"},
        {"format zero", with("format 1", "format 0"),
         "Scan file damaged at line 2 (unknown format)"},
        {"no format", with("format 1", "formats"), "Scan file damaged at line 2 (expected format)"},
        {"negative rows", with("rows 5", "rows -5"), "Scan file damaged at line 4 (bad rows)"},
        {"no columns", with("columns 7", "columns 0"),
         "Scan file damaged at line 3 (bad column count)"},
        {"fewer rows than announced", with("rows 5", "rows 6"),
         "Scan file damaged at line 11 (no row flag)"},
        {"more rows than announced", with("rows 5", "rows 4"),
         "Scan file damaged at line 10 (more rows than announced)"},
        {"a row count past the file's end", with("rows 5", "rows 2000000000"),
         "Scan file cut short"},
        {"a missing cell", with("\t(AIMBOT)", ""), "Scan file damaged at line 10 (too few cells)"},
        {"an extra cell", with("10.0.0.2:28960", "10.0.0.2:28960\tx"),
         "Scan file damaged at line 10 (too many cells)"},
        {"an unknown escape", with("\t(AIMBOT)", "\t(AIM\\qBOT)"),
         "Scan file damaged at line 10 (broken escape)"},
        {"a header without its flag", with("H\tPlayer", "Player"),
         "Scan file damaged at line 5 (no row flag)"},
        {"a row marked as a header",
         with("D\tAlpha\t(GAMEHACK)\t50001", "H\tAlpha\t(GAMEHACK)\t50001"),
         "Scan file damaged at line 7 (bad row flag)"},
        {"text after the end", good + "D\tx\r\n",
         "Scan file damaged at line 11 (text after the end line)"},
        {"no end line", with("end\r\n", ""), "Scan file cut short"},
    };
    fill(kThreeOfTwoPlayers);
    const std::vector<Cells> before = dataRows(grid());
    const int32_t rowsBefore = grid().rows();
    for (const Case& c : cases) {
        const std::string path = dir / "bad.sf";
        writeBytes(path, c.bytes);
        ports.messages.shown.clear();
        try {
            import(path);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 321) << c.what;
            EXPECT_EQ(e.description(), c.description + ": " + path) << c.what;
        }
        EXPECT_TRUE(ports.messages.shown.empty()) << c.what << ": no question, no message";
        EXPECT_EQ(dataRows(grid()), before) << c.what;
        EXPECT_EQ(grid().rows(), rowsBefore) << c.what;
    }
}

TEST_F(ScanFileCommands, AFileCutShortAnywhereIsRefused) {
    fill(kAwkwardCells);
    writeScanFile(grid(), dir / "whole.sf");
    const std::string whole = readBytes(dir / "whole.sf");
    const std::vector<Cells> before = dataRows(grid());
    // Only the last CR LF may go: the end line itself is then still whole.
    for (size_t size = 0; size + 2 < whole.size(); ++size) {
        writeBytes(dir / "cut.sf", whole.substr(0, size));
        try {
            import(dir / "cut.sf");
            ADD_FAILURE() << "accepted at " << size << " of " << whole.size();
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 321);
        }
    }
    EXPECT_EQ(dataRows(grid()), before);
    EXPECT_TRUE(ports.messages.shown.empty());
    writeBytes(dir / "cut.sf", whole.substr(0, whole.size() - 2));
    EXPECT_EQ(readScanFile(dir / "cut.sf").rowCount(), grid().rows() - 1);
}

TEST_F(ScanFileCommands, MissingFileRaisesItsSystemError) {
    fill(kThreeOfTwoPlayers);
    try {
        import(dir / "gone.sf");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 53);
        EXPECT_EQ(e.description(), "No such file or directory: " + (dir / "gone.sf"));
    }
    EXPECT_EQ(dataRows(grid()).size(), 3u);
}

TEST_F(ScanFileCommands, LinesEndingInLfAloneAreRead) {
    std::string lf = readBytes(kData + "/scan/two-players.sf");
    std::erase(lf, '\r');
    writeBytes(dir / "lf.sf", lf);
    EXPECT_EQ(readScanFile(dir / "lf.sf").rowCount(), 5);
}

TEST_F(ScanFileCommands, GroupRowsNeverComeBackAsData) {
    // A group row whose texts would pass for a violation.
    std::string bytes = readBytes(kData + "/scan/two-players.sf");
    bytes.replace(bytes.find("S\tAlpha\t\t\t\t\t\t"), 14,
                  "S\tAlpha\t(X)\t1\t[t]\t(slot #9)\tg\tip");
    writeBytes(dir / "groups.sf", bytes);
    import(dir / "groups.sf");
    EXPECT_EQ(dataRows(grid()).size(), 3u);
    EXPECT_EQ(ports.messages.shown.back().prompt,
              "'groups.sf' has been loaded, 3 records have been added        ");
}

TEST_F(ScanFileCommands, ImportTakesTheFilesHeaderAndColumns) {
    std::string bytes =
        "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 2\r\nrows "
        "1\r\nH\tGUID\tName\r\nD\tg1\tn1\r\nend\r\n";
    writeBytes(dir / "two.sf", bytes);
    fill(kThreeOfTwoPlayers);
    import(dir / "two.sf");
    EXPECT_EQ(grid().cols(), 2);
    EXPECT_EQ(grid().textMatrix(0, 0), "GUID");
    EXPECT_EQ(dataRows(grid()), (std::vector<Cells>{{"g1", "n1"}}));
}

}  // namespace
}  // namespace th::test
