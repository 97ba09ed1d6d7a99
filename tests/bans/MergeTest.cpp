#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <functional>
#include <map>
#include <sstream>

#include "bans/Merge.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

const std::string kQuestion = "\r\n\r\nWould you like to open this file now?        ";
const std::string kErrorLead = "An error has occured during a merge of this log        \r\n";

class Merging : public BanFolderTest {
  protected:
    // Puts the sample's ban file in place and its grid in the window, and answers the
    // dialog with the ban file.
    void prepare(TestWindow& w) {
        writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
        std::istringstream in(readBytes(dataPath("bans/sample.grid.tsv")));
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string_view> cells;
            for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1)
                cells.push_back(
                    std::string_view(line).substr(start, (tab = line.find('\t', start)) - start));
            w.form.vsFlexGrid1.addRow(cells);
        }
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(w.form, 0, position);
        w.scripted.files.answers.push_back({bans});
    }
    // Merges one grid row into the given ban file lines; returns the last box's text.
    std::string mergeOne(const Rows& lines, std::initializer_list<std::string_view> row) {
        TestWindow w;
        writeBytes(bans, crlf(lines));
        w.form.vsFlexGrid1.addRow(row);
        w.scripted.files.answers.push_back({bans});
        g_MergeIntoBanFile(w.form);
        return w.scripted.messages.shown.back().prompt;
    }
};

// The sample merged twice: the second time over the rewritten file adds nothing, since
// only ban lines are counted, and keeps a backup of its own.
TEST_F(Merging, SampleTwiceGivesTheExpectedFileDatabaseBackupsAndBoxes) {
    TestWindow w;
    prepare(w);
    const std::string before = readBytes(bans);
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::Yes};
    std::map<int64_t, int64_t> highest;  // the highest value shown against each maximum
    w.form.prgScanning.setListener([&](const Indicator& bar) {
        if (bar.visible() && bar.value())
            highest[bar.maximum()] = std::max(highest[bar.maximum()], bar.value());
    });
    g_MergeIntoBanFile(w.form);

    EXPECT_EQ(readBytes(bans), readBytes(dataPath("bans/sample.expected.dat")));
    const auto& shown = w.scripted.messages.shown;
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].prompt, readBytes(dataPath("bans/sample.expected.txt")) + kQuestion);
    EXPECT_EQ(shown[1].buttons, MsgButtons::YesNo);
    const FileChooserRequest& r = w.scripted.files.requests.at(0);
    EXPECT_EQ(r.title, "Select a pbbans.dat file");
    EXPECT_EQ(r.filters, (Entries{{"Punkbuster pbbans (*.dat)", "*.dat"}}));
    // Apostrophes are stored as two grave accents.
    EXPECT_EQ(sql(db, "SELECT PlayerName FROM tblVandrel WHERE IP = '\"203.0.113.9:1\"'"),
              (Rows{"\"It``s Me\""}));
    EXPECT_EQ(zipEntries(dir + "/" + filesIn(".zip").at(0)), (Entries{{"pbbans.dat", before}}));
    // Opened on Yes; hourglass while working; the grid loop over its rows (group rows
    // included), then the working table's 4 + 7 rows counted from 0.
    EXPECT_EQ(w.scripted.shell.calls.at(0).target, bans);
    EXPECT_EQ(w.scripted.cursor.history, (std::vector<int16_t>{11, 0}));
    const int64_t gridRows = w.form.vsFlexGrid1.rows() - 1;
    EXPECT_EQ(highest, (std::map<int64_t, int64_t>{{gridRows, gridRows}, {10, 10}}));

    w.scripted.files.answers.push_back({bans});
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::No};
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(readBytes(bans), readBytes(dataPath("bans/sample.expected.dat")));
    EXPECT_EQ(shown.back().prompt,
              "Merge complete. No new ban's have been written to 'pbbans.dat'        " + kQuestion);
    EXPECT_EQ(w.scripted.shell.calls.size(), 1u) << "No was answered";
    EXPECT_EQ(filesIn(".zip").size(), 2u) << "each merge keeps its own backup";
}

// A cancelled dialog and every failure leave the ban file byte for byte as it was and the
// database as it was.
TEST_F(Merging, CancelOrFailureLeavesTheFileAndTheDatabaseAsTheyWere) {
    std::string big = readBytes(dataPath("bans/sample.pbbans.dat"));
    for (int i = 0; i < 2000; ++i) big += "; padding to make the file larger than the database\r\n";
    rlimit unlimited{};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct Case {
        std::string what;
        std::function<void(TestWindow&)> setUp;
        std::string last;
        MsgIcon icon = MsgIcon::Exclamation;
    };
    rlimit limited{big.size() + 16, unlimited.rlim_max};
    // Each case is set up once the sample is in place.
    const std::vector<Case> cases = {
        {"cancel", [&](TestWindow& w) { w.scripted.files.answers.clear(); },
         "Select a pbbans.dat file, this file will be backed up and zipped before any changes "
         "are made.        \r\n\r\nIf for any reason errors occur during a merge simply revert "
         "to the last zipped pbbans.dat        \r\nand e-mail me the logs scanned that caused "
         "the errors.        ",
         MsgIcon::Information},
        {"missing database", [&](TestWindow&) { std::filesystem::remove(db); },
         kErrorLead + "Operation is not allowed when the object is closed. 3704        "},
        {"read-only", [&](TestWindow&) { ::chmod(bans.c_str(), 0444); },
         kErrorLead + "Permission denied: " + bans + " 70        "},
        {"full disk",
         [&](TestWindow&) { writeBytes(bans, big), ::setrlimit(RLIMIT_FSIZE, &limited); },
         kErrorLead + "File too large: " + bans + " 57        "},
        {"no records",
         [&](TestWindow& w) { writeBytes(bans, ";\r\n"), w.form.vsFlexGrid1.setRows(1); },
         "No records found in database. Run a merge to update database        ", MsgIcon::Critical},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow w;
        prepare(w);
        c.setUp(w);
        const std::string before = readBytes(bans);
        g_MergeIntoBanFile(w.form);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);

        EXPECT_EQ(w.scripted.messages.shown.back().prompt, c.last);
        EXPECT_EQ(w.scripted.messages.shown.back().icon, c.icon);
        EXPECT_EQ(readBytes(bans), before);
        EXPECT_EQ(std::filesystem::exists(db), c.what != "missing database") << "never created";
        if (!std::filesystem::exists(db)) sql(db, readBytes(dataPath("../../bans/schema.sql")));
        EXPECT_TRUE(
            sql(db, "SELECT GUID FROM tblVandrel UNION SELECT TempBan FROM tblTempBans").empty());
        EXPECT_TRUE(filesIn(".tmp").empty());
        EXPECT_EQ(g_cnnDatabase, nullptr);
        EXPECT_FALSE(w.form.prgScanning.visible());
        EXPECT_EQ(w.scripted.cursor.current, 0);
        EXPECT_EQ(filesIn(".zip").empty(), c.what == "cancel") << "the backup, once made, remains";
        ::chmod(bans.c_str(), 0644);
        for (const auto& zip : filesIn(".zip")) std::filesystem::remove(dir + "/" + zip);
    }
    std::signal(SIGXFSZ, previous);
}

// Only temp bans and blank lines in the file; a GUID already stored keeps its row; a reason
// not in quotes or none at all.
TEST_F(Merging, FilesOfAnyShapeAndGuidsAlreadyStored) {
    const std::string abc =
        "[03.03.2003 03:03:03] abc \"New\" \"1:1\" \"VIOLATION DETECTED -> (X) #5\"";
    mergeOne({"", ";a temp ban", "  ", ";another"},
             {"New", "(X)", "5", "[03.03.2003 03:03:03]", "(slot #2)", "abc", "1:1"});
    EXPECT_EQ(readBytes(bans), crlf({abc, "", ";a temp ban", ";another"}));

    mergeOne({"[04.04.2004 04:04:04] def \"Def\" \"2:2\" VIOLATION  DETECTED -> X #7",
              "[01.01.2003 00:00:01] jkl \"Four\" \"4:4\""},
             {"Other", "(Y)", "6", "[05.05.2005 05:05:05]", "(slot #1)", "ABC", "3:3"});
    EXPECT_EQ(readBytes(bans),
              crlf({"[01.01.2003 00:00:01] jkl \"Four\" \"4:4\" ", abc,
                    "[04.04.2004 04:04:04] def \"Def\" \"2:2\" \"VIOLATION DETECTED -> X #7\""}));
}

TEST_F(Merging, MoreLinesThanA16BitCounterHolds) {
    Rows lines;
    for (int i = 0; i < 40000; ++i)
        lines.push_back("[01.01.2003 00:00:00] guid" + std::to_string(i) + " \"P\" \"1:2\" \"r\"");
    EXPECT_EQ(
        mergeOne(lines, {"E", "(X)", "1", "[01.01.2004 00:00:00]", "(slot #1)", "extra", "1:1"}),
        "Merge complete. 40001 bans have been written to 'pbbans.dat'        " + kQuestion);
}

}  // namespace
}  // namespace th::test
