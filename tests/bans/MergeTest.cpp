#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "bans/BanFileChanges.h"
#include "bans/BanFileLock.h"
#include "bans/Merge.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ColumnMoves.h"
#include "tests/support/ThreadLimit.h"

namespace th::test {
namespace {

const std::string kQuestion = "\r\n\r\nWould you like to open this file now?        ";
const std::string kErrorLead = "An error has occured during a merge of this log        \r\n";
const std::string kDone = "Merge complete. ";
// Under every failure once the file is backed up: what to do about it.
const std::string kAdvice =
    "\r\nThe ban file and the ban database are as they were; the dated zip beside the ban file "
    "holds its copy from before the change.        ";
const std::string kBan1 =
    "[04.16.2017 21:03:11] aaaa1111 \"One\" \"192.0.2.1:1\" \"VIOLATION DETECTED -> (X) #50001\"";
const std::string kBan2 =
    "[05.01.2017 00:00:00] bbbb2222 \"Two\" \"192.0.2.2:2\" \"VIOLATION DETECTED -> (Y) #50002\"";
const std::string kGameBan =
    "[05.02.2017 10:00:00] cccc3333 \"InGame\" \"192.0.2.3:3\" \"MANUAL BAN\"";

class Merging : public BanFolderTest {
  protected:
    // Puts the sample's ban file in place and its grid in the window, arranged after a
    // column was dragged from one place to another, and answers the dialog with the ban file.
    void prepare(TestWindow& w, std::pair<int32_t, int32_t> move = {0, 0}) {
        prepareSample(w);
        w.form.vsFlexGrid1.moveColumn(move.first, move.second);
        int32_t position = move.second;
        vsFlexGrid1_AfterMoveColumn(w.form, move.first, position);
    }
    // Merges the grid rows into a ban file of these bytes.
    Merged merge(const std::string& file, const std::vector<GridRow>& rows,
                 const MergeOptions& options = {}) {
        writeBytes(bans, file);
        return mergeRows(bans, rows, options);
    }
    Rows guids() { return sql(db, "SELECT GUID FROM tblVandrel ORDER BY GUID"); }
};

// The sample's file, database rows, backup and boxes; the file is opened on Yes only.
// Wherever a column was dragged, the merge reads each cell by its title: the same ban file
// and the same database rows.
TEST_F(Merging, TheSampleGivesTheExpectedFileDatabaseBackupsAndBoxesWhereverTheColumnsStand) {
    const std::string expected = readBytes(dataPath("bans/sample.expected.dat")),
                      expectedReport = readBytes(dataPath("bans/sample.expected.txt"));
    const std::string everything =
        "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel ORDER BY GUID";
    Rows stored;
    auto moves = everyColumnMove();
    moves.insert(moves.begin(), {0, 0});  // the columns as they stand at start, answered Yes
    for (auto move : moves) {
        SCOPED_TRACE(moveName(move));
        const bool first = stored.empty();
        sql(db, "DELETE FROM tblVandrel; DELETE FROM tblTempBans");
        TestWindow w;
        prepare(w, move);
        const std::string before = readBytes(bans);
        w.scripted.messages.answers = {MsgResult::Ok, first ? MsgResult::Yes : MsgResult::No};
        g_MergeIntoBanFile(w.form);
        EXPECT_EQ(readBytes(bans), expected);
        ASSERT_EQ(w.scripted.messages.shown.size(), 2u);
        EXPECT_EQ(w.scripted.messages.shown[1].prompt, expectedReport + kQuestion);
        if (!first) {
            EXPECT_TRUE(w.scripted.shell.calls.empty()) << "not opened on No";
            EXPECT_EQ(sql(db, everything), stored);
            continue;
        }
        // Apostrophes are stored as two grave accents.
        EXPECT_EQ(sql(db, "SELECT PlayerName FROM tblVandrel WHERE IP = '\"203.0.113.9:1\"'"),
                  (Rows{"\"It``s Me\""}));
        EXPECT_EQ(zipEntries(dir + "/" + filesIn(".zip").at(0)), (Entries{{"pbbans.dat", before}}));
        EXPECT_EQ(w.scripted.shell.calls.at(0).target, bans) << "opened on Yes";
        stored = sql(db, everything);
        ASSERT_EQ(stored.size(), 6u);
    }
}

// A cancelled dialog and every failure leave the ban file byte for byte as it was and the
// database as it was (a failure at each of the merge's calls is the fault test's).
TEST_F(Merging, CancelOrFailureLeavesTheFileAndTheDatabaseAsTheyWere) {
    struct Case {
        std::string what;
        std::function<void(TestWindow&)> setUp;
        std::string last;
        MsgIcon icon = MsgIcon::Exclamation;
    };
    // Each case is set up once the sample is in place.
    const std::vector<Case> cases = {
        {"cancel", [&](TestWindow& w) { w.scripted.files.answers.clear(); },
         "Select a pbbans.dat file, this file will be backed up and zipped before any changes "
         "are made.        \r\n\r\nIf for any reason errors occur during a merge simply revert "
         "to the last zipped pbbans.dat        \r\nand e-mail me the logs scanned that caused "
         "the errors.        ",
         MsgIcon::Information},
        // One failure, one box: the connect's report, before anything is read or backed up.
        {"missing database", [&](TestWindow&) { std::filesystem::remove(db); },
         "An unhandled error has occured {g_blnConnectToDatabase}\r\n" + db +
             ": no ban database is there [-2147467259]        \r\nThe ban database was looked "
             "for at " +
             db + "; make one there with tallyhound-cli db init --db " + db +
             ", start the program without --db and TALLYHOUND_DB to have one made in "
             "~/.local/share/tallyhound, or name an existing one with --db.        "},
        {"read-only", [&](TestWindow&) { ::chmod(bans.c_str(), 0444); },
         kErrorLead + "Permission denied: " + bans + " 70        " + kAdvice},
        {"no records",
         [&](TestWindow& w) { writeBytes(bans, ";\r\n"), w.form.vsFlexGrid1.setRows(1); },
         "No records found in database. Run a merge to update database        ", MsgIcon::Critical},
        // A zero byte outside a ban line: no ban file (a program, a zip, the ban database
        // itself), where its bytes would have been kept as odd lines after the bans.
        {"not text",
         [&](TestWindow&) {
             writeBytes(bans, kBan1 + "\r\n\x7f" + "ELF" + std::string(3, '\0') + "\r\x01");
         },
         kErrorLead +
             "This is not a ban file: it holds bytes no text file has (a program, an "
             "archive or a database?): " +
             bans + " 321        \r\nThe ban file and the ban database are as they were.        "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWindow w;
        prepare(w);
        c.setUp(w);
        const std::string before = readBytes(bans);
        g_MergeIntoBanFile(w.form);

        EXPECT_EQ(w.scripted.messages.shown.back().prompt, c.last);
        EXPECT_EQ(w.scripted.messages.shown.back().icon, c.icon);
        EXPECT_EQ(readBytes(bans), before);
        EXPECT_EQ(std::filesystem::exists(db), c.what != "missing database") << "never created";
        if (!std::filesystem::exists(db)) sql(db, readBytes(dataPath("../../bans/schema.sql")));
        EXPECT_TRUE(
            sql(db, "SELECT GUID FROM tblVandrel UNION SELECT TempBan FROM tblTempBans").empty());
        EXPECT_TRUE(filesIn(".tmp").empty());
        EXPECT_EQ(filesIn(".zip").empty(), c.what != "read-only" && c.what != "no records")
            << "the backup, once made, remains";
        if (c.what == "missing database") {
            EXPECT_EQ(w.scripted.messages.shown.size(), 2u);
        }
        // A try again that fails alike keeps no second copy of the same bytes: each failed
        // try (a cron job, a disk nearly full) left one more, until the disk was full.
        if (c.what == "read-only") {
            const Rows zips = filesIn(".zip");
            MergeOptions again;
            again.banFile = bans, again.explain = again.offerToOpen = false;
            EXPECT_FALSE(mergeIntoBanFile(w.form, again).completed);
            EXPECT_EQ(filesIn(".zip"), zips);
            // Unless that zip is damaged: then the new copy is the only one and stays.
            ASSERT_EQ(zips.size(), 1u);
            std::string damaged = readBytes(dir + "/" + zips[0]);
            damaged[damaged.size() / 2] ^= 0x55;
            writeBytes(dir + "/" + zips[0], damaged);
            // A pipe of a dated zip's name beside them is passed by: it was waited on for ever.
            const std::string pipe = dir + "/01-01-2020_00-00-00_pbbans.zip";
            ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
            EXPECT_EQ(runInChild([&] {
                          ::alarm(10);
                          return mergeIntoBanFile(w.form, again).completed ? 1 : 0;
                      }),
                      0);
            ::unlink(pipe.c_str());
            EXPECT_EQ(filesIn(".zip").size(), 2u);
        }
        ::chmod(bans.c_str(), 0644);
        for (const auto& zip : filesIn(".zip")) std::filesystem::remove(dir + "/" + zip);
    }
}

// Only temp bans and blank lines in the file; a GUID already stored keeps its row; a reason
// not in quotes or none at all; a byte order mark before the first ban (Notepad saves one); a
// (CVAR) row whose Slot holds OGC_ in any case is an OGC ban. Temp-ban lines are stored with each
// apostrophe as two grave accents, as existing databases hold them.
TEST_F(Merging, FilesOfAnyShapeAndGuidsAlreadyStored) {
    const std::string
        abc = "[03.03.2003 03:03:03] abc \"New\" \"1:1\" \"VIOLATION DETECTED -> (X) #5\"",
        jkl = "[01.01.2003 00:00:01] jkl \"Four\" \"4:4\" ",
        def = "[04.04.2004 04:04:04] def \"Def\" \"2:2\" \"VIOLATION DETECTED -> X #7\"";
    // The file's lines, the grid's row, the file's lines afterwards.
    const std::vector<std::tuple<Rows, std::vector<std::string>, Rows>> steps = {
        {{"", ";a temp ban", "  ", ";another"},
         {"New", "(X)", "5", "[03.03.2003 03:03:03]", "(slot #2)", "abc", "1:1"},
         {abc, "", ";a temp ban", ";another"}},
        {{"\xEF\xBB\xBF[04.04.2004 04:04:04] def \"Def\" \"2:2\" VIOLATION  DETECTED -> X #7",
          "[01.01.2003 00:00:01] jkl \"Four\" \"4:4\""},
         {"Other", "(Y)", "6", "[05.05.2005 05:05:05]", "(slot #1)", "ABC", "3:3"},
         {jkl, abc, def}},
        {{";temp ban of O'Neil's"},
         {"Cvar", " (cvar)", "9001", "[01.01.2003 00:00:00]", "(slot #3) OGC_hack", "og1", "1:1"},
         {"[01.01.2003 00:00:00] og1 \"Cvar\" \"1:1\" \"VIOLATION DETECTED -> OGC #9001\"", jkl,
          abc, def, "", ";temp ban of O'Neil's"}},
    };
    for (const auto& [lines, row, after] : steps) {
        merge(crlf(lines), {row});
        EXPECT_EQ(readBytes(bans), crlf(after));
    }
    EXPECT_EQ(sql(db, "SELECT TempBan FROM tblTempBans WHERE TempBan LIKE '%Neil%'"),
              (Rows{";temp ban of O``Neil``s"}));
}

// The report counts the bans written: equal GUIDs always meet (compared as numbers, "1",
// "01", "1" did not, and the report counted three bans for a file of two), and a count
// goes past what 16 bits hold. A GUID's ban is its violation caught first, whichever
// the grid lists first (its stamps sort as text, month first); a stamp of no real moment
// is none.
TEST_F(Merging, EqualGuidsMeetAndTheReportCountsTheBansWritten) {
    EXPECT_EQ(merge("", {violationRow("1"), violationRow("01"), violationRow("1"),
                         violationRow("2", "Later", "[01.15.2020 00:00:00]"),
                         violationRow("2", "None", ""),
                         violationRow("2", "Unreal", "[00.00.0000 00:00:00]"),
                         violationRow("2", "Earlier", "[02.01.2019 00:00:00]")})
                  .said(),
              kDone + "3 bans have been written to 'pbbans.dat'        ");
    EXPECT_EQ(guids(), (Rows{"01", "1", "2"}));
    EXPECT_EQ(sql(db, "SELECT TimeStamp, PlayerName FROM tblVandrel WHERE GUID = '2'"),
              Rows{"[02.01.2019 00:00:00]|\"Earlier\""});
    const std::string file = readBytes(bans);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 3);

    Rows lines;
    for (int i = 0; i < 40000; ++i)
        lines.push_back("[01.01.2003 00:00:00] guid" + std::to_string(i) + " \"P\" \"1:2\" \"r\"");
    EXPECT_EQ(merge(crlf(lines), {violationRow("extra")}).said(),  // and the two stored above
              kDone + "40004 bans have been written to 'pbbans.dat'        ");

    // As many lines as before, yet a ban new to the file: two lines of one GUID made one,
    // and a ban of the database written in their place. It was "No new ban's".
    const std::string twice = "[01.01.2003 00:00:00] guid0 \"P\" \"1:2\" \"r\"";
    EXPECT_EQ(merge(crlf(lines) + crlf({twice, twice, twice, twice}), {}).said(),
              kDone + "40004 bans have been written to 'pbbans.dat'        ");
    EXPECT_EQ(merge(readBytes(bans), {}).said(),
              kDone + "No new ban's have been written to 'pbbans.dat'        ");
}

// A ban the game server appends while the merge runs is never lost: before the file is
// replaced it is checked, and the merge runs again (a tail appended between that check and
// the rename is the fault test's writer). A file that never holds still stops the merge
// unchanged.
TEST_F(Merging, ABanAppendedDuringTheMergeIsKept) {
    const std::string before = crlf({kBan1});
    bool appended = false;
    MergeOptions options;
    options.beforeCheck = [&] {
        if (!std::exchange(appended, true)) appendBytes(bans, kGameBan + "\r\n");
    };
    EXPECT_TRUE(merge(before, {violationRow("dddd4444")}, options).outcome.completed);
    EXPECT_NE(readBytes(bans).find(kGameBan + "\r\n"), std::string::npos);
    EXPECT_EQ(guids(), (Rows{"aaaa1111", "cccc3333", "dddd4444"}));
    ASSERT_EQ(filesIn(".zip").size(), 1u) << "the first pass's backup made way";
    EXPECT_EQ(zipEntries(dir + "/" + filesIn(".zip")[0]),
              (Entries{{"pbbans.dat", before + kGameBan + "\r\n"}}));

    // Always changing: three more runs, then a clear error, nothing changed.
    sql(db, "DELETE FROM tblVandrel");
    options = {};
    options.beforeCheck = [&] { appendBytes(bans, ";\r\n"); };
    const Merged merged = merge(before, {violationRow("dddd4444")}, options);
    EXPECT_FALSE(merged.outcome.completed || merged.outcome.fileReplaced);
    EXPECT_EQ(merged.said(), kErrorLead + "The ban file kept changing while it was merged, so " +
                                 "nothing was changed; try again: " + bans + " 75        " +
                                 kAdvice);
    EXPECT_EQ(readBytes(bans), before + ";\r\n;\r\n;\r\n;\r\n") << "only the game server's lines";
    EXPECT_TRUE(guids().empty());
}

// A second writer waits for the first; after a while it gives up, and says so without
// blaming this program (a game server may hold the lock). The window's Cancel ends the wait
// as a cancelled merge, the file as it was: it waited on, and the merge then failed.
TEST_F(Merging, WritersOfTheBanFileTakeOneLock) {
    writeBytes(bans, crlf({kBan1}));
    int first = ::open(bans.c_str(), O_RDONLY), other = ::open(bans.c_str(), O_RDONLY);
    {
        BanFileLock held(first, bans);
        EXPECT_EQ(
            test::raised([&] { BanFileLock second(other, bans, std::chrono::milliseconds(50)); }),
            "Tallyhound 55: Another program is writing the file: " + bans);

        TestWindow w;
        w.addRows({violationRow("dddd4444")});
        w.scripted.files.answers.push_back({bans});
        std::thread cancel([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the merge waits
            w.form.cancel.request();
        });
        const MergeOutcome outcome = mergeIntoBanFile(w.form, {});
        cancel.join();
        EXPECT_FALSE(outcome.completed);
        EXPECT_EQ(outcome.error, 0) << "cancelled, not failed";
        EXPECT_EQ(readBytes(bans), crlf({kBan1}));
    }
    BanFileLock free(other, bans, std::chrono::milliseconds(50));
    ::close(first), ::close(other);
}

// A ban line is one line and reads back as it was written: a line break inside a cell
// (possible through a scan file) once wrote a second, forged ban line, and a double quote
// ended its field, so a player chose the address and reason the next merge read. A zero
// byte made a file that the next merge refused, and spaces around a GUID a second ban of
// it, even a zero byte after it, made a space. The line carries a space and an apostrophe
// instead; a GUID it cannot carry bans no one, and a GUID goes without the spaces around it.
TEST_F(Merging, ABanLineIsOneLineAndReadsBackAsItWasWritten) {
    const std::string name = "x\r\n[01.01.2003 00:00:00] f0f0f0f0 \"forged\" \"9.9.9.9:1\" \"EVIL";
    merge("", {violationRow("eeee5555", name), violationRow("ab\"cd", "Q"),
               violationRow("ab[cd", "B"), violationRow("eeee6666", std::string("Nu\0l", 4)),
               violationRow(std::string("ab\0cd", 5), "Z"), violationRow(" ffff7777 ", "Pad"),
               violationRow(std::string("gggg8888\0", 9), "Tail")});
    const std::string file = crlf(
        {violationLine("eeee5555", "x  [01.01.2003 00:00:00] f0f0f0f0 'forged' '9.9.9.9:1' 'EVIL"),
         violationLine("eeee6666", "Nu l"), violationLine("ffff7777", "Pad"),
         violationLine("gggg8888", "Tail")});
    EXPECT_EQ(readBytes(bans), file);
    EXPECT_EQ(
        sql(db, "SELECT GUID, PlayerName FROM tblVandrel WHERE GUID = 'eeee5555'"),
        (Rows{"eeee5555|\"x  [01.01.2003 00:00:00] f0f0f0f0 \"forged\" \"9.9.9.9:1\" \"EVIL\""}));
    merge(file, {});
    EXPECT_EQ(guids(), (Rows{"eeee5555", "eeee6666", "ffff7777", "gggg8888"}))
        << "the next merge forges nothing, nor bans a GUID again without its spaces";
    sql(db, "DELETE FROM tblVandrel");
    merge(file, {});
    EXPECT_EQ(readBytes(bans), file) << "read into an empty database, written the same";
    // A name with a zero byte, as this program once wrote it, is written anew.
    const std::string nul = "[04.16.2017 21:03:11] aaaa \"Nu l\" \"1.2.3.4:5\" \"R\"\r\n";
    merge(std::string(nul).replace(nul.find("Nu l") + 2, 1, 1, '\0'), {});  // "Nu\0l"
    EXPECT_EQ(readBytes(bans), nul + file);
    // A double quote within a name, as another program may write it, stays in the name; it
    // once ran the name on into the address and the reason.
    merge("[04.16.2017 21:03:11] bbbb \"Jay\"yz\" \"1.2.3.4:5\" \"R S\"\r\n", {});
    EXPECT_EQ(readBytes(bans),
              nul + "[04.16.2017 21:03:11] bbbb \"Jay'yz\" \"1.2.3.4:5\" \"R S\"\r\n" + file);
    // Nor is a GUID of a database changed by hand that no line can carry, or with a space
    // around it: read back as a line of another shape, it was kept and written again beside
    // it, once more at every merge; read back without the space, it was a second ban, and
    // lifting that one left the first's line banning the player. A dry run promised them.
    sql(db,
        "INSERT INTO tblVandrel (GUID, TimeStamp) VALUES ('abcd efgh', '[05.05.2017 10:00:00]'), "
        "(' hhhh9999', '[05.05.2017 10:00:00]'), ('iiii0000 ', '[05.05.2017 10:00:00]')");
    const std::string whole = readBytes(bans);
    TestWindow w;
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(previewMerge(w.form, *g_cnnDatabase, bans).fromStore, 0);
    g_CloseDatabase();
    merge(whole, {});
    merge(readBytes(bans), {});
    EXPECT_EQ(readBytes(bans), whole);
}

// A ban line always has its stamp: a row without one gets the merge's local time, month
// first; a line of no known shape is kept as it is, not taken apart into a made-up ban, nor
// is a line of a ban's shape whose GUID no ban line can hold dropped with its ban (fields
// parted by tabs, a zero byte after the GUID, an overlong GUID), nor one whose fourth field
// is not its GUID (a second stamp, a word before the GUID). Lines may end in a lone CR.
TEST_F(Merging, StamplessRowsGetTheMergesTimeAndOddLinesAreKept) {
    const Rows odd = {
        " 0123cdef \"Jayyz\" \"198.51.100.7:28960\" \"VIOLATION DETECTED -> (AIMBOT) #50001\"",
        "[04.16.2017 21:03:11] cccc3333\t\"Tab Name\"\t\"1.2.3.4:5\"\t\"VIOLATION X\"",
        std::string("[04.16.2017 21:03:11] dddd4444") + '\0' + " \"Zero\" \"1.2.3.4:5\" \"V\"",
        "[04.16.2017 21:03:11] " + std::string(257, 'e') + " \"Long\" \"1.2.3.4:5\" \"V\"",
        "[04.16.2017 21:03:11] [02.02.2020 10:00:00] iiii9999 \"Two\" \"1.2.3.4:5\" \"V\"",
        "[04.16.2017 21:03:11] extra jjjj0000 \"Word\" \"1.2.3.4:5\" \"V\""};
    const Rows tail = {"", odd[0], odd[1], odd[2], odd[3], odd[4], odd[5], ";temp"};
    const std::string keptOdd =
        "6 lines that are not ban lines were kept as they are, after the bans.        ";
    const std::time_t start = std::time(nullptr);
    EXPECT_EQ(
        merge(kBan1 + "\r" + odd[0] + "\r" + odd[1] + "\r" + kBan2 + "\r" + odd[2] + "\r" + odd[3] +
                  "\r" + odd[4] + "\r" + odd[5] + "\r;temp\r",
              {violationRow("ffff6666", "A", ""), violationRow("gggg7777", "B", "12.31.2016")})
            .said(),
        kDone +
            "4 bans have been written to 'pbbans.dat'        \r\n"
            "2 bans had no readable time stamp and got the time of this merge.        \r\n" +
            keptOdd);
    const std::time_t end = std::time(nullptr);
    const Rows stamps = sql(db, "SELECT TimeStamp FROM tblVandrel WHERE GUID > 'f'");
    ASSERT_EQ(stamps.size(), 2u);
    std::set<std::string> allowed;
    for (std::time_t t = start; t <= end; ++t) {
        char text[32];
        std::strftime(text, sizeof text, "[%m.%d.%Y %H:%M:%S]", std::localtime(&t));
        allowed.insert(text);
    }
    for (const auto& s : stamps) EXPECT_TRUE(allowed.count(s)) << s;
    const std::string file = readBytes(bans);
    for (const std::string& ban : {kBan1, kBan2})
        EXPECT_NE(file.find(ban + "\r\n"), std::string::npos);
    EXPECT_TRUE(file.ends_with(crlf(tail))) << file;

    // A ban an older database holds with a stamp of another shape is written as stored; read
    // again, its line is that ban's, not one of no known shape kept beside it, and lifting
    // the ban takes it out and says so.
    sql(db,
        "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) VALUES "
        "('hhhh8888', 'odd stamp', '\"Old\"', '\"192.0.2.8:8\"', '\"R\"')");
    merge(file, {});
    const std::string withOld = readBytes(bans);
    EXPECT_TRUE(
        withOld.ends_with("odd stamp hhhh8888 \"Old\" \"192.0.2.8:8\" \"R\"\r\n" + crlf(tail)))
        << withOld;
    EXPECT_EQ(merge(withOld, {}).said(),
              kDone + "No new ban's have been written to 'pbbans.dat'        \r\n" + keptOdd);
    EXPECT_EQ(readBytes(bans), withOld) << "kept lines come back unchanged";
    TestWindow w;
    const BanFileChange lifted = liftBans(w.form, bans, {"hhhh8888"}, "");
    EXPECT_TRUE(lifted.report.starts_with("1 ban lifted and removed from 'pbbans.dat'"))
        << lifted.report;
    EXPECT_EQ(readBytes(bans), file);
}

// Where no thread can be started beside the merge's own (a limit on a user's threads), a
// ban file large enough to be read in two halves is read in one, and the backup is made on
// the merge's own thread before the file is replaced: the same bans, file and backup as ever.
TEST_F(Merging, AMergeNeedsNoThreadBesideItsOwn) {
    std::string file;
    int lines = 0;
    for (; file.size() < 1536 * 1024; ++lines)
        file += "[04.16.2017 21:03:11] " + std::to_string(1000000 + lines) +
                "abcdef \"P\" \"192.0.2.1:1\" \"VIOLATION DETECTED -> (X) #50001\"\r\n";
    writeBytes(bans, file);
    const int status = underThreadLimit(
        {dir, db, bans}, [&] { return mergeRows(bans, {violationRow("new1")}).outcome.completed; });
    if (status == kNoThreadLimit) GTEST_SKIP() << "no limit on threads could be set";
    ASSERT_EQ(status, 0);
    const std::string merged = readBytes(bans);
    EXPECT_EQ(std::count(merged.begin(), merged.end(), '\n'), lines + 1);
    EXPECT_EQ(zipEntries(dir + "/" + filesIn(".zip").at(0)), (Entries{{"pbbans.dat", file}}));
}

// A folder whose name ends in a space is a folder of its own: the backup goes beside the
// ban file, not into the folder of the name without the space. A killed run's temporary
// backup goes once its process has ended (the ban file's own temporary file is the file
// writer's test); others' files stay, however old (a zip library's temporary name once went).
TEST_F(Merging, TheBackupGoesBesideTheFileAndOnlyLeftoversOfKilledRunsGo) {
    const std::string spaced = dir + "/srv ", bare = dir + "/srv";
    for (const std::string& folder : {spaced, bare}) std::filesystem::create_directories(folder);
    writeBytes(spaced + "/pbbans.dat", crlf({kBan1}));
    EXPECT_TRUE(mergeRows(spaced + "/pbbans.dat", {}).outcome.completed);
    EXPECT_TRUE(std::filesystem::is_empty(bare));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(spaced), {}), 2)
        << "the ban file and its backup";

    pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string deadZip =
        "/.08-12-2026_10-00-00_pbbans.zip." + std::to_string(gone) + ".1.tmp";
    const Rows kept = {"/x_pbbans.zip.Ab12Cd", "/.notes.tmp"};
    for (const std::string& name : {deadZip, kept[0], kept[1]}) writeBytes(dir + name, "left");
    const std::time_t old = std::time(nullptr) - 2 * 3600;
    const timeval times[2] = {{old, 0}, {old, 0}};
    ::utimes((dir + kept[0]).c_str(), times);
    EXPECT_TRUE(merge(crlf({kBan1}), {}).outcome.completed);
    EXPECT_FALSE(std::filesystem::exists(dir + deadZip));
    for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(dir + name)) << name;
}

// What a merge has seen: every grid row (whichever became the ban, a lifted ban's row
// that was skipped, an appending merge's), every line of a ban file it writes again (a
// GUID banned already under another name too, whose line the database's replaces) and,
// of the lines that stay (a tail appended during the merge, an appending merge's file),
// none but those of GUIDs it newly bans. A grid row without a stamp was seen at no known
// moment. A line appended during the merge is kept, unless it is the line of a ban lifted:
// the game server would ban that player again while the database says the ban is lifted.
TEST_F(Merging, MergesRecordGridRowsAndTheFilesNewBansAsAliases) {
    sql(db,
        "INSERT INTO tblLiftedBans VALUES ('bbbb2222', '\"Two\"', '[06.01.2017 00:00:00]', '');"
        "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP) VALUES "
        "('cccc3333', '[01.01.2017 00:00:00]', '\"Stored\"', '\"192.0.2.3:3\"')");
    const std::string elsewhere =
        "[02.02.2017 00:00:00] CCCC3333 \"Elsewhere\" \"192.0.2.4:4\" \"MANUAL BAN\"";
    const std::string seenBy =
        "SELECT GUID, PlayerName, IP, FirstSeen, LastSeen FROM tblAliases "
        "ORDER BY GUID, PlayerName, IP";
    const Rows appended = {
        "[01.01.2018 00:00:00] DDDD4444 \"Tail\" \"192.0.2.1:1\" \"\"",
        "[05.03.2017 10:00:00] AAAA1111 \"Renamed\" \"192.0.2.9:9\" \"MANUAL BAN\""};
    MergeOptions options;
    options.beforeReplace = [&] { appendBytes(bans, crlf(appended) + kBan2 + "\r\n"); };
    const Merged merged =
        merge(crlf({kBan1, elsewhere}),
              {violationRow("AAAA1111", "^1O^7ne", "[12.31.2016 23:59:59]"),
               violationRow("aaaa1111", "^1O^7ne", "[03.01.2017 00:00:00]"),
               // No moment that can be: it was stored as the last time the player was seen.
               violationRow("AAAA1111", "^1O^7ne", "[00.00.2027 99:99:99]"),
               {"On\xE9", "(AIMBOT)", "50001", "", "(slot #1)", "aaaa1111", "203.0.113.5:28960"},
               violationRow("bbbb2222", "Two", "[05.01.2017 00:00:00]"),
               violationRow("unknown", "Nobody")},
              options);
    EXPECT_EQ(merged.said(), kDone +
                                 "4 bans have been written to 'pbbans.dat'        \r\n"
                                 "2 skipped: bans lifted        ");
    EXPECT_EQ(readBytes(bans), crlf({violationLine("AAAA1111", "^1O^7ne", "[12.31.2016 23:59:59]"),
                                     "[01.01.2017 00:00:00] cccc3333 \"Stored\" \"192.0.2.3:3\" ",
                                     appended[0], appended[1]}))
        << "the lifted ban's line stays out";
    EXPECT_EQ(guids(), (Rows{"AAAA1111", "cccc3333", "DDDD4444"}));
    EXPECT_EQ(
        sql(db, seenBy),
        (Rows{"aaaa1111|\"One\"|\"192.0.2.1:1\"|[04.16.2017 21:03:11]|[04.16.2017 21:03:11]",
              "aaaa1111|\"On\xE9\"|\"203.0.113.5:28960\"||",
              "AAAA1111|\"^1O^7ne\"|\"198.51.100.7:28960\"|[12.31.2016 23:59:59]|"
              "[03.01.2017 00:00:00]",
              "bbbb2222|\"Two\"|\"198.51.100.7:28960\"|[05.01.2017 00:00:00]|"
              "[05.01.2017 00:00:00]",
              "CCCC3333|\"Elsewhere\"|\"192.0.2.4:4\"|[02.02.2017 00:00:00]|"
              "[02.02.2017 00:00:00]",
              "DDDD4444|\"Tail\"|\"192.0.2.1:1\"|[01.01.2018 00:00:00]|[01.01.2018 00:00:00]"}));

    sql(db, "DELETE FROM tblAliases");
    options = {};
    options.appendOnly = true;
    ASSERT_TRUE(merge(readBytes(bans) + crlf({"[05.04.2017 10:00:00] gggg7777 \"Game\" \"\" \"\""}),
                      {violationRow("aaaa1111", "^1O^7ne", "[01.02.2017 00:00:00]"),
                       violationRow("ffff6666", "New")},
                      options)
                    .outcome.completed);
    EXPECT_EQ(sql(db, seenBy),
              (Rows{"aaaa1111|\"^1O^7ne\"|\"198.51.100.7:28960\"|[01.02.2017 00:00:00]|"
                    "[01.02.2017 00:00:00]",
                    "ffff6666|\"New\"|\"198.51.100.7:28960\"|[06.01.2017 00:00:00]|"
                    "[06.01.2017 00:00:00]"}));
}

// The database fails once the new ban file has taken its name, and the old file cannot be
// put back (its folder gone): the box says the file was changed and the database not. It
// once said that both were as they were.
TEST_F(Merging, AFileThatCannotBePutBackIsSaidToHaveChanged) {
    const std::string folder = dir + "/server";
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/pbbans.dat";
    writeBytes(file, crlf({kBan1}));
    MergeOptions options;
    options.beforeCommit = [&](BanStore&) {
        std::filesystem::remove_all(folder);
        throw Error(61, "", "Disk full");
    };
    const Merged merged = mergeRows(file, {violationRow("cccc3333", "New")}, options);
    EXPECT_FALSE(merged.outcome.completed);
    EXPECT_TRUE(merged.outcome.fileReplaced);  // the command line says the file changed
    EXPECT_NE(merged.said().find("Disk full; the ban file was changed already and could not be "
                                 "put back as it was (No such file or directory: " +
                                 file +
                                 "); the next merge makes the ban file and the database "
                                 "agree again 61        \r\nThe ban file was changed and "
                                 "the ban database was not;"),
              std::string::npos)
        << merged.said();
    EXPECT_EQ(guids(), Rows{});
}

}  // namespace
}  // namespace th::test
