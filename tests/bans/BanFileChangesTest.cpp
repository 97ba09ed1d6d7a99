#include <gtest/gtest.h>

#include "bans/BanFileChanges.h"
#include "bans/BanStore.h"
#include "bans/Database.h"
#include "bans/Merge.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

const std::string kA = "aaaa0000aaaa0000aaaa0000aaaa0000";
const std::string kB = "bbbb1111bbbb1111bbbb1111bbbb1111";
const std::string kLineA =
    "[04.16.2017 21:03:11] " + kA +
    " \"Jay'yz\" \"198.51.100.7:28960\" \"VIOLATION DETECTED -> AIMBOT #50001\"";
const std::string kLineB =
    "[05.01.2017 10:00:00] " + kB +
    " \"Other\" \"192.0.2.1:28960\" \"VIOLATION DETECTED -> WALLHACK #50002\"";
const std::string kReminder =
    "A running game server keeps its ban list in memory until it reloads it (pb_sv_banload or a "
    "restart).        ";

const std::string kSeen = "[04.16.2017 21:03:11]", kSeenAfter = "[01.01.2099 00:00:00]";

class BanFileChanges : public BanFolderTest {
  protected:
    // Merges one grid row of A, stamped as given, into the ban file; the merge's report.
    std::string mergeA(const std::string& stamp, bool appendOnly = false) {
        MergeOptions options;
        options.banFile = bans;
        options.appendOnly = appendOnly;
        const Merged merged = mergeRows(bans, {violationRow(kA, "Jay'yz", stamp)}, options);
        EXPECT_TRUE(merged.outcome.completed) << merged.said();
        return merged.outcome.report;
    }
    // A ban file of these lines, A merged into it as seen at kSeen.
    void startWith(const Rows& lines) {
        writeBytes(bans, crlf(lines));
        mergeA(kSeen);
    }
    // Lifts the bans through the file, in a window of its own.
    BanFileChange lift(const std::string& file, const std::vector<std::string>& guids,
                       const std::string& note = "") {
        TestWindow w;
        return liftBans(w.form, file, guids, note);
    }
    BanFileChange importOther() {  // imports the other server's file into the ban file
        TestWindow w;
        return importBanFiles(w.form, bans, {other});
    }
    bool liftA() { return lift(bans, {kA}).completed; }
    Rows banGuids() { return sql(db, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp"); }

    const std::string other = dir + "/other.dat";  // another server's ban file
};

// Lifted, a ban stays lifted when the old violation comes back from the grid, by either
// merge (follow's appending one reads old lines again after a restart; the ban file bringing
// it back is TheLastBanCanBeLifted's); a newer violation bans again and ends the lifting.
TEST_F(BanFileChanges, ALiftedBanStaysLiftedUntilTheCheatIsSeenAgain) {
    startWith({kLineB, "", ";temp ban of " + kA});

    const BanFileChange mixed =
        lift(bans, {"AAAA0000aaaa0000aaaa0000aaaa0000", "unknown-guid"}, "mistake");
    EXPECT_EQ(mixed.report,
              "1 ban lifted and removed from 'pbbans.dat'        \r\n1 other GUID was not banned "
              "       \r\n" +
                  kReminder);
    EXPECT_EQ(mixed.notBanned, 1) << "for the command line's status";
    const std::string lifted = readBytes(bans);
    EXPECT_EQ(lifted, crlf({kLineB, "", ";temp ban of " + kA}));
    EXPECT_EQ(banGuids(), (Rows{kB}));
    const Rows liftings = sql(db, "SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans");
    ASSERT_EQ(liftings.size(), 1u);
    EXPECT_TRUE(liftings[0].starts_with(kA + "|\"Jay``yz\"|[")) << liftings[0];
    EXPECT_TRUE(liftings[0].ends_with("]|mistake")) << liftings[0];
    EXPECT_EQ(filesIn(".zip").size(), 2u) << "the unban backs the file up as a merge does";
    // Lifted again through another file that still holds its line: none lifted, but the
    // line goes, and the report says so rather than passing for a file left alone.
    writeBytes(other, crlf({kLineA}));
    EXPECT_EQ(lift(other, {kA}).report,
              "0 bans lifted and removed from 'other.dat'        \r\n1 GUID was not banned        "
              "\r\n1 line of a ban lifted before was taken out of it as well        \r\n" +
                  kReminder);
    EXPECT_EQ(readBytes(other), crlf({kLineB}));
    // Lifted again through a file that no longer holds it (the window's list was older):
    // nothing to do, nothing backed up, and no reload asked for.
    const size_t zips = filesIn(".zip").size();
    const std::string again = lift(other, {kA}).report;
    EXPECT_TRUE(
        again.starts_with("0 bans lifted; nothing was changed        \r\n1 GUID is not "
                          "banned: " +
                          kA + " (lifted ["))
        << again;
    EXPECT_TRUE(again.ends_with("])        ")) << again;
    EXPECT_FALSE(g_cnnDatabase) << "closed at its end, as a merge closes it";
    EXPECT_EQ(filesIn(".zip").size(), zips);
    EXPECT_EQ(readBytes(other), crlf({kLineB}));

    // The same scan merged again; then with the game server writing its old list back.
    EXPECT_NE(mergeA(kSeen, true).find("\r\n1 skipped: bans lifted        "), std::string::npos);
    EXPECT_EQ(readBytes(bans), lifted);
    // A violation seen after the lifting bans again, by either merge (each lifting is
    // dated no earlier than the ban it lifts, so the second is later still).
    for (const auto& [appending, seen] :
         {std::pair{true, kSeenAfter}, std::pair{false, std::string("[01.02.2099 00:00:00]")}}) {
        SCOPED_TRACE(appending);
        mergeA(seen, appending);
        EXPECT_EQ(banGuids(), (Rows{kB, kA}));
        EXPECT_EQ(sql(db, "SELECT count(*) FROM tblLiftedBans"), (Rows{"0"}));
        ASSERT_TRUE(liftA());
    }
    // The lifted line written back, and the player seen cheating again: as many ban lines
    // as before, one of them a new ban, which the report once said there was none of.
    writeBytes(bans, crlf({kLineA, kLineB}));
    EXPECT_TRUE(mergeA("[01.03.2099 00:00:00]")
                    .starts_with("Merge complete. 2 bans have been written to 'pbbans.dat'"));
}

// The question names the bans it lifts, the first five of more.
TEST(LiftQuestion, NamesTheBans) {
    EXPECT_EQ(liftQuestionText({"Jay (aaaa)"}),
              "Lift 1 ban?\nJay (aaaa)\nIt is removed from the ban database and from the "
              "pbbans.dat file you choose next, which is backed up first.");
    EXPECT_EQ(liftQuestionText({"a (1)", "b (2)", "c (3)", "d (4)", "e (5)", "f (6)", "g (7)"}),
              "Lift 7 bans?\na (1)\nb (2)\nc (3)\nd (4)\ne (5)\nand 2 more\nThey are removed "
              "from the ban database and from the pbbans.dat file you choose next, which is "
              "backed up first.");
}

// Lifting the only ban leaves a ban file with no ban line, its temp bans kept; the lines
// of the player kept as they are (stamps of other shapes, in any letter case) go with it,
// where they once stayed and banned him still. When the game server (or another server of
// a fleet) writes the lifted ban back, the next merge takes it out again: it once left the
// file as it was, as if it held no ban.
TEST_F(BanFileChanges, TheLastBanCanBeLifted) {
    const std::string oddB = "[1.2.2017 1:2:3] " + kB + " \"Other\" \"192.0.2.1:1\" \"R\"";
    startWith({";temp ban of " + kB, "[1.2.2017 1:2:3] " + kA + " \"Old\" \"R\"",
               "[2017-04-16] AAAA0000aaaa0000aaaa0000aaaa0000\t\"Old\"", oddB});
    ASSERT_TRUE(liftA());
    EXPECT_EQ(readBytes(bans), crlf({";temp ban of " + kB, oddB}));
    writeBytes(bans, crlf({kLineA, "", ";temp ban of " + kB}));
    EXPECT_NE(mergeA(kSeen).find("\r\n2 skipped: bans lifted        "), std::string::npos);
    EXPECT_EQ(readBytes(bans), crlf({";temp ban of " + kB}));
}

// Another server's value over 500 bytes is cut as a merge cuts it, and never ends in the
// `" ` that would end its field early when the line is read again.
TEST_F(BanFileChanges, AnImportedOverlongValueIsCutToWhatReadsBack) {
    const std::string kept(498, 'a');
    writeBytes(bans, "");
    writeBytes(other, crlf({"[06.01.2017 08:00:00] cccc2222 \"" + kept + "\" " +
                            std::string(100, 'b') + "\" \"192.0.2.5:1\" \"R\""}));
    ASSERT_TRUE(importOther().completed);
    const std::string file = readBytes(bans);
    EXPECT_EQ(file,
              crlf({"[06.01.2017 08:00:00] cccc2222 \"" + kept + "\" \"192.0.2.5:1\" \"R\""}));
    ASSERT_TRUE(mergeRows(bans, {}).outcome.completed);
    EXPECT_EQ(readBytes(bans), file) << "read back and written the same";
    // A double quote or a zero byte inside a name is stored as the file holds it once
    // written; the database kept them, and told the names apart from the file's.
    writeBytes(other, crlf({std::string("[06.01.2017 08:00:01] dddd3333 \"Say \"hi\" n") + '\0' +
                            "l\" \"192.0.2.6:1\" \"R\""}));
    ASSERT_TRUE(importOther().completed);
    EXPECT_EQ(sql(db, "SELECT PlayerName FROM tblVandrel WHERE GUID = 'dddd3333'"),
              (Rows{"\"Say ``hi`` n l\""}));  // apostrophes stored as ever
    EXPECT_NE(readBytes(bans).find("dddd3333 \"Say 'hi' n l\""), std::string::npos);
}

// A lifting of many bans is stopped at any one of them, not after the last: it once ran on
// to the end and lifted them all while the window said "Stopping...". Bans lifted through a
// file that does not hold them all (another server's, chosen by mistake) are not said to
// have been removed from it: it once said so of every one.
TEST_F(BanFileChanges, ALiftingStopsBetweenBansAndSaysWhichBansTheFileDidNotHold) {
    startWith({kLineA, kLineB, "[05.02.2017 10:00:00] cccc \"C\" \"\" \"\""});
    const std::string fileBefore = readBytes(bans);
    TestWindow w;
    w.scripted.events.onRepaint = [&] {  // Cancel, once the lifting is past its first ban
        if (w.form.prgScanning.maximum() == 2 && w.form.prgScanning.value() == 1)
            w.form.cancel.request();
    };
    EXPECT_FALSE(liftBans(w.form, bans, {kA, kB, "cccc"}, "").completed);
    EXPECT_EQ(readBytes(bans), fileBefore);
    EXPECT_EQ(sql(db, "SELECT count(*) FROM tblLiftedBans"), Rows{"0"});
    EXPECT_EQ(banGuids().size(), 3u);

    writeBytes(other, crlf({kLineB}));
    EXPECT_EQ(lift(other, {kA, kB}).report,
              "2 bans lifted and removed from 'other.dat'        \r\n1 of them was not in it  "
              "      \r\n" +
                  kReminder);
    writeBytes(other, "");
    EXPECT_EQ(lift(other, {"cccc"}).report,
              "1 ban lifted; 'other.dat' did not hold it        \r\n" + kReminder);
}

// A ban stamped ahead of this machine's clock (another time zone, a clock set wrong) is
// lifted too, dated no earlier than itself or any sighting of the player: its own line, in
// this file or in another server's, is no violation after the lifting. The ban is one the
// ban file alone holds (the game server's own, not merged yet): the file's lines are stored
// before the lifting.
TEST_F(BanFileChanges, ABanStampedAheadOfTheClockIsLifted) {
    const std::string ahead = "[01.01.2099 00:00:00] " + kA + " \"Ahead\" \"\" \"\"";
    writeBytes(bans, crlf({kLineB, ahead}));
    ASSERT_TRUE(liftA());
    EXPECT_EQ(readBytes(bans), crlf({kLineB}));
    EXPECT_EQ(banGuids(), (Rows{kB}));
    writeBytes(other, crlf({ahead}));
    EXPECT_TRUE(mergeRows(other, {}).outcome.completed);
    EXPECT_EQ(readBytes(other), crlf({kLineB}));

    // Nor is a violation seen ahead of the clock by another server of a fleet, while the
    // ban keeps its earlier stamp: the lifting is dated no earlier than any sighting.
    sql(db, "DELETE FROM tblLiftedBans");
    writeBytes(bans, crlf({kLineA, kLineB}));
    mergeA("[01.02.2099 00:00:00]");
    ASSERT_TRUE(liftA());
    EXPECT_NE(mergeA("[01.02.2099 00:00:00]").find("1 skipped: bans lifted"), std::string::npos);

    // A stamp of no real moment (day first: month 13) dates nothing, or every later
    // violation of its year would count as before the lifting.
    sql(db, "DELETE FROM tblLiftedBans; DELETE FROM tblAliases");
    startWith({kLineB, "[13.01.2099 00:00:00] " + kA + " \"Day first\" \"\" \"\""});
    ASSERT_TRUE(liftA());
    EXPECT_EQ(sql(db, "SELECT LiftedAt < '[13' FROM tblLiftedBans"), (Rows{"1"}));
}

// Another server's file: its bans join, known ones are counted, lifted ones stay out,
// every line of no ban shape is named by file and line, and every name and address read
// is kept, a known GUID's and a second line's too. Of a GUID's lines, the ban is the one
// the merge would take (caught first). A line of no player adds no ban; a byte order mark
// before the first is no part of it.
TEST_F(BanFileChanges, ImportAddsReadableBansAndNamesTheRest) {
    startWith({kLineB});
    ASSERT_TRUE(liftA());

    const std::string kNew = "[06.01.2017 08:00:00] cccc2222 \"New, one\" \"203.0.113.5:28960\"",
                      kLater = "[07.01.2017 08:00:00] cccc2222 \"Later\" \"203.0.113.5:1\"";
    writeBytes(other, "\xEF\xBB\xBF" +
                          crlf({kLineA, kLineB, kLater, kNew, "; their temp ban", "",
                                "garbage line", "[06.01.2017 08:00:00] dddd \"only a name\"",
                                "[06.02.2017 08:00:00] BBBB1111bbbb1111bbbb1111bbbb1111 \"Bee\" "
                                "\"192.0.2.9:28960\" \"VIOLATION DETECTED -> WALLHACK #50002\"",
                                // No player to ban, so no ban added.
                                "[06.03.2017 08:00:00] unknown \"Unk\" \"192.0.2.8:1\" \"R\""}));
    EXPECT_EQ(
        importOther().report,
        "Import into 'pbbans.dat' complete: 1 ban added, 1 already known, 1 skipped: bans "
        "lifted, 2 lines repeating a GUID, 1 line naming no player, 2 lines unreadable, 2 lines "
        "ignored (temp bans and blank lines).        \r\n" +
            other + ":7: not a ban line, skipped\r\n" + other + ":8: not a ban line, skipped\r\n" +
            kReminder);
    EXPECT_EQ(readBytes(bans), crlf({kLineB, kNew + " "}));
    EXPECT_EQ(sql(db,
                  "SELECT PlayerName || ' ' || IP || ' ' || FirstSeen FROM tblAliases "
                  "WHERE GUID = '" +
                      kB + "' ORDER BY PlayerName"),
              (Rows{"\"Bee\" \"192.0.2.9:28960\" [06.02.2017 08:00:00]",
                    "\"Other\" \"192.0.2.1:28960\" [05.01.2017 10:00:00]"}));

    // Nothing to import into a database of no ban is an import of nothing: it once failed,
    // saying to run a merge first.
    sql(db, "DELETE FROM tblVandrel");
    writeBytes(bans, crlf({"; our temp ban"}));
    writeBytes(other, crlf({"; their temp ban"}));
    EXPECT_EQ(importOther().report,
              "Import into 'pbbans.dat' complete: 0 bans added, 0 already known, 0 lines "
              "unreadable, 1 line ignored (temp bans and blank lines).        \r\n" +
                  kReminder);

    // A file that cannot be read (here a folder), a file of no ban line and a program
    // change nothing; the last two were imported as nothing and said complete.
    TestWindow w;
    const std::string program = dir + "/program";
    writeBytes(program, "\x7F" + std::string("ELF\0\0\r\n", 7) + kLineA + "\r\n");
    writeBytes(other, crlf({kLineA, "garbage line"}));
    for (const auto& [file, said] : std::vector<std::pair<std::string, std::string>>{
             {dir + "/none.dat", dir + "/none.dat holds no ban line, only lines of another shape"},
             {program,
              "This is not a ban file: it holds bytes no text file has (a program, an "
              "archive or a database?): " +
                  program}}) {
        writeBytes(dir + "/none.dat", crlf({"garbage line", "; a temp ban"}));
        EXPECT_FALSE(importBanFiles(w.form, bans, {other, file}).completed);
        EXPECT_EQ(
            w.scripted.messages.shown.back().prompt,
            "The ban files could not be imported        \r\n" + said +
                " 321        \r\nThe ban file and the ban database are as they were.        ");
    }
    EXPECT_EQ(readBytes(bans), crlf({"; our temp ban"}));
    EXPECT_FALSE(importBanFiles(w.form, bans, {dir}).completed);
    EXPECT_NE(w.scripted.messages.shown.back().prompt.find("Is a directory: " + dir + " "),
              std::string::npos);
    EXPECT_EQ(readBytes(bans), crlf({"; our temp ban"}));
    // Nor does a ban file that is none; the box names what failed, no merge of a log.
    writeBytes(bans, std::string("\0", 1));
    EXPECT_FALSE(importBanFiles(w.form, bans, {other}).completed);
    EXPECT_TRUE(w.scripted.messages.shown.back().prompt.starts_with(
        "The ban files could not be imported        \r\nThis is not a ban file"));
    EXPECT_FALSE(liftBans(w.form, bans, {kB}, "").completed);
    EXPECT_TRUE(w.scripted.messages.shown.back().prompt.starts_with(
        "The bans could not be lifted        \r\nThis is not a ban file"));
    EXPECT_EQ(readBytes(bans), std::string("\0", 1));
}

// An export stopped halfway leaves the file it was to replace as it was, and no part of
// the new one beside it.
TEST_F(BanFileChanges, AStoppedExportLeavesTheFileAsItWas) {
    startWith({kLineB});
    const std::string out = dir + "/bans.csv";
    writeBytes(out, "an older export");
    TestWindow w;
    const std::unique_ptr<BanStore> store = openBanStore(w.form, db);
    CancelToken cancel;
    cancel.request();
    EXPECT_THROW(exportBanList(*store, out, BanListFormat::Csv, &cancel), Cancelled);
    EXPECT_EQ(readBytes(out), "an older export");
    EXPECT_EQ(filesIn(".tmp"), Rows{});
}

}  // namespace
}  // namespace th::test
