#include <sys/stat.h>

#include "bans/SchemaMigration.h"
#include "export/ScanFileFormat.h"
#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

// The ban commands end to end; what the merge, backup and reset do is checked in tests/bans.
class BanCommands : public CommandFolder {
  protected:
    void SetUp() override {
        CommandFolder::SetUp();
        writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
    }
    std::string log = dataPath("bans/cli.log");
};

// Failures name the file and leave it as it was (a read-only ban file: the merge's own test;
// what backup prints once it works: the db commands' paths test; reset's: the usage test
// below).
TEST_F(BanCommands, FailuresNameTheFileAndLeaveItAsItWas) {
    const std::string before = readBytes(bans), none = dir + "/none.mdb",
                      empty = dir + "/empty.mdb", pipe = dir + "/pipe.mdb";
    // Neither passes for a database to back up: the pipe once held the backup for ever, an
    // empty file was "backed up" as an empty database, and /dev/null got its zip in /dev.
    writeBytes(empty, "");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string newer = dir + "/newer.mdb";
    std::filesystem::copy_file(db, newer);
    sql(newer, "PRAGMA user_version = 99");
    const std::vector<std::pair<Rows, std::string>> cases = {
        // In one line, before a log is read: it spoke of a grid, a routine's name and an
        // error number.
        {{"merge", "--bans", bans, "--db", none, log},
         "tallyhound-cli: " + none + ": no ban database is there; make one with tallyhound-cli "
         "db init\n"},
        {{"merge", "--bans", bans, "--db", empty, log},
         "tallyhound-cli: " + empty +
             " is not a ban database of Tallyhound (it lacks the ban tables)\n"},
        {{"db", "import", "--bans", bans, "--db", newer, dataPath("bans/sample.pbbans.dat")},
         "tallyhound-cli: " + newer +
             " holds ban database version 99, made by a newer Tallyhound; this one knows up to "
             "version " + std::to_string(latestSchemaVersion()) +
             ". The database is left as it is.\n"},
        {{"merge", "--bans", bans, "--db", newer, log},
         "tallyhound-cli: " + newer +
             " holds ban database version 99, made by a newer Tallyhound; this one knows up to "
             "version " + std::to_string(latestSchemaVersion()) +
             ". The database is left as it is.\n"},
        {{"db", "backup", "--db", none},
         "Database could not be backed up: No such file or directory: " + none},
        {{"db", "reset", "--db", none, "--yes"},
         "Database not reset: " + none + ": no ban database is there"},
        // Refused before the copy, which each try once added to.
        {{"db", "reset", "--db", newer, "--yes"},
         "Database not reset: " + newer +
             " holds ban database version 99, made by a newer Tallyhound"},
        {{"db", "backup", "--db", empty},
         empty + " is not a ban database of Tallyhound (it lacks the ban tables)"},
        {{"db", "backup", "--db", pipe},
         pipe + " is not a ban database of Tallyhound (it is not a file)"},
        {{"db", "stats", "--db", dir}, "unable to open database file (Is a directory): " + dir},
    };
    for (const auto& [args, text] : cases) {
        CliResult r = runCli(args);
        EXPECT_EQ(r.status, 1) << args[2];
        EXPECT_EQ(r.out, "");
        EXPECT_HOLDS(r.err, text);
        if (args[0] == "merge" || args[1] == "import") {
            EXPECT_EQ(r.err, text);
        }
    }
    EXPECT_EQ(readBytes(bans), before);
    EXPECT_FALSE(std::filesystem::exists(none));
    EXPECT_EQ(filesIn("_Vandrel.zip"), Rows{});
}

// A damaged page of the ban table reads as fewer bans, without a word from SQLite: a merge
// wrote the ban file from them, losing those bans, and said it was complete; so did a
// lifting and an import, and the export and the counts left them out. Each now refuses,
// the ban file as it was.
TEST_F(BanCommands, ADamagedBanTableIsRefusedNotWrittenOut) {
    Rows lines;
    for (int i = 0; i < 300; ++i) lines.push_back(violationLine(guidOf(i)));
    writeBytes(bans, crlf(lines));
    ASSERT_EQ(runCli({"merge", "--bans", bans, "--db", db, "/dev/null"}).status, 0);
    // One leaf page of the table now says it holds one row.
    const Rows page = sql(db,
                          "SELECT pageno, (SELECT page_size FROM pragma_page_size) FROM dbstat "
                          "WHERE name = 'tblVandrel' AND pagetype = 'leaf' LIMIT 1 OFFSET 1");
    ASSERT_EQ(page.size(), 1u);
    const long number = std::stol(page[0]), size = std::stol(page[0].substr(page[0].find('|') + 1));
    std::string bytes = readBytes(db);
    bytes[(number - 1) * size + 3] = 0, bytes[(number - 1) * size + 4] = 1;
    writeBytes(db, bytes);
    const std::string before = readBytes(bans);
    const std::string empty = dir + "/empty.dat";
    writeBytes(empty, "");
    for (const Rows& args : {Rows{"merge", "--bans", bans, "--db", db, "/dev/null"},
                             Rows{"db", "unban", "--bans", bans, "--db", db, guidOf(1)},
                             Rows{"db", "import", "--bans", bans, "--db", db, empty},
                             Rows{"db", "export", "--db", db, "-o", dir + "/bans.csv"},
                             Rows{"db", "stats", "--db", db}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.status, 1) << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_HOLDS(r.err, db + ": database disk image is malformed (");
        EXPECT_HOLDS(r.err, " in the index of their GUIDs); put back a backup of it");
    }
    EXPECT_EQ(readBytes(bans), before);
    EXPECT_FALSE(std::filesystem::exists(dir + "/bans.csv"));
}

// A ban line (merge --dry-run, follow) shows a Windows-1252 name in UTF-8, as db list does:
// its raw bytes made follow's line in the journal binary data.
TEST_F(BanCommands, BanLinesShowAWindows1252NameAsDbListDoes) {
    writeBytes(dir + "/w.log", violation("Caf\xE9", guidOf(7)));
    EXPECT_EQ(runCli({"merge", "--bans", bans, "--db", db, "--dry-run", dir + "/w.log"}).out,
              bannedLine("Caf\xC3\xA9", 7));
}

// Misuse of any command is a usage error, said as it is, and changes nothing: an empty name
// (not the default database nor a file that is not there; --db is one option of all the
// commands that take it), a mistyped command (CLI11 said
// only that a command was needed), what a command needs missing or out of range, an option
// it does not take, and a reset not confirmed, which keeps the bans. The built program, for
// its exit status: a service is not restarted after a usage error.
TEST_F(BanCommands, MisuseIsAUsageError) {
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('abc')");
    const std::string fifo = dir + "/fifo.log", none = dir + "/none", script = dir + "/script",
                      help = "\nRun with --help for more information.\n", me = "tallyhound-cli: ";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    writeBytes(script, "#!/bin/sh\n");
    writeBytes(dir + "/empty.mdb", "");
    writeBytes(dir + "/kept.sf", "");
    const std::vector<std::pair<Rows, std::string>> cases = {
        {{"db", "stats", "--db", ""}, "--db: the ban database's name is empty" + help},
        {{"merge", "--bans", "", log}, "--bans: the ban file's name is empty" + help},
        {{"merge", "--bans", bans, "--server", "", log},
         "--server: the game server's name is empty" + help},
        {{"scan", log, ""}, "INPUT: an input's name is empty" + help},
        {{"scna", log}, me + "'scna' is not a command; see tallyhound-cli --help\n"},
        {{"db", "l\x1Bst"},
         me + "'l\\x1Bst' is not an action of db; see tallyhound-cli db --help\n"},
        {{}, "A subcommand is required" + help},
        {{"html", log}, "--output is required" + help},
        {{"scan", "--threads", "0", "x"},
         "--threads: 0 is not a whole number from 1 to 1024" + help},
        {{"save", "--fold-colours", "-o", dir + "/x.sf", log},
         "The following argument was not expected: --fold-colours" + help},
        // A value given to a flag: "--dry-run=off" was read as no dry run, and merged.
        {{"merge", "--bans", bans, "--dry-run=off", log}, "--dry-run takes no value" + help},
        // A value left out: the next word was taken for it, --dry-run too, and merged.
        {{"merge", "--bans", bans, "--server=", "--dry-run", log},
         me + "--server: nothing follows '='; give a value after it\n"},
        {{"html", "-o", "--fold-colours", log},
         me + "-o: its value is missing (--fold-colours is the next option)\n"},
        {{"merge", "--bans", bans, "--server", "--db=" + db, log},
         me + "--server: its value is missing (--db=" + db + " is the next option)\n"},
        {{"merge", "--bans", bans, "--server", "--", "--dry-run", log},
         me + "--server: its value is missing (-- is the next option)\n"},
        {{"html", "-o=x.html", log}, me + "-o: write its value after a space, not after '='\n"},
        {{"merge", "--bans", bans, "--server", "--dry-run", log},
         me + "--server: its value is missing (--dry-run is the next option)\n"},
        {{"scan", "--db", "--new-only", log},
         me + "--db: its value is missing (--new-only is the next option)\n"},
        {{"db", "reset", "--db", db},
         me + "db reset removes every ban recorded in " + db + "; give --yes to confirm\n"},
        // follow's, which a service would otherwise be restarted after (a number out of
        // range is the shared check's). Fixed before: a pipe was taken as a log and never
        // read, without a word; a missing database was tried again and again, for ever; an
        // after-merge command that cannot be started, and a database that is none (an empty
        // file, a device), were said only after the first ban.
        {{"follow", "--bans", none + ".dat", logs},
         me + none + ".dat: not a ban file that can be followed (No such file or directory)\n"},
        {{"follow", "--bans", bans, none + "/x.log"},
         me + none + "/x.log: no log or folder to follow\n"},  // nor its folder
        // Any other cause is named: a folder this account may not enter read as missing.
        {{"follow", "--bans", bans, dir + "/" + std::string(300, 'x')},
         me + dir + "/" + std::string(300, 'x') +
             ": no log or folder to follow (File name too long)\n"},
        {{"follow", "--bans", bans, fifo},
         me + fifo + ": not a log file or folder; follow reads files that grow\n"},
        // A scan file, read as a log that held no violation; an empty command, which ran
        // nothing without a word.
        {{"follow", "--bans", bans, dir + "/kept.sf"},
         me + dir + "/kept.sf: a scan file, not a log; merge it with merge --bans\n"},
        {{"follow", "--bans", bans, "--after-merge", "", logs},
         "--after-merge: the command's name is empty" + help},
        {{"follow", "--bans", bans, "--db", "postgresql://fleet:secret@/bans?host=/tmp", logs},
         me + "postgresql://***@/bans?host=/tmp holds a password; Tallyhound reads database "
              "passwords from a password file only (~/.pgpass, the file PGPASSFILE names, or "
              "the pgpass credential of its service)\n"},
        {{"follow", "--bans", bans, "--db", none + ".mdb", logs},
         me + none + ".mdb: no ban database is there; make one with tallyhound-cli db init\n"},
        {{"follow", "--bans", bans, "--db", dir + "/empty.mdb", logs},
         me + dir + "/empty.mdb is not a ban database of Tallyhound (it lacks the ban tables)\n"},
        {{"follow", "--bans", bans, "--db", "/dev/null", logs},
         me + "/dev/null is not a ban database of Tallyhound (it is not a file)\n"},
        {{"follow", "--bans", bans, "--after-merge", "relaod-bans now", logs},
         me + "--after-merge: relaod-bans is in no folder of PATH as a program that may be run\n"},
        {{"follow", "--bans", bans, "--after-merge", none, logs},
         me + "--after-merge: " + none + ": No such file or directory\n"},
        {{"follow", "--bans", bans, "--after-merge", dir, logs},
         me + "--after-merge: " + dir + ": not a file\n"},
        {{"follow", "--bans", bans, "--after-merge", script, logs},
         me + "--after-merge: " + script + ": not a program that may be run\n"},
    };
    for (const auto& [args, said] : cases) {
        const CliResult r = runProgram(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.out + r.err, said);
    }
    EXPECT_EQ(sql(db, "SELECT GUID FROM tblVandrel"), (Rows{"abc"}));
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.sf"));
    EXPECT_EQ(runCli({"--help"}).status, 0);
    // The bans go for good: the database is zipped first.
    const CliResult reset = runCli({"db", "reset", "--db", db, "--yes"});
    const std::string archive = reset.out.substr(19, reset.out.find('\n') - 19);
    EXPECT_EQ(reset.out,
              "Backed up first to " + archive + "\nDatabase has been successfully reset\n");
    const Entries zipped = zipEntries(archive);
    ASSERT_EQ(zipped.size(), 1u);
    EXPECT_EQ(zipped[0].first, "Vandrel.mdb");
    writeBytes(dir + "/zipped.mdb", zipped[0].second);
    EXPECT_EQ(sql(dir + "/zipped.mdb", "SELECT GUID FROM tblVandrel"), (Rows{"abc"}));
    EXPECT_TRUE(sql(db, "SELECT GUID FROM tblVandrel").empty());
    // A database this account cannot change is not reset, nor copied first for nothing
    // beside it: every try left one more copy of the whole database.
    // Nor backed up when it cannot be read, which the message says.
    const auto mode = std::filesystem::status(dir).permissions(),
               dbMode = std::filesystem::status(db).permissions();
    ::chmod(dir.c_str(), 0777);
    ::chmod(db.c_str(), 0600);
    const std::optional<std::string> refused = inChild(dir, [&]() -> std::string {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return "";
        std::string said;
        for (const Rows& args :
             {Rows{"db", "reset", "--db", db, "--yes"}, Rows{"db", "backup", "--db", db}}) {
            const CliResult r = runCli(args);
            said += std::to_string(r.status) + " " + r.out + r.err;
        }
        return said;
    });
    std::filesystem::permissions(db, dbMode);
    std::filesystem::permissions(dir, mode);
    EXPECT_EQ(refused, "1 tallyhound-cli: Database not reset: " + db +
                           " cannot be changed (Permission denied)\n1 tallyhound-cli: Database "
                           "could not be backed up: unable to open database file (Permission "
                           "denied): " +
                           db + "\n");
    EXPECT_EQ(filesIn(".zip").size(), 1u);
}

// A new server's first merge, with no ban in the file, the database or the logs, has nothing
// to write and has not failed: a scheduled merge would otherwise fail at every run.
TEST_F(BanCommands, NoBanAnywhereIsNothingToWriteNotAFailure) {
    writeBytes(bans, "; a temp ban\r\n");
    EXPECT_EQ(
        runCli({"merge", "--bans", bans, "--db", db, dataPath("logs/empty.log")}),
        (CliResult{0, "",
                   "No records found in database. Run a merge to update database\nNo bans in " +
                       bans + ", the database or the logs yet; " + bans + " is unchanged\n"}));
    EXPECT_EQ(readBytes(bans), "; a temp ban\r\n");

    // The logs' violations all of a lifted ban: said so.
    append("0.log", violation("Lifted", guidOf(7)));
    ASSERT_EQ(runCli({"merge", "--bans", bans, "--db", db, logs}).status, 0);
    ASSERT_EQ(runCli({"db", "unban", "--db", db, "--bans", bans, guidOf(7)}).status, 0);
    const CliResult lifted = runCli({"merge", "--bans", bans, "--db", db, logs});
    EXPECT_EQ(lifted.status, 0);
    EXPECT_EQ(lifted.err,
              "No records found in database. Run a merge to update database\n1 skipped: bans "
              "lifted\nNo bans in " +
                  bans +
                  " or the database: the logs' violations are all of lifted bans (1 skipped); " +
                  bans + " is unchanged\n");
    std::filesystem::remove(logs + "/0.log");

    // Read --new-only, the lines stay read: the next run finds nothing new.
    append("1.log", violation("Nobody", "unknown"));
    const Rows args = {"merge", "--new-only", "--bans", bans, "--db", db, logs};
    EXPECT_EQ(runCli(args).status, 0);
    EXPECT_EQ(runCli(args).err, "No new violations in the logs; " + bans + " is unchanged\n");
}

// The option reaches the merge: without it the log's console lines add none (their rows are
// those of the log lines they stand for: the row builder's test).
TEST_F(BanCommands, ConsoleLinesMergeUnderTheOptionOnly) {
    const std::string log = consoleLogCopy();
    writeBytes(bans, "");
    CliResult r = runCli({"merge", "--bans", bans, "--db", db, log});
    EXPECT_EQ(r.out, "Merge complete. 1 bans have been written to 'pbbans.dat'\n") << r.err;
    r = runCli({"merge", "--console-lines", "--bans", bans, "--db", db, log});
    EXPECT_EQ(r.out, "Merge complete. 4 bans have been written to 'pbbans.dat'\n") << r.err;
}

// A report of several lines prints each on its own line (a scan file's row without a time
// stamp adds one).
TEST_F(BanCommands, AReportOfSeveralLinesPrintsEach) {
    TestWindow w;
    w.form.vsFlexGrid1.addRow({"P", "(AIMBOT)", "50001", "", "(slot #1)", "0123cdef", "1:1"});
    const std::string sf = dir + "/stampless.sf";
    writeScanFile(w.form.vsFlexGrid1, sf);
    writeBytes(bans, "");
    CliResult r = runCli({"merge", "--bans", bans, "--db", db, sf});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Merge complete. 1 bans have been written to 'pbbans.dat'\n"
              "1 ban had no readable time stamp and got the time of this merge.\n");
}

}  // namespace
}  // namespace th::test
