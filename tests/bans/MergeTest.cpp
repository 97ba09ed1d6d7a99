#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <regex>

#include "bans/DatabaseUtilities.h"
#include "bans/Merge.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

const std::string kExplanation =
    "Select a pbbans.dat file, this file will be backed up and zipped before any changes are made. "
    "       \r\n"
    "\r\n"
    "If for any reason errors occur during a merge simply revert to the last zipped pbbans.dat     "
    "   \r\n"
    "and e-mail me the logs scanned that caused the errors.        ";
const std::string kQuestion = "\r\n\r\nWould you like to open this file now?        ";
const std::string kErrorLead = "An error has occured during a merge of this log        \r\n";

void loadGrid(TestWindow& w, const std::string& tsvPath) {
    std::istringstream in(readBytes(tsvPath));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::string> cells;
        size_t start = 0;
        for (;;) {
            size_t tab = line.find('\t', start);
            cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        std::vector<std::string_view> views(cells.begin(), cells.end());
        w.form.vsFlexGrid1.addRow(views);
    }
    w.arrange();
}

class Merging : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        banFile = dir + "/pbbans.dat";
    }
    // Puts a sample's ban file in place and its grid in the window, and answers the
    // dialog with the ban file.
    void prepare(TestWindow& w, const std::string& sample) {
        writeBytes(banFile, readBytes(dataPath("bans/" + sample + ".pbbans.dat")));
        loadGrid(w, dataPath("bans/" + sample + ".grid.tsv"));
        w.scripted.files.answers.push_back({banFile});
    }
    std::vector<std::string> vandrel() const {
        return queryRows(db, "SELECT * FROM qrySelectAllVandrelOrderByTimeStamp");
    }
    std::vector<std::string> tempBans() const {
        return queryRows(db, "SELECT * FROM qrySelectAllTempBans");
    }
    std::vector<std::string> strays() const {  // temporary files left beside the ban file
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (e.path().filename().string().rfind(".pbbans.dat.", 0) == 0)
                out.push_back(e.path().string());
        return out;
    }

    std::string banFile;
};

TEST_F(Merging, SampleGivesTheExpectedFileDatabaseBackupAndBoxes) {
    TestWindow w;
    prepare(w, "sample");
    const std::string before = readBytes(banFile);
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::Yes};
    // What the progress bar showed while it moved: each maximum and the highest value
    // shown against it.
    std::vector<std::pair<int64_t, int64_t>> shownRanges;
    w.form.prgScanning.setListener([&](const Indicator& bar) {
        if (!bar.visible() || bar.value() == 0) return;
        if (shownRanges.empty() || shownRanges.back().first != bar.maximum())
            shownRanges.push_back({bar.maximum(), 0});
        shownRanges.back().second = std::max(shownRanges.back().second, bar.value());
    });

    g_MergeIntoBanFile(w.form);

    EXPECT_EQ(readBytes(banFile), readBytes(dataPath("bans/sample.expected.dat")));
    const auto& shown = w.scripted.messages.shown;
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].prompt, kExplanation);
    EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(shown[0].title, "Quelvane - tallyhound");
    EXPECT_EQ(shown[1].prompt, readBytes(dataPath("bans/sample.expected.txt")) + kQuestion);
    EXPECT_EQ(shown[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(shown[1].icon, MsgIcon::Information);
    EXPECT_EQ(shown[1].title, "Quelvane - tallyhound");

    // The dialog as the merge asks for it.
    ASSERT_EQ(w.scripted.files.requests.size(), 1u);
    const FileChooserRequest& r = w.scripted.files.requests[0];
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, "Select a pbbans.dat file");
    ASSERT_EQ(r.filters.size(), 1u);
    EXPECT_EQ(r.filters[0],
              (std::pair<std::string, std::string>{"Punkbuster pbbans (*.dat)", "*.dat"}));
    EXPECT_EQ(r.defaultExt, "dat");
    EXPECT_EQ(r.initialFilter, 1);
    EXPECT_EQ(r.flags, 0x181804u | 0x20u);
    EXPECT_TRUE(r.center);

    // Apostrophes are stored as two grave accents; reasons in quotes.
    EXPECT_EQ(
        queryRows(db, "SELECT * FROM tblVandrel WHERE GUID = '55556666777788889999000011112222'"),
        (std::vector<std::string>{
            "55556666777788889999000011112222|[02.02.2003 02:02:02]|\"It``s Me\"|"
            "\"203.0.113.9:1\"|\"VIOLATION DETECTED -> (SPEEDHACK) #50300\""}));
    EXPECT_EQ(tempBans(), (std::vector<std::string>{"; temp ban one``s line", ";second temp"}));
    EXPECT_EQ(vandrel().size(), 6u);

    // The backup holds the file as it was, under its own name.
    auto archives = filesIn("_pbbans.zip");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(archives[0], std::regex(R"(\d\d-\d\d-\d{4}_\d\d-\d\d-\d\d_pbbans\.zip)")))
        << archives[0];
    EXPECT_EQ(zipEntries(dir + "/" + archives[0]),
              (std::vector<std::pair<std::string, std::string>>{{"pbbans.dat", before}}));

    // Opened on Yes; hourglass while working; progress bar hidden again.
    ASSERT_EQ(w.scripted.shell.calls.size(), 1u);
    EXPECT_EQ(w.scripted.shell.calls[0].kind, "document");
    EXPECT_EQ(w.scripted.shell.calls[0].target, banFile);
    EXPECT_EQ(w.scripted.cursor.history, (std::vector<int16_t>{11, 0}));
    EXPECT_FALSE(w.form.prgScanning.visible());
    EXPECT_EQ(w.form.prgScanning.value(), 0);
    // The grid loop over its rows (group rows included), then the working table's rows:
    // 4 ban lines of the file and 7 grid violations, counted from 0.
    const int64_t gridRows = w.form.vsFlexGrid1.rows() - 1;
    EXPECT_EQ(shownRanges,
              (std::vector<std::pair<int64_t, int64_t>>{{gridRows, gridRows}, {10, 10}}));
    EXPECT_EQ(w.form.grdDummy.rows(), 11);
    EXPECT_EQ(g_cnnDatabase, nullptr) << "the merge closes the database";
    EXPECT_TRUE(strays().empty());
}

TEST_F(Merging, SecondMergeCountsOnlyItsOwnRowsAndNeverReplacesABackup) {
    TestWindow w;
    prepare(w, "sample");
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::No};
    g_MergeIntoBanFile(w.form);
    const std::string first = readBytes(banFile);
    ASSERT_EQ(first, readBytes(dataPath("bans/sample.expected.dat")));

    // The same grid again over the rewritten file: nothing new, even though the file now
    // holds temp-ban lines and the working table held the first merge's rows.
    w.scripted.files.answers.push_back({banFile});
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::No};
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(readBytes(banFile), first);
    ASSERT_EQ(w.scripted.messages.shown.size(), 4u);
    EXPECT_EQ(w.scripted.messages.shown[3].prompt,
              "Merge complete. No new ban's have been written to 'pbbans.dat'        " + kQuestion);
    EXPECT_TRUE(w.scripted.shell.calls.empty()) << "No was answered";

    auto archives = filesIn(".zip");
    ASSERT_EQ(archives.size(), 2u) << "each merge keeps its own backup";
    // Whichever second each ran in, the second archive holds the first merge's result.
    bool found = false;
    for (const auto& a : archives)
        found =
            found || zipEntries(dir + "/" + a) ==
                         std::vector<std::pair<std::string, std::string>>{{"pbbans.dat", first}};
    EXPECT_TRUE(found);
}

TEST_F(Merging, GuidAlreadyInTheDatabaseKeepsItsStoredRow) {
    execSql(db,
            "INSERT INTO tblVandrel VALUES ('22223333444455556666777788889999', '[01.01.2001 "
            "01:01:01]', "
            "'\"Old `` Name\"', '\"10.0.0.1:1\"', '')");
    TestWindow w;
    prepare(w, "sample");
    g_MergeIntoBanFile(w.form);
    std::string bytes = readBytes(banFile);
    EXPECT_EQ(bytes.find("[01.01.2001 01:01:01] 22223333444455556666777788889999 \"Old ' Name\" "
                         "\"10.0.0.1:1\" \r\n"),
              0u)
        << bytes;
    EXPECT_EQ(bytes.find("Ogc Guy"), std::string::npos);
    EXPECT_EQ(vandrel().size(), 6u);
}

TEST_F(Merging, CancelledDialogChangesNothing) {
    TestWindow w;
    prepare(w, "sample");
    w.scripted.files.answers.clear();
    const std::string before = readBytes(banFile);
    g_MergeIntoBanFile(w.form);
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt, kExplanation);
    EXPECT_EQ(readBytes(banFile), before);
    EXPECT_TRUE(filesIn(".zip").empty());
    EXPECT_TRUE(vandrel().empty());
    EXPECT_TRUE(w.scripted.cursor.history.empty());
}

// Every failure leaves the ban file byte for byte as it was and the database as it was.
class FailingMerge : public Merging {
  protected:
    void expectUntouched(const std::string& before) {
        EXPECT_EQ(readBytes(banFile), before);
        EXPECT_TRUE(vandrel().empty());
        EXPECT_TRUE(tempBans().empty());
        EXPECT_TRUE(strays().empty());
        EXPECT_EQ(g_cnnDatabase, nullptr);
        EXPECT_FALSE(w.form.prgScanning.visible());
        EXPECT_EQ(w.scripted.cursor.current, 0);
    }
    std::vector<std::string> prompts() const {
        std::vector<std::string> out;
        for (const auto& b : w.scripted.messages.shown) out.push_back(b.prompt);
        return out;
    }
    TestWindow w;
};

TEST_F(FailingMerge, MissingDatabase) {
    prepare(w, "sample");
    const std::string before = readBytes(banFile);
    std::filesystem::remove(db);
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(
        prompts(),
        (std::vector<std::string>{
            kExplanation,
            "An unhandled error has occured {g_blnConnectToDatabase}\r\nunable to open database "
            "file: " +
                db + " [-2147467259]        ",
            kErrorLead + "Operation is not allowed when the object is closed. 3704        "}));
    EXPECT_EQ(w.scripted.messages.shown[2].icon, MsgIcon::Exclamation);
    EXPECT_EQ(w.scripted.messages.shown[2].title, "        ");
    EXPECT_FALSE(std::filesystem::exists(db)) << "the merge never creates the database";
    EXPECT_EQ(readBytes(banFile), before);
    EXPECT_EQ(filesIn(".zip").size(), 1u) << "the backup, once written, remains";
    EXPECT_TRUE(strays().empty());
}

TEST_F(FailingMerge, ReadOnlyBanFile) {
    prepare(w, "sample");
    const std::string before = readBytes(banFile);
    ASSERT_EQ(::chmod(banFile.c_str(), 0444), 0);
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(prompts(),
              (std::vector<std::string>{
                  kExplanation, kErrorLead + "Permission denied: " + banFile + " 70        "}));
    expectUntouched(before);
    struct stat st {};
    ::stat(banFile.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(FailingMerge, DiskFullWhileRewriting) {
    prepare(w, "sample");
    // Make the old file big enough that the database and the backup fit under the
    // limit while the new file, which is larger, does not.
    std::string big = readBytes(banFile);
    for (int i = 0; i < 2000; ++i)
        big += "; padding line to make the file larger than the database pages\r\n";
    writeBytes(banFile, big);
    std::string extra;
    for (int i = 0; i < 40; ++i)
        extra += "[01.01.2003 00:00:00] pad" + std::to_string(i) + " \"x\" \"y\" \"z\"\r\n";
    writeBytes(banFile, big + extra);
    const std::string before = readBytes(banFile);

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = before.size() + 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    g_MergeIntoBanFile(w.form);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    ASSERT_EQ(prompts().size(), 2u);
    EXPECT_EQ(prompts()[1], kErrorLead + "File too large: " + banFile + " 57        ");
    expectUntouched(before);
}

TEST_F(FailingMerge, NoRecordsLeavesFileAndDatabase) {
    writeBytes(banFile,
               crlf({"; only a temp ban", "[01.01.2003 00:00:00] unknown \"a\" \"b\" \"c\""}));
    w.add({"Anon", "(AIMBOT)", "50100", "[01.01.2003 00:00:00]", "(slot #1)", "NO_GUID",
           "1.2.3.4:5"});
    w.scripted.files.answers.push_back({banFile});
    const std::string before = readBytes(banFile);
    g_MergeIntoBanFile(w.form);
    ASSERT_EQ(prompts().size(), 2u);
    EXPECT_EQ(prompts()[1], "No records found in database. Run a merge to update database        ");
    EXPECT_EQ(w.scripted.messages.shown[1].icon, MsgIcon::Critical);
    EXPECT_EQ(w.scripted.messages.shown[1].title, "Quelvane - tallyhound");
    expectUntouched(before);
}

TEST_F(Merging, OnlyTempBansInTheFileAndReasonsOfAnyShape) {
    writeBytes(banFile, crlf({"", ";a temp ban", "  ", ";another"}));
    TestWindow w;
    w.add({"New One", "(WALLHACK)", "50400", "[03.03.2003 03:03:03]", "(slot #2)", "abc",
           "1.1.1.1:1"});
    w.add({"New Two", "(CVAR)", "9001", "[03.03.2003 03:03:02]", "OGC_thing", "def", "2.2.2.2:2"});
    w.scripted.files.answers.push_back({banFile});
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(readBytes(banFile), crlf({"[03.03.2003 03:03:02] def \"New Two\" \"2.2.2.2:2\" "
                                        "\"VIOLATION DETECTED -> OGC #9001\"",
                                        "[03.03.2003 03:03:03] abc \"New One\" \"1.1.1.1:1\" "
                                        "\"VIOLATION DETECTED -> (WALLHACK) #50400\"",
                                        "", ";a temp ban", ";another"}));
    EXPECT_EQ(w.scripted.messages.shown.back().prompt,
              "Merge complete. 2 bans have been written to 'pbbans.dat'        " + kQuestion);

    // A reason that is not quoted is joined from its words; an empty one stays empty.
    writeBytes(
        banFile,
        crlf({"[01.01.2003 00:00:00] ghi \"Three\" \"3.3.3.3:3\" VIOLATION  DETECTED -> X #7",
              "[01.01.2003 00:00:01] jkl \"Four\" \"4.4.4.4:4\""}));
    w.scripted.files.answers.push_back({banFile});
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(
        readBytes(banFile),
        crlf({"[01.01.2003 00:00:00] ghi \"Three\" \"3.3.3.3:3\" \"VIOLATION DETECTED -> X #7\"",
              "[01.01.2003 00:00:01] jkl \"Four\" \"4.4.4.4:4\" ",
              "[03.03.2003 03:03:02] def \"New Two\" \"2.2.2.2:2\" \"VIOLATION DETECTED -> OGC "
              "#9001\"",
              "[03.03.2003 03:03:03] abc \"New One\" \"1.1.1.1:1\" \"VIOLATION DETECTED -> "
              "(WALLHACK) #50400\""}));
}

TEST_F(Merging, AfterAResetTheNextMergeWritesOnlyItsOwnBans) {
    TestWindow w;
    prepare(w, "sample");
    g_MergeIntoBanFile(w.form);
    ASSERT_EQ(vandrel().size(), 6u);

    ASSERT_TRUE(g_blnResetDatabase(w.form));
    EXPECT_TRUE(vandrel().empty());

    TestWindow next;
    writeBytes(banFile, crlf({"; kept"}));
    next.add(
        {"Solo", "(AIMBOT)", "50100", "[05.05.2005 05:05:05]", "(slot #1)", "solo", "5.5.5.5:5"});
    next.scripted.files.answers.push_back({banFile});
    g_MergeIntoBanFile(next.form);
    EXPECT_EQ(readBytes(banFile), crlf({"[05.05.2005 05:05:05] solo \"Solo\" \"5.5.5.5:5\" "
                                        "\"VIOLATION DETECTED -> (AIMBOT) #50100\"",
                                        "", "; kept"}));
}

TEST_F(Merging, MoreLinesThanA16BitCounterHolds) {
    std::string bytes;
    const int count = 40000;
    for (int i = 0; i < count; ++i) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "[%02d.%02d.2003 %02d:%02d:%02d] guid%08d \"Player %d\" \"10.0.%d.%d:27960\" "
                      "\"VIOLATION DETECTED -> X #%d\"\r\n",
                      1 + i % 28, 1 + i % 12, i % 24, i % 60, (i / 60) % 60, i, i, i / 256 % 256,
                      i % 256, i);
        bytes += line;
    }
    writeBytes(banFile, bytes);
    TestWindow w;
    w.add({"Extra", "(AIMBOT)", "50100", "[01.01.2004 00:00:00]", "(slot #1)", "guid-extra",
           "1.1.1.1:1"});
    w.scripted.files.answers.push_back({banFile});
    g_MergeIntoBanFile(w.form);
    EXPECT_EQ(w.scripted.messages.shown.back().prompt,
              "Merge complete. 40001 bans have been written to 'pbbans.dat'        " + kQuestion);
    EXPECT_EQ(vandrel().size(), 40001u);
    EXPECT_EQ(w.form.grdDummy.rows(), 40001);
}

}  // namespace
}  // namespace th::test
