#include <gtest/gtest.h>

#include "tests/bans/BanTestSupport.h"
#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

class DbCommands : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        sql(db,
            "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) VALUES "
            "('aaaa', '[04.16.2017 21:03:11]', '\"Jay``yz\"', '\"198.51.100.7\"', "
            "'\"VIOLATION DETECTED -> AIMBOT #50001\"'),"
            "('BBBB', '[01.02.2016 00:00:00]', '\"E' || char(27) || '[2Jvil\"', '\"192.0.2.1\"', "
            "'\"VIOLATION DETECTED -> AIMBOT #50001\"'),"
            "('cccc', '', '\"Nobody\"', '\"10.0.0.7\"', '');"
            "INSERT INTO tblTempBans (TempBan) VALUES (';[x] tempban of AAAA'), (';other');"
            "INSERT INTO tblAliases VALUES "
            "('aaaa', '\"Jay``yz\"', '\"198.51.100.7\"', '[12.31.2016 23:59:59]', "
            "'[04.16.2017 21:03:11]'),"
            "('AAAA', '\"J' || char(9) || 'y' || char(27) || '\"', '\"192.0.2.9\"', '', ''),"
            "('bbbb', '\"else\"', '\"10.1.1.1\"', '', '')");
        writeBytes(bans, crlf({"[04.16.2017 21:03:11] aaaa \"Jay'yz\" \"198.51.100.7\" "
                               "\"VIOLATION DETECTED -> AIMBOT #50001\"",
                               "", ";[x] tempban of AAAA"}));
    }
};

// db list, searched, limited and in another format (what a search finds is the store's
// test, each format's rules the writer's), control characters escaped; a wrong limit fails
// (a missing database: the ban commands' test).
TEST_F(DbCommands, ListSearchesLimitsAndEscapes) {
    const std::string head = "guid\tname\tip\treason\ttime\n",
                      reason = "VIOLATION DETECTED -> AIMBOT #50001",
                      bbbb =
                          "BBBB\tE\\x1B[2Jvil\t192.0.2.1\t" + reason + "\t[01.02.2016 00:00:00]\n",
                      aaaa = "aaaa\tJay'yz\t198.51.100.7\t" + reason + "\t[04.16.2017 21:03:11]\n",
                      cccc = "cccc\tNobody\t10.0.0.7\t\t\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, errHolds;
    };
    const std::vector<Case> cases = {
        {{}, 0, head + bbbb + aaaa + cccc, ""},
        {{"--search", ".0.", "--limit", "1", "--format", "json"},
         0,
         "[\n{\"guid\":\"BBBB\",\"name\":\"E\\u001b[2Jvil\",\"ip\":\"192.0.2.1\",\"reason\":\"" +
             reason + "\",\"time\":\"[01.02.2016 00:00:00]\"}\n]\n",
         ""},
        {{"--limit", "-1"}, 2, "", "--limit: -1 is not a whole number from 0 to 1000000000"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"db", "list", "--db", db};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = runCli(args);
        SCOPED_TRACE(args.back());
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_NE(r.err.find(c.errHolds), std::string::npos) << r.err;
    }
}

TEST_F(DbCommands, ShowAndStatsTellWhatTheDatabaseHolds) {
    CliResult r = runCli({"db", "show", "--db", db, "AAAA"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "guid: aaaa\nname: Jay'yz\nip: 198.51.100.7\nreason: VIOLATION DETECTED -> AIMBOT "
              "#50001\ntime: [04.16.2017 21:03:11]\n"
              "alias: Jay'yz\t198.51.100.7\t[12.31.2016 23:59:59]\t[04.16.2017 21:03:11]\n"
              "alias: J\\ty\\x1B\t192.0.2.9\t\t\n"
              "temp ban: ;[x] tempban of AAAA\n");
    r = runCli({"db", "show", "--db", db, "dddd"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tallyhound-cli: no ban of dddd in " + db + "\n");

    r = runCli({"db", "stats", "--db", db});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "bans\t3\nlifted\t0\ntemp bans\t2\nfirst\t[01.02.2016 00:00:00]\n"
              "last\t[04.16.2017 21:03:11]\nreason\t1\t(none)\n"
              "reason\t2\tVIOLATION DETECTED -> AIMBOT #50001\n");
}

// An unknown GUID changes nothing unless told to pass it over; the lifting then shows.
TEST_F(DbCommands, UnbanChangesNothingForAnUnknownGuid) {
    const std::string file = readBytes(bans);
    const Rows rows = sql(db, "SELECT * FROM tblVandrel");
    CliResult r = runCli({"db", "unban", "--db", db, "--bans", bans, "aaaa", "zzzz"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tallyhound-cli: no ban of zzzz in " + db +
                         "; nothing was changed (--ignore-missing lifts the others)\n");
    EXPECT_EQ(readBytes(bans), file);
    EXPECT_EQ(sql(db, "SELECT * FROM tblVandrel"), rows);
    EXPECT_TRUE(filesIn(".zip").empty());

    r = runCli({"db", "unban", "--db", db, "--bans", bans, "--note", "appeal granted",
                "--ignore-missing", "aaaa", "zzzz"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1 ban lifted and removed from 'pbbans.dat'\nA running game server keeps its ban "
              "list in memory until it reloads it (pb_sv_banload or a restart).\n");
    r = runCli({"db", "show", "--db", db, "aaaa"});
    EXPECT_EQ(r.status, 0);
    // (The aliases and temp bans that follow: show's own test.)
    EXPECT_TRUE(r.out.starts_with("guid: aaaa\nlifted: [")) << r.out;
    EXPECT_NE(r.out.find("]\nlifted name: Jay'yz\nnote: appeal granted\nalias: "),
              std::string::npos)
        << r.out;

    r = runCli({"db", "unban", "--db", db, "--bans", dir + "/missing.dat", "BBBB"});
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace th::test
