#include <sys/stat.h>

#include "bans/SchemaMigration.h"
#include "cli/GridInputs.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/GridForm.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

// --new-only, end to end: each run reads only the lines it has not read (which lines those
// are is the log positions' test); merge keeps its own place apart from the commands that
// only look.
class NewOnly : public CommandFolder {
  protected:
    // The first column (player names) of what scan --new-only prints.
    std::string looked() {
        CliResult r = runCli({"scan", "--raw", "--new-only", "--db", db, logs});
        EXPECT_EQ(r.status, 0) << r.err;
        std::string names;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);)
            names += line.substr(0, line.find('\t')) + " ";
        return names;
    }
};

TEST_F(NewOnly, EachRunReadsWhatWasAppendedSinceAndMergeKeepsItsOwnPlace) {
    append("1.log", violation("Amy", guidOf(1)));
    EXPECT_EQ(looked(), "Amy ");
    EXPECT_EQ(looked(), "");
    append("1.log", violation("Bob", guidOf(2)) + "chatter\n");
    append("2.log", violation("Cid", guidOf(3)));
    EXPECT_EQ(looked(), "Bob Cid ");

    // Looking hid nothing from the merge: it bans all three, then finds nothing new.
    const Rows merge = {"merge", "--bans", bans, "--db", db, "--new-only", logs};
    const CliResult merged = runCli(merge);
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.out, "Merge complete. 3 bans have been written to 'pbbans.dat'\n");
    EXPECT_EQ(runCli(merge).err, "No new violations in the logs; " + bans + " is unchanged\n");
    // Its dry run says so too: with a ban the game server appended, it promised that the
    // database would gain it, which the merge leaves to one with new violations.
    appendBytes(bans, violationLine(guidOf(9)) + "\r\n");
    Rows dry = merge;
    dry.push_back("--dry-run");
    EXPECT_EQ(runCli(dry), (CliResult{0, "",
                                      "No new violations in the logs; the merge would leave " +
                                          bans + " unchanged; nothing was changed\n"}));
}

// A failed output moves no place: the next run reads the same lines again.
TEST_F(NewOnly, APlaceMovesOnlyAfterTheOutputIsWritten) {
    append("1.log", violation("Amy", guidOf(1)));
    EXPECT_EQ(runCli({"save", "-o", dir + "/no/x.sf", "--new-only", "--db", db, logs}).status, 1);
    EXPECT_EQ(runCli({"save", "-o", dir + "/x.sf", "--new-only", "--db", db, logs}),
              (CliResult{0, "", "'x.sf' has been saved, 1 records\n"}));
    const CliResult html = runCli({"html", "-o", dir + "/x.html", "--new-only", "--db", db, logs});
    EXPECT_HOLDS(html.err, ", 0 records");
    // A merge that cannot write the ban file leaves its place too.
    ::chmod(bans.c_str(), 0444);
    ::chmod(dir.c_str(), 0555);
    CliResult refused = runCli({"merge", "--bans", bans, "--db", db, "--new-only", logs});
    ::chmod(dir.c_str(), 0755);
    ::chmod(bans.c_str(), 0644);
    EXPECT_TRUE(refused.status == 1 || ::geteuid() == 0) << refused.err;  // root may write it
    // Its place unmoved, the next merge bans Amy.
    EXPECT_EQ(runCli({"merge", "--bans", bans, "--db", db, "--new-only", logs}).status, 0);
    EXPECT_EQ(sql(db, "SELECT count(*) FROM tblVandrel"), Rows{"1"});
}

// Everything a dry run could touch, byte for byte: the folder's files and the database's rows.
std::map<std::string, std::string> everything(const std::string& dir, const std::string& db) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) all[e.path().string()] = readBytes(e.path().string());
    for (const char* table : {"tblVandrel", "tblTempBans", "tblLogPositions"})
        for (const std::string& row : sql(db, std::string("SELECT * FROM ") + table))
            all[std::string("row of ") + table] += row + "\n";
    return all;
}

// Each log is held open while it is read from its place: a folder of more logs than the
// limit of open files the tool starts with (1,024 is usual) is read all the same.
TEST_F(NewOnly, AFolderOfMoreLogsThanTheOpenFileLimitIsRead) {
    for (int i = 0; i < 80; ++i)
        append(std::to_string(i) + ".log", violation("P" + std::to_string(i), guidOf(i)));
    const CliResult r =
        runProgram({"scan", "--raw", "--new-only", "--db", db, logs}, {.openFiles = 32});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 80);
}

// A log cut short once the look was planned (copied and truncated by a rotation while the
// other logs were read) fails the look, so that its place does not move: it moved to the
// planned end, and the lines before it, in the copy, were never read.
TEST_F(NewOnly, ALogCutShortWhileTheLogsAreReadFailsTheLook) {
    append("a.log", violation("A", guidOf(1)));
    cli::GridSources sources = cli::gatherSources({logs});
    cli::planNewOnly(sources, {});
    ASSERT_EQ(::truncate((logs + "/a.log").c_str(), 0), 0);
    GridForm w;
    try {
        cli::buildGrid(w.form, sources, false);
        ADD_FAILURE() << "the look went on";
    } catch (const Error& e) {
        EXPECT_EQ(e.description(), logs +
                                       "/a.log was cut short while it was read (a log "
                                       "rotation?); it is read again from where it stood");
    }
}

// A log renamed by a rotation once the look was planned is read through the plan: it was
// looked for again under its old name and failed the whole look, every log's.
TEST_F(NewOnly, ALogRenamedWhileTheLogsAreReadIsReadThroughThePlan) {
    append("a.log", violation("A", guidOf(1)));
    cli::GridSources sources = cli::gatherSources({logs});
    cli::planNewOnly(sources, {});
    fs::rename(logs + "/a.log", logs + "/a.log.1");
    GridForm w;
    cli::buildGrid(w.form, sources, false);
    EXPECT_EQ(w.form.vsFlexGrid1.rows(), 2);
}

TEST_F(NewOnly, ADryRunChangesNothingAnywhere) {
    writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
    ASSERT_EQ(runCli({"merge", "--bans", bans, "--db", db, dataPath("bans/cli.log")}).status, 0);
    const std::string lifted = "1111111111111111111111111111aaaa";
    ASSERT_EQ(runCli({"db", "unban", "--db", db, "--bans", bans, lifted}).status, 0);
    // Zed cheats again after the lifting; the dry run ends no lifting, so it needs no
    // database it may write to.
    append("1.log", violation("Zed", lifted).replace(0, 21, "[01.01.2099 00:00:00]") +
                        violation("Amy", guidOf(1)) +
                        violation("Old", "0123abcd0123abcd0123abcd0123abcd") +
                        violation("Lifted", lifted));
    const auto before = everything(dir, db);
    for (bool newOnly : {false, true}) {
        Rows args = {"merge", "--bans", bans, "--db", db, "--dry-run", logs};
        if (newOnly) args.push_back("--new-only");
        // The ban already in the file is not new, nor is the lifted one seen before the
        // lifting, which is said to be skipped; Amy and Zed are, in the ban file's order.
        EXPECT_EQ(runCli(args),
                  (CliResult{0,
                             bannedLine("Amy", 1) + "[01.01.2099 00:00:00]\t" + lifted +
                                 "\tZed\tVIOLATION DETECTED -> (AIMBOT) #50001\n",
                             "2 bans would be added to " + bans +
                                 "; 1 violation of a lifted ban would be skipped; nothing was "
                                 "changed\n"}));
        EXPECT_EQ(everything(dir, db), before);
    }
    // A database of an older version is refused as it is, not upgraded.
    sql(db, "PRAGMA user_version = 3");
    const auto older = everything(dir, db);
    CliResult r = runCli({"merge", "--bans", bans, "--db", db, "--dry-run", logs});
    EXPECT_EQ(r.status, 1);
    EXPECT_HOLDS(r.err,
                 db + " holds ban database version 3; the next merge upgrades it to version " +
                     std::to_string(latestSchemaVersion()) +
                     " (after a backup). It is left as it is.");
    EXPECT_EQ(everything(dir, db), older);
    // One that reads as the newest does is read as it is.
    sql(db, "PRAGMA user_version = " + std::to_string(oldestReadableSchemaVersion()));
    EXPECT_EQ(runCli({"merge", "--bans", bans, "--db", db, "--dry-run", logs}).status, 0);
    // A file the merge refuses is refused, not promised.
    sql(db, "PRAGMA user_version = " + std::to_string(latestSchemaVersion()));
    writeBytes(bans, readBytes(bans) + std::string(1, '\0'));
    r = runCli({"merge", "--bans", bans, "--db", db, "--dry-run", logs});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_HOLDS(r.err, "This is not a ban file");
}

// The file is written again from the database: a second ban file on it gains the bans it
// lacks, and a file kept from before a lifting loses the lifted ban's line. The dry run
// says so, and the merges then do just that.
TEST_F(NewOnly, ADryRunSaysWhatTheFileGainsFromTheDatabaseAndLoses) {
    append("1.log", violation("Amy", guidOf(1)) + violation("Bob", guidOf(2)));
    ASSERT_EQ(runCli({"merge", "--bans", bans, "--db", db, logs}).status, 0);
    const std::string kept = dir + "/kept.dat", other = dir + "/other.dat";
    writeBytes(kept, readBytes(bans));
    // A ban of its own the database lacks: the database, and every server sharing it, gains it.
    writeBytes(other, "[01.01.2010 00:00:00] " + guidOf(9) + " \"Own\" \"1.2.3.4:1\" \"R\"\r\n");
    ASSERT_EQ(runCli({"db", "unban", "--db", db, "--bans", bans, guidOf(2)}).status, 0);
    const std::string log = dir + "/new.log";
    writeBytes(log, violation("Cid", guidOf(3)));

    const std::pair<std::string, std::string> said[] = {
        {other,
         ", and 1 ban the database holds that it lacks; the database would gain 1 ban from it"},
        {kept, "; 1 line of a lifted ban would be taken out of it"},
    };
    for (const auto& [file, besides] : said) {
        EXPECT_EQ(
            runCli({"merge", "--bans", file, "--db", db, "--dry-run", log}),
            (CliResult{0, bannedLine("Cid", 3),
                       "1 ban would be added to " + file + besides + "; nothing was changed\n"}));
    }
    for (const std::string& file : {other, kept, bans})
        ASSERT_EQ(runCli({"merge", "--bans", file, "--db", db, log}).status, 0);
    const std::string withOwn = readBytes(bans);  // Amy, Cid and the other file's own
    EXPECT_EQ(std::count(withOwn.begin(), withOwn.end(), '\n'), 3);
    EXPECT_EQ(readBytes(other), withOwn);
    EXPECT_EQ(readBytes(kept), withOwn);
}

}  // namespace
}  // namespace th::test
