#include <gtest/gtest.h>

#include "bans/DatabaseUtilities.h"
#include "bans/DatedArchiveName.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

using Archives = BanFolderTest;

TEST_F(Archives, DatedNamesNeverReplaceAnEarlierArchive) {
    std::tm when{};
    ::strptime("05.12.2003 20:09:59", "%d.%m.%Y %H:%M:%S", &when);
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    EXPECT_EQ(datedArchiveName(t, "_pbbans.zip"), "05-12-2003_20-09-59_pbbans.zip");
    Rows names;
    for (int i = 0; i < 3; ++i) {
        std::string path = freeArchivePath(dir + "/", t, "_Vandrel.zip");
        names.push_back(path.substr(dir.size() + 1));
        writeBytes(path, "taken");
    }
    EXPECT_EQ(names, (Rows{"05-12-2003_20-09-59_Vandrel.zip", "05-12-2003_20-09-59_Vandrel-2.zip",
                           "05-12-2003_20-09-59_Vandrel-3.zip"}));
}

using Backup = BanFolderTest;

TEST_F(Backup, ZipsTheClosedDatabaseBesideItOrFailsQuietlyWithoutOne) {
    TestWindow w;
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('abc')");
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    std::string archive, second;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(g_cnnDatabase, nullptr) << "the database is closed before it is copied";
    EXPECT_TRUE(archive.starts_with(dir + "/") && archive.ends_with("_Vandrel.zip")) << archive;
    EXPECT_EQ(zipEntries(archive), (Entries{{"Vandrel.mdb", readBytes(db)}}));
    ASSERT_TRUE(g_blnBackupDatabase(w.form, second));
    EXPECT_NE(second, archive);

    setDatabasePath(dir + "/none.mdb");
    EXPECT_FALSE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(filesIn(".zip").size(), 2u);
    EXPECT_TRUE(w.scripted.messages.shown.empty()) << "the menu command tells the outcome";
}

using Reset = BanFolderTest;

TEST_F(Reset, EmptiesBannedPlayersOnlyAndReportsFailures) {
    TestWindow w;
    sql(db,
        "INSERT INTO tblVandrel (GUID) VALUES ('a'), ('b');"
        "INSERT INTO tblTempBans (TempBan) VALUES (';t')");
    EXPECT_TRUE(g_blnResetDatabase(w.form));
    EXPECT_TRUE(sql(db, "SELECT GUID FROM tblVandrel").empty());
    EXPECT_EQ(sql(db, "SELECT TempBan FROM tblTempBans"), (Rows{";t"}));
    EXPECT_TRUE(g_blnResetDatabase(w.form)) << "an empty table resets too";
    EXPECT_EQ(g_cnnDatabase, nullptr);
    EXPECT_TRUE(w.scripted.messages.shown.empty());

    setDatabasePath(dir + "/none.mdb");
    EXPECT_FALSE(g_blnResetDatabase(w.form));
    EXPECT_EQ(w.scripted.messages.shown.size(), 1u) << "the connect routine's report, once";
    g_CloseDatabase();

    setDatabasePath(db);  // a statement that fails: the reset's own report
    sql(db,
        "INSERT INTO tblVandrel (GUID) VALUES ('kept'); CREATE TRIGGER keep BEFORE DELETE "
        "ON tblVandrel BEGIN SELECT RAISE(ABORT, 'bans are kept'); END");
    EXPECT_FALSE(g_blnResetDatabase(w.form));
    ASSERT_EQ(w.scripted.messages.shown.size(), 2u);
    EXPECT_EQ(w.scripted.messages.shown[1].prompt,
              "An unhandled error has occured {g_blnResetDatabase}\r\nbans are kept [-2147467259]  "
              "      ");
    EXPECT_EQ(sql(db, "SELECT GUID FROM tblVandrel"), (Rows{"kept"}));
}

}  // namespace
}  // namespace th::test
