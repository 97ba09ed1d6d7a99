#include <gtest/gtest.h>

#include <regex>

#include "bans/DatabaseUtilities.h"
#include "bans/DatedArchiveName.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

using Archives = BanFolderTest;

TEST_F(Archives, DatedNamesNeverReplaceAnEarlierArchive) {
    std::tm when{};
    when.tm_year = 2003 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 5;
    when.tm_hour = 20;
    when.tm_min = 9;
    when.tm_sec = 59;
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    EXPECT_EQ(datedArchiveName(t, "_pbbans.zip"), "05-12-2003_20-09-59_pbbans.zip");
    EXPECT_EQ(datedArchiveName(t, "_Vandrel.zip"), "05-12-2003_20-09-59_Vandrel.zip");

    const std::string folder = dir + "/";
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        std::string path = freeArchivePath(folder, t, "_Vandrel.zip");
        names.push_back(path.substr(folder.size()));
        writeBytes(path, "taken");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"05-12-2003_20-09-59_Vandrel.zip",
                                               "05-12-2003_20-09-59_Vandrel-2.zip",
                                               "05-12-2003_20-09-59_Vandrel-3.zip"}));
}

using Backup = BanFolderTest;

TEST_F(Backup, ZipsTheClosedDatabaseBesideIt) {
    TestWindow w;
    execSql(db, "INSERT INTO tblVandrel (GUID) VALUES ('abc')");
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    std::string archive;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(g_cnnDatabase, nullptr) << "the database is closed before it is copied";
    EXPECT_TRUE(std::regex_match(
        archive, std::regex(dir + R"(/\d\d-\d\d-\d{4}_\d\d-\d\d-\d\d_Vandrel(-\d+)?\.zip)")))
        << archive;
    EXPECT_EQ(zipEntries(archive),
              (std::vector<std::pair<std::string, std::string>>{{"Vandrel.mdb", readBytes(db)}}));

    std::string second;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, second));
    EXPECT_NE(second, archive);
    EXPECT_TRUE(std::filesystem::exists(archive));
    EXPECT_TRUE(w.scripted.messages.shown.empty()) << "the menu command tells the outcome";
}

TEST_F(Backup, FailsQuietlyWithoutADatabase) {
    TestWindow w;
    setDatabasePath(dir + "/none.mdb");
    std::string archive;
    EXPECT_FALSE(g_blnBackupDatabase(w.form, archive));
    EXPECT_TRUE(w.scripted.messages.shown.empty());
    EXPECT_TRUE(filesIn(".zip").empty());
}

using Reset = BanFolderTest;

TEST_F(Reset, EmptiesBannedPlayersOnlyAndReportsFailures) {
    TestWindow w;
    execSql(db,
            "INSERT INTO tblVandrel (GUID) VALUES ('a'), ('b'); INSERT INTO tblTempBans (TempBan) "
            "VALUES (';t')");
    EXPECT_TRUE(g_blnResetDatabase(w.form));
    EXPECT_TRUE(queryRows(db, "SELECT GUID FROM tblVandrel").empty());
    EXPECT_EQ(queryRows(db, "SELECT TempBan FROM tblTempBans"), (std::vector<std::string>{";t"}));
    EXPECT_TRUE(g_blnResetDatabase(w.form)) << "an empty table resets too";
    EXPECT_EQ(g_cnnDatabase, nullptr);
    EXPECT_TRUE(w.scripted.messages.shown.empty());

    // A missing database: the connect routine's report, once.
    setDatabasePath(dir + "/none.mdb");
    EXPECT_FALSE(g_blnResetDatabase(w.form));
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt.rfind(
                  "An unhandled error has occured {g_blnConnectToDatabase}\r\n", 0),
              0u);
    g_CloseDatabase();

    // A statement that fails: the reset's own report.
    setDatabasePath(db);
    execSql(db,
            "INSERT INTO tblVandrel (GUID) VALUES ('kept');"
            "CREATE TRIGGER keep BEFORE DELETE ON tblVandrel BEGIN SELECT RAISE(ABORT, 'bans are "
            "kept'); END");
    EXPECT_FALSE(g_blnResetDatabase(w.form));
    ASSERT_EQ(w.scripted.messages.shown.size(), 2u);
    const ShownBox& box = w.scripted.messages.shown[1];
    EXPECT_EQ(box.prompt,
              "An unhandled error has occured {g_blnResetDatabase}\r\nbans are kept [-2147467259]  "
              "      ");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, "Quelvane - tallyhound");
    EXPECT_EQ(queryRows(db, "SELECT GUID FROM tblVandrel"), (std::vector<std::string>{"kept"}));
}

}  // namespace
}  // namespace th::test
