#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/bans/BanTestSupport.h"
#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

class MergeCommand : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        setDatabasePath({});  // the command sets it from --db
        bans = dir + "/pbbans.dat";
        writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
    }
    CliResult merge(std::vector<std::string> inputs) {
        std::vector<std::string> args{"merge", "--bans", bans, "--db", db};
        args.insert(args.end(), inputs.begin(), inputs.end());
        return runCli(args);
    }
    std::string bans;
};

TEST_F(MergeCommand, MergesPrintsTheReportAndKeepsABackup) {
    const std::string before = readBytes(bans);
    CliResult r = merge({dataPath("bans/cli.log")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Merge complete. 5 bans have been written to 'pbbans.dat'\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readBytes(bans), readBytes(dataPath("bans/cli.expected.dat")));
    auto archives = filesIn("_pbbans.zip");
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_EQ(zipEntries(dir + "/" + archives[0]),
              (std::vector<std::pair<std::string, std::string>>{{"pbbans.dat", before}}));

    // Again: nothing new, the file is the same.
    r = merge({dataPath("bans/cli.log")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Merge complete. No new ban's have been written to 'pbbans.dat'\n");
    EXPECT_EQ(readBytes(bans), readBytes(dataPath("bans/cli.expected.dat")));
    EXPECT_EQ(filesIn(".zip").size(), 2u);
}

TEST_F(MergeCommand, RunTimeFailuresNameTheFileAndLeaveItAsItWas) {
    const std::string before = readBytes(bans);

    std::filesystem::rename(db, dir + "/elsewhere.mdb");
    CliResult missingDb = merge({dataPath("bans/cli.log")});
    EXPECT_EQ(missingDb.status, 1);
    EXPECT_EQ(missingDb.out, "");
    EXPECT_NE(missingDb.err.find("{g_blnConnectToDatabase}\nunable to open database file: " + db),
              std::string::npos)
        << missingDb.err;
    EXPECT_NE(missingDb.err.find("tallyhound-cli: the merge into " + bans +
                                 " did not complete; the file is unchanged"),
              std::string::npos)
        << missingDb.err;
    EXPECT_EQ(readBytes(bans), before);
    std::filesystem::rename(dir + "/elsewhere.mdb", db);

    ASSERT_EQ(::chmod(bans.c_str(), 0444), 0);
    CliResult readOnly = merge({dataPath("bans/cli.log")});
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_NE(readOnly.err.find("Permission denied: " + bans), std::string::npos) << readOnly.err;
    EXPECT_EQ(readBytes(bans), before);
    EXPECT_TRUE(queryRows(db, "SELECT * FROM tblVandrel").empty());
    ::chmod(bans.c_str(), 0644);

    CliResult missingInput = merge({dir + "/none.log"});
    EXPECT_EQ(missingInput.status, 1);
    EXPECT_NE(missingInput.err.find(dir + "/none.log"), std::string::npos);

    CliResult missingBans =
        runCli({"merge", "--bans", dir + "/nope.dat", "--db", db, dataPath("bans/cli.log")});
    EXPECT_EQ(missingBans.status, 1);
    EXPECT_NE(missingBans.err.find(dir + "/nope.dat"), std::string::npos);
    EXPECT_EQ(readBytes(bans), before);
}

TEST_F(MergeCommand, UsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"merge", dataPath("bans/cli.log")},
             {"merge", "--bans", "x.dat"},
             {"merge", "--bans"},
             {"db"},
             {"db", "backup", "--bogus"},
         })
        EXPECT_EQ(runCli(args).status, 2) << args.size();
}

class DbCommand : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        setDatabasePath({});
    }
};

TEST_F(DbCommand, BackupPrintsTheArchiveHoldingTheDatabase) {
    execSql(db, "INSERT INTO tblVandrel (GUID) VALUES ('abc')");
    const std::string bytes = readBytes(db);
    CliResult r = runCli({"db", "backup", "--db", db});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    const std::string archive = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(archive.rfind(dir + "/", 0), 0u) << archive;
    EXPECT_EQ(zipEntries(archive),
              (std::vector<std::pair<std::string, std::string>>{{"Vandrel.mdb", bytes}}));

    CliResult missing = runCli({"db", "backup", "--db", dir + "/none.mdb"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find(dir + "/none.mdb"), std::string::npos);
}

TEST_F(DbCommand, ResetOnlyWhenConfirmed) {
    execSql(db,
            "INSERT INTO tblVandrel (GUID) VALUES ('abc'); INSERT INTO tblTempBans (TempBan) "
            "VALUES (';t')");
    CliResult refused = runCli({"db", "reset", "--db", db});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--yes"), std::string::npos);
    EXPECT_EQ(queryRows(db, "SELECT GUID FROM tblVandrel").size(), 1u);

    for (int run = 0; run < 2; ++run) {  // the second time on an empty table
        CliResult r = runCli({"db", "reset", "--db", db, "--yes"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "Database has been successfully reset\n");
        EXPECT_TRUE(queryRows(db, "SELECT GUID FROM tblVandrel").empty());
        EXPECT_EQ(queryRows(db, "SELECT TempBan FROM tblTempBans"),
                  (std::vector<std::string>{";t"}));
    }

    CliResult missing = runCli({"db", "reset", "--db", dir + "/none.mdb", "--yes"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("unable to open database file: " + dir + "/none.mdb"),
              std::string::npos)
        << missing.err;
    EXPECT_NE(missing.err.find("Database could not be reset"), std::string::npos);
}

}  // namespace
}  // namespace th::test
