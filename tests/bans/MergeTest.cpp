#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <functional>
#include <regex>

#include "bans/DatabaseUtilities.h"
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
        writeBytes(banFile, readBytes(dataPath("bans/sample.pbbans.dat")));
        std::istringstream in(readBytes(dataPath("bans/sample.grid.tsv")));
        for (std::string line; std::getline(in, line);) {
            if (line.empty()) continue;
            std::vector<std::string> cells;
            for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1)
                cells.push_back(line.substr(start, (tab = line.find('\t', start)) - start));
            w.form.vsFlexGrid1.addRow(std::vector<std::string_view>(cells.begin(), cells.end()));
        }
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(w.form, 0, position);
        w.scripted.files.answers.push_back({banFile});
    }
    // Merges one grid row into the given ban file lines; returns the report's first part.
    std::string mergeOne(const Rows& lines, std::initializer_list<std::string_view> row) {
        TestWindow w;
        writeBytes(banFile, crlf(lines));
        w.add(row);
        w.scripted.files.answers.push_back({banFile});
        g_MergeIntoBanFile(w.form);
        std::string prompt = w.scripted.messages.shown.back().prompt;
        return prompt.substr(0, prompt.size() - std::min(prompt.size(), kQuestion.size()));
    }
    Rows vandrel() const { return sql(db, "SELECT * FROM qrySelectAllVandrelOrderByTimeStamp"); }
    Rows tempBans() const { return sql(db, "SELECT * FROM qrySelectAllTempBans"); }
    Rows strays() const { return filesIn(".tmp"); }  // temporaries beside the ban file

    std::string banFile;
    void SetUp() override {
        BanFolderTest::SetUp();
        banFile = dir + "/pbbans.dat";
    }
};

TEST_F(Merging, SampleGivesTheExpectedFileDatabaseBackupAndBoxes) {
    TestWindow w;
    prepare(w);
    const std::string before = readBytes(banFile);
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::Yes};
    // Each maximum the progress bar showed and the highest value shown against it.
    std::vector<std::pair<int64_t, int64_t>> ranges;
    w.form.prgScanning.setListener([&](const Indicator& bar) {
        if (!bar.visible() || bar.value() == 0) return;
        if (ranges.empty() || ranges.back().first != bar.maximum())
            ranges.push_back({bar.maximum(), 0});
        ranges.back().second = std::max(ranges.back().second, bar.value());
    });

    g_MergeIntoBanFile(w.form);

    EXPECT_EQ(readBytes(banFile), readBytes(dataPath("bans/sample.expected.dat")));
    const auto& shown = w.scripted.messages.shown;
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].prompt, readBytes(dataPath("bans/sample.expected.txt")) + kQuestion);
    EXPECT_EQ(shown[1].buttons, MsgButtons::YesNo);
    for (const ShownBox& box : shown) {
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.title, "Quelvane - tallyhound");
    }
    const FileChooserRequest& r = w.scripted.files.requests.at(0);
    EXPECT_EQ(r.title, "Select a pbbans.dat file");
    EXPECT_EQ(
        r.filters,
        (std::vector<std::pair<std::string, std::string>>{{"Punkbuster pbbans (*.dat)", "*.dat"}}));

    // Apostrophes are stored as two grave accents; reasons in quotes.
    EXPECT_EQ(sql(db, "SELECT * FROM tblVandrel WHERE GUID = '55556666777788889999000011112222'"),
              (Rows{"55556666777788889999000011112222|[02.02.2003 02:02:02]|\"It``s Me\"|"
                    "\"203.0.113.9:1\"|\"VIOLATION DETECTED -> (SPEEDHACK) #50300\""}));
    EXPECT_EQ(tempBans(), (Rows{"; temp ban one``s line", ";second temp"}));
    EXPECT_EQ(vandrel().size(), 6u);

    // The backup holds the file as it was, under its own name.
    Rows archives = filesIn(".zip");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(archives[0], std::regex(R"(\d\d-\d\d-\d{4}_\d\d-\d\d-\d\d_pbbans\.zip)")))
        << archives[0];
    EXPECT_EQ(zipEntries(dir + "/" + archives[0]), (Entries{{"pbbans.dat", before}}));

    // Opened on Yes; hourglass while working; the grid loop over its rows (group rows
    // included), then the working table's 4 + 7 rows counted from 0.
    ASSERT_EQ(w.scripted.shell.calls.size(), 1u);
    EXPECT_EQ(w.scripted.shell.calls[0].target, banFile);
    EXPECT_EQ(w.scripted.cursor.history, (std::vector<int16_t>{11, 0}));
    EXPECT_FALSE(w.form.prgScanning.visible());
    const int64_t gridRows = w.form.vsFlexGrid1.rows() - 1;
    EXPECT_EQ(ranges, (std::vector<std::pair<int64_t, int64_t>>{{gridRows, gridRows}, {10, 10}}));
    EXPECT_EQ(g_cnnDatabase, nullptr) << "the merge closes the database";
    EXPECT_TRUE(strays().empty());
}

TEST_F(Merging, SecondMergeCountsOnlyItsOwnRowsAndNeverReplacesABackup) {
    TestWindow w;
    prepare(w);
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::No};
    g_MergeIntoBanFile(w.form);
    const std::string first = readBytes(banFile);
    // The same grid over the rewritten file, with the first merge's rows in the working table.
    w.scripted.files.answers.push_back({banFile});
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::No};
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(readBytes(banFile), first);
    EXPECT_EQ(w.scripted.messages.shown.back().prompt,
              "Merge complete. No new ban's have been written to 'pbbans.dat'        " + kQuestion);
    EXPECT_TRUE(w.scripted.shell.calls.empty()) << "No was answered";
    Rows archives = filesIn(".zip");
    ASSERT_EQ(archives.size(), 2u) << "each merge keeps its own backup";
    EXPECT_TRUE(zipEntries(dir + "/" + archives[0]) == (Entries{{"pbbans.dat", first}}) ||
                zipEntries(dir + "/" + archives[1]) == (Entries{{"pbbans.dat", first}}));
}

TEST_F(Merging, GuidAlreadyInTheDatabaseKeepsItsStoredRow) {
    sql(db,
        "INSERT INTO tblVandrel VALUES ('22223333444455556666777788889999', "
        "'[01.01.2001 01:01:01]', '\"Old `` Name\"', '\"10.0.0.1:1\"', '')");
    TestWindow w;
    prepare(w);
    g_MergeIntoBanFile(w.form);
    const std::string bytes = readBytes(banFile);
    EXPECT_EQ(bytes.find("[01.01.2001 01:01:01] 22223333444455556666777788889999 \"Old ' Name\" "
                         "\"10.0.0.1:1\" \r\n"),
              0u)
        << bytes;
    EXPECT_EQ(bytes.find("Ogc Guy"), std::string::npos);
}

// A cancelled dialog and every failure leave the ban file byte for byte as it was and the
// database as it was.
TEST_F(Merging, CancelOrFailureLeavesTheFileAndTheDatabaseAsTheyWere) {
    std::string big = readBytes(dataPath("bans/sample.pbbans.dat"));
    for (int i = 0; i < 2000; ++i) big += "; padding to make the file larger than the database\r\n";
    for (int i = 0; i < 40; ++i)  // the new file is larger than the old one
        big += "[01.01.2003 00:00:00] pad" + std::to_string(i) + " \"x\" \"y\" \"z\"\r\n";
    const std::string kTitle = "Quelvane - tallyhound";
    struct Case {
        std::string what;
        std::function<void(TestWindow&)> setUp;
        std::string last;
        MsgIcon icon = MsgIcon::Exclamation;
        std::string title = "        ";
    };
    const std::vector<Case> cases = {
        {"cancel", [&](TestWindow& w) { prepare(w), w.scripted.files.answers.clear(); },
         "Select a pbbans.dat file, this file will be backed up and zipped before any changes "
         "are made.        \r\n\r\nIf for any reason errors occur during a merge simply revert "
         "to the last zipped pbbans.dat        \r\nand e-mail me the logs scanned that caused "
         "the errors.        ",
         MsgIcon::Information, kTitle},
        {"missing database", [&](TestWindow& w) { prepare(w), std::filesystem::remove(db); },
         kErrorLead + "Operation is not allowed when the object is closed. 3704        "},
        {"read-only", [&](TestWindow& w) { prepare(w), ::chmod(banFile.c_str(), 0444); },
         kErrorLead + "Permission denied: " + banFile + " 70        "},
        {"full disk", [&](TestWindow& w) { prepare(w), writeBytes(banFile, big); },
         kErrorLead + "File too large: " + banFile + " 57        "},
        {"no records",
         [&](TestWindow& w) {
             writeBytes(banFile,
                        crlf({"; temp", "[01.01.2003 00:00:00] unknown \"a\" \"b\" \"c\""}));
             w.add({"Anon", "(AIMBOT)", "50100", "[01.01.2003 00:00:00]", "(slot #1)", "NO_GUID",
                    "1.2.3.4:5"});
             w.scripted.files.answers.push_back({banFile});
         },
         "No records found in database. Run a merge to update database        ", MsgIcon::Critical,
         kTitle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow w;
        c.setUp(w);
        const std::string before = readBytes(banFile);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited{c.what == "full disk" ? before.size() + 16 : old.rlim_cur, old.rlim_max};
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        g_MergeIntoBanFile(w.form);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        const ShownBox& box = w.scripted.messages.shown.back();
        EXPECT_EQ(box.prompt, c.last);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.title, c.title);
        EXPECT_EQ(readBytes(banFile), before);
        struct stat st {};
        EXPECT_EQ(::stat(banFile.c_str(), &st) == 0 && (st.st_mode & 0222) == 0,
                  c.what == "read-only");
        EXPECT_EQ(std::filesystem::exists(db), c.what != "missing database") << "never created";
        if (!std::filesystem::exists(db)) makeDatabase(db);
        EXPECT_TRUE(vandrel().empty());
        EXPECT_TRUE(tempBans().empty());
        EXPECT_TRUE(strays().empty());
        EXPECT_EQ(g_cnnDatabase, nullptr);
        EXPECT_FALSE(w.form.prgScanning.visible());
        EXPECT_EQ(w.scripted.cursor.current, 0);
        EXPECT_EQ(filesIn(".zip").empty(), c.what == "cancel") << "the backup, once made, remains";
        ::chmod(banFile.c_str(), 0644);
        for (const auto& zip : filesIn(".zip")) std::filesystem::remove(dir + "/" + zip);
    }
}

// Only temp bans and blank lines in the file, a reason not in quotes or none at all; after
// a reset the next merge writes only its own bans.
TEST_F(Merging, FilesOfAnyShapeAndAMergeAfterAReset) {
    EXPECT_EQ(mergeOne({"", ";a temp ban", "  ", ";another"},
                       {"New One", "(WALLHACK)", "50400", "[03.03.2003 03:03:03]", "(slot #2)",
                        "abc", "1.1.1.1:1"}),
              "Merge complete. 1 bans have been written to 'pbbans.dat'        ");
    EXPECT_EQ(readBytes(banFile), crlf({"[03.03.2003 03:03:03] abc \"New One\" \"1.1.1.1:1\" "
                                        "\"VIOLATION DETECTED -> (WALLHACK) #50400\"",
                                        "", ";a temp ban", ";another"}));

    TestWindow w;
    ASSERT_TRUE(g_blnResetDatabase(w.form));
    mergeOne(
        {"[01.01.2003 00:00:00] ghi \"Three\" \"3.3.3.3:3\" VIOLATION  DETECTED -> X #7",
         "[01.01.2003 00:00:01] jkl \"Four\" \"4.4.4.4:4\""},
        {"Solo", "(AIMBOT)", "50100", "[05.05.2005 05:05:05]", "(slot #1)", "solo", "5.5.5.5:5"});
    EXPECT_EQ(
        readBytes(banFile),
        crlf({"[01.01.2003 00:00:00] ghi \"Three\" \"3.3.3.3:3\" \"VIOLATION DETECTED -> X #7\"",
              "[01.01.2003 00:00:01] jkl \"Four\" \"4.4.4.4:4\" ",
              "[05.05.2005 05:05:05] solo \"Solo\" \"5.5.5.5:5\" \"VIOLATION DETECTED -> (AIMBOT) "
              "#50100\""}));
}

TEST_F(Merging, MoreLinesThanA16BitCounterHolds) {
    Rows lines;
    for (int i = 0; i < 40000; ++i)
        lines.push_back("[01.01.2003 00:00:00] guid" + std::to_string(i) + " \"P\" \"1:2\" \"r\"");
    EXPECT_EQ(mergeOne(lines, {"Extra", "(AIMBOT)", "50100", "[01.01.2004 00:00:00]", "(slot #1)",
                               "guid-extra", "1.1.1.1:1"}),
              "Merge complete. 40001 bans have been written to 'pbbans.dat'        ");
    EXPECT_EQ(vandrel().size(), 40001u);
}

}  // namespace
}  // namespace th::test
