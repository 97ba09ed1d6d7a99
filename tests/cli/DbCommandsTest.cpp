#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

class DbCommands : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        sql(db, R"(
INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) VALUES
  ('aaaa', '[04.16.2017 21:03:11]', '"Jay``yz"', '"198.51.100.7"',
   '"VIOLATION DETECTED -> AIMBOT #50001"'),
  ('BBBB', '[01.02.2016 00:00:00]', '"E' || char(27) || '[2Jvil"', '"192.0.2.1"',
   '"VIOLATION DETECTED -> AIMBOT #50001"'),
  ('cccc', '', '"Nobody"', '"10.0.0.7"', '');
INSERT INTO tblTempBans (TempBan) VALUES (';[x] tempban of AAAA'), (';another GUID: AAAAbbbb');
INSERT INTO tblAliases VALUES
  ('aaaa', '"Jay``yz"', '"198.51.100.7"', '[12.31.2016 23:59:59]', '[04.16.2017 21:03:11]'),
  ('AAAA', '"J' || char(9) || 'y' || char(27) || CAST(x'E99B' AS TEXT) || '"', '"192.0.2.9"',
   '', ''),
  ('bbbb', '"else"', '"10.1.1.1"', '', ''))");
        writeBytes(bans, crlf({"[04.16.2017 21:03:11] aaaa \"Jay'yz\" \"198.51.100.7\" "
                               "\"VIOLATION DETECTED -> AIMBOT #50001\"",
                               "", ";[x] tempban of AAAA"}));
    }
};

// Installed where no database is beside it, the tool makes the user's own on first use,
// and only then: a command naming another database once left an empty one in the home.
TEST_F(DbCommands, TheUsersOwnDatabaseIsMadeOnlyWhenUsed) {
    namespace fs = std::filesystem;
    fs::create_directories(dir + "/bin");
    fs::copy_file(TALLYHOUND_CLI, dir + "/bin/tallyhound-cli");
    const std::string own = dir + "/data/tallyhound/Vandrel.mdb", other = dir + "/other.mdb";
    ::setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    ::unsetenv("TALLYHOUND_DB");
    const ProgramStart installed{.program = dir + "/bin/tallyhound-cli"};
    for (const Rows& args : {Rows{"--version"}, Rows{"db", "init", "--db", other},
                             Rows{"db", "stats", "--db", other}}) {
        EXPECT_EQ(runProgram(args, installed).status, 0) << args.back();
        EXPECT_FALSE(fs::exists(dir + "/data")) << args.back();
    }
    // Where it cannot be made, that is the cause given: the message once said only that no
    // database was there, and advised starting without --db, as had just been done; follow
    // tried again for ever.
    writeBytes(dir + "/data", "");
    writeBytes(dir + "/pbbans.dat", "");
    const std::string notMade =
        "tallyhound-cli: " + own +
        ": no ban database is there, and it could not be made (Not a directory: " + dir +
        "/data/tallyhound)\n";
    EXPECT_EQ(runProgram({"db", "stats"}, installed).err, notMade);
    EXPECT_EQ(runProgram({"follow", "--bans", dir + "/pbbans.dat", dir}, installed),
              (CliResult{2, "", notMade}));
    fs::remove(dir + "/data");
    // db init makes it, first of all commands: it once found it made already and failed.
    EXPECT_EQ(runProgram({"db", "init"}, installed),
              (CliResult{0, "Ban database made: " + own + "\n", ""}));
    EXPECT_EQ(
        runProgram({"db", "init"}, installed).err,
        "tallyhound-cli: Ban database not made: " + own + " already exists; it is left as it is\n");
    const CliResult path = runProgram({"db", "path"}, installed);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(path.out, own + "\n");
}

// db path and db backup print a path for a script to use, as it is: a folder named with
// a backslash or a TAB once came out escaped, naming no file.
TEST_F(DbCommands, ThePathsPrintedForScriptsNameTheFiles) {
    const std::string folder = dir + "/back\\slash\ttab", odd = folder + "/V.mdb";
    std::filesystem::create_directories(folder);
    ASSERT_EQ(runProgram({"db", "init", "--db", odd}).status, 0);
    EXPECT_EQ(runProgram({"db", "path", "--db", odd}).out, odd + "\n");
    const CliResult backup = runProgram({"db", "backup", "--db", odd});
    ASSERT_EQ(backup.status, 0) << backup.err;
    ASSERT_EQ(backup.out.rfind(folder + "/", 0), 0u) << backup.out;
    EXPECT_TRUE(std::filesystem::exists(backup.out.substr(0, backup.out.size() - 1)));
}

// A database in a folder that cannot be written to is named with the cause: SQLite's own
// words, "attempt to write a readonly database", sent the user to the file, which was
// writable.
TEST_F(DbCommands, AFolderThatCannotBeWrittenIsTheCauseGiven) {
    const std::string folder = dir + "/locked", locked = folder + "/V.mdb";
    std::filesystem::create_directories(folder);
    ASSERT_EQ(runCli({"db", "init", "--db", locked}).status, 0);
    ::chmod(locked.c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    ::chmod(dir.c_str(), 0755);
    writeBytes(dir + "/other.dat", "");
    const CliResult r = runProgram(
        {"db", "import", "--db", locked, "--bans", dir + "/pbbans.dat", dir + "/other.dat"},
        {.asNobody = true});
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(r.status, 1);
    EXPECT_HOLDS(r.err, locked +
                            ": the folder holding it cannot be written to, and a change to the "
                            "database needs a journal file beside it");
}

// db list, searched, limited and in another format (what a search finds is the store's
// test, each format's rules the writer's), db show and db stats, control characters
// escaped and Windows-1252 bytes decoded (db show once printed them raw, and a lone 0x9B
// is a terminal's control introducer); a wrong limit fails (a missing database: the ban commands'
// test), and so does showing a GUID without a ban.
TEST_F(DbCommands, ListShowAndStatsTellWhatTheDatabaseHolds) {
    const std::string head = "guid\tname\tip\treason\ttime\n",
                      reason = "VIOLATION DETECTED -> AIMBOT #50001",
                      bbbb =
                          "BBBB\tE\\x1B[2Jvil\t192.0.2.1\t" + reason + "\t[01.02.2016 00:00:00]\n",
                      aaaa = "aaaa\tJay'yz\t198.51.100.7\t" + reason + "\t[04.16.2017 21:03:11]\n",
                      cccc = "cccc\tNobody\t10.0.0.7\t\t\n";
    const std::string usage =
        " is not a whole number from 0 to 1000000000\nRun with --help for "
        "more information.\n";
    struct Case {
        Rows args;  // the command after db, then what follows --db
        CliResult result;
    };
    const std::vector<Case> cases = {
        {{"list"}, {0, head + bbbb + aaaa + cccc, ""}},
        {{"list", "--search", ".0.", "--limit", "1", "--format", "json"},
         {0,
          "[\n{\"guid\":\"BBBB\",\"name\":\"E\\u001b[2Jvil\",\"ip\":\"192.0.2.1\",\"reason\":\"" +
              reason + "\",\"time\":\"[01.02.2016 00:00:00]\"}\n]\n",
          ""}},
        {{"list", "--limit", "08"}, {0, head + bbbb + aaaa + cccc, ""}},  // not octal
        {{"list", "--search", " aaaa\t"}, {0, head + aaaa, ""}},          // as pasted
        {{"list", "--search", "--=ABC=--"}, {0, head, ""}},  // a clan tag, not an option
        {{"list", "--limit", "-1"}, {2, "", "--limit: -1" + usage}},
        // What was typed is escaped in a usage error too.
        {{"list", "--limit", "\x1b]0;x\a"}, {2, "", "--limit: \\x1B]0;x\\x07" + usage}},
        {{"show", "AAAA"},
         {0,
          "guid: aaaa\nname: Jay'yz\nip: 198.51.100.7\nreason: " + reason +
              "\ntime: [04.16.2017 21:03:11]\n"
              "alias: Jay'yz\t198.51.100.7\t[12.31.2016 23:59:59]\t[04.16.2017 21:03:11]\n"
              "alias: J\\ty\\x1B\xC3\xA9\xE2\x80\xBA\t192.0.2.9\t\t\n"
              "temp ban: ;[x] tempban of AAAA\n",
          ""}},
        {{"show", "dddd"}, {1, "", "tallyhound-cli: no ban of dddd in " + db + "\n"}},
        {{"stats"},
         {0,
          "bans\t3\nlifted\t0\ntemp bans\t2\nfirst\t[01.02.2016 00:00:00]\n"
          "last\t[04.16.2017 21:03:11]\nreason\t1\t(no reason)\nreason\t2\t" +
              reason + "\n",
          ""}},
    };
    for (const Case& c : cases) {
        Rows args = {"db", c.args[0], "--db", db};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        EXPECT_EQ(runCli(args), c.result) << ::testing::PrintToString(args);
    }
}

// The first and last bans are of days there were, as the window's statistics count them:
// a stamp of no real day, sorted by its figures, once came out as the first or the last.
TEST_F(DbCommands, StatsGiveTheFirstAndLastRealDays) {
    sql(db, R"(
INSERT INTO tblVandrel (GUID, TimeStamp) VALUES ('dddd', '[00.00.0000 00:00:00]'),
  ('eeee', '[13.01.2018 10:00:00]'), ('ffff', '[02.30.2018 00:00:00]'),
  ('gggg', '[02.29.2016 12:00:00]'), ('hhhh', '[12.31.2020 99:99:99]'))");
    const CliResult r = runCli({"db", "stats", "--db", db});
    EXPECT_HOLDS(r.out, "\nfirst\t[01.02.2016 00:00:00]\nlast\t[04.16.2017 21:03:11]\n");
    sql(db, "DELETE FROM tblVandrel WHERE GUID IN ('aaaa', 'BBBB')");
    EXPECT_HOLDS(runCli({"db", "stats", "--db", db}).out,
                 "\nfirst\t[02.29.2016 12:00:00]\nlast\t[02.29.2016 12:00:00]\n");
}

// An unknown GUID changes nothing unless told to pass it over; the lifting then shows, and
// lifting it again says it was.
TEST_F(DbCommands, UnbanChangesNothingForAnUnknownGuid) {
    const std::string file = readBytes(bans);
    EXPECT_EQ(runCli({"db", "unban", "--db", db, "--bans", bans, "aaaa", "zzzz"}),
              (CliResult{1, "",
                         "tallyhound-cli: no ban of zzzz in " + db +
                             "; nothing was changed (--ignore-missing lifts the others)\n"}));
    EXPECT_EQ(readBytes(bans), file);

    // Passed over, none is left to lift: the file is not even backed up (nor was it by the
    // refusal, which lifted nothing: aaaa is lifted below).
    EXPECT_EQ(
        runCli({"db", "unban", "--db", db, "--bans", bans, "--ignore-missing", "zzzz", "yyyy"}),
        (CliResult{0, "0 bans lifted; nothing was changed\n2 GUIDs are not banned: zzzz, yyyy\n",
                   ""}));
    EXPECT_EQ(readBytes(bans), file);
    EXPECT_TRUE(filesIn(".zip").empty());

    EXPECT_EQ(runCli({"db", "unban", "--db", db, "--bans", bans, "--note", "appeal granted",
                      "--ignore-missing", "aaaa", "zzzz"}),
              (CliResult{0,
                         "1 ban lifted and removed from 'pbbans.dat'\n1 other GUID was not "
                         "banned\nA running game server keeps its ban list in memory until it "
                         "reloads it (pb_sv_banload or a restart).\n",
                         ""}));
    CliResult r = runCli({"db", "show", "--db", db, "aaaa"});
    EXPECT_EQ(r.status, 0);
    // (The aliases and temp bans that follow: show's own test.)
    EXPECT_TRUE(r.out.starts_with("guid: aaaa\nlifted: [")) << r.out;
    EXPECT_HOLDS(r.out, "]\nlifted name: Jay'yz\nnote: appeal granted\nalias: ");

    // Lifted already: said so, and when.
    r = runCli({"db", "unban", "--db", db, "--bans", bans, "AAAA"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("tallyhound-cli: no ban of AAAA (lifted [")) << r.err;
    // (A ban the file alone holds is lifted too: the lifting's own test.)
    r = runCli({"db", "unban", "--db", db, "--bans", dir + "/missing.dat", "BBBB"});
    EXPECT_EQ(r.status, 1);
}

// A database a hand has taken a table from fails with the reason and its name, never an
// abort.
TEST_F(DbCommands, ADatabaseMissingATableIsAFailureNotAnAbort) {
    sql(db, "DROP TABLE tblLiftedBans");
    const auto fails = [&](const Rows& args, const std::string& why) {
        EXPECT_EQ(runCli(args), (CliResult{1, "", "tallyhound-cli: " + db + why + "\n"}))
            << args[1];
    };
    fails({"db", "stats", "--db", db}, ": no such table: tblLiftedBans");
    fails({"db", "show", "--db", db, "aaaa"}, ": no such table: tblLiftedBans");
    // An empty file, as `touch` makes one, is no ban database.
    writeBytes(db, "");
    fails({"db", "list", "--db", db},
          " is not a ban database of Tallyhound (it lacks the ban tables)");
    // A damaged one is named with the damage.
    std::filesystem::remove(db);
    sql(db, readBytes(dataPath("../../bans/schema.sql")));
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('aaaa')");
    const size_t table =
        std::stoul(sql(db, "SELECT rootpage FROM sqlite_master WHERE name = 'tblVandrel'").at(0));
    std::string bytes = readBytes(db);
    bytes.replace((table - 1) * 4096, 4096, std::string(4096, '\xFF'));  // its page
    writeBytes(db, bytes);
    fails({"db", "stats", "--db", db}, ": database disk image is malformed");
    // Not a database at all, named once.
    writeBytes(db, std::string(8192, 'x'));
    fails({"db", "stats", "--db", db}, ": file is not a database");
}

}  // namespace
}  // namespace th::test
