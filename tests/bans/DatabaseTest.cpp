#include <gtest/gtest.h>

#include "bans/DatabaseUtilities.h"
#include "bans/DatedArchiveName.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

using DatabaseRoutines = BanFolderTest;

TEST_F(DatabaseRoutines, AMissingOrForeignDatabaseIsReportedAndNeverCreated) {
    setDatabasePath({});  // none chosen: the database beside the program
    EXPECT_EQ(databasePath(), applicationFolder() + "/Vandrel.mdb");
    EXPECT_TRUE(std::filesystem::exists(applicationFolder() + "/tests_bans"));

    TestWindow w;
    const std::string missing = dir + "/gone/Vandrel.mdb";
    setDatabasePath(missing);
    EXPECT_FALSE(g_blnConnectToDatabase(w.form));
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    const ShownBox& box = w.scripted.messages.shown[0];
    EXPECT_EQ(box.prompt,
              "An unhandled error has occured {g_blnConnectToDatabase}\r\n"
              "unable to open database file: " +
                  missing + " [-2147467259]        ");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, "Quelvane - tallyhound");
    EXPECT_FALSE(std::filesystem::exists(missing));

    // The failed connection stays, closed; once the file is there the next connect opens it.
    ASSERT_NE(g_cnnDatabase, nullptr);
    EXPECT_EQ(g_cnnDatabase->State(), Connection::kStateClosed);
    setDatabasePath(db);
    EXPECT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(g_cnnDatabase->State(), Connection::kStateOpen);

    g_CloseDatabase();  // a file that is not a ban database is refused the same way
    writeBytes(dir + "/other.mdb", "not a database at all, just text\r\n");
    setDatabasePath(dir + "/other.mdb");
    EXPECT_FALSE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(w.scripted.messages.shown.size(), 2u);
}

TEST_F(DatabaseRoutines, GuidLookUpFoldsCaseAndBindsTheTextAsItIs) {
    TestWindow w;
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('ABCdef'), ('it''s')");
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    for (auto [guid, found] : std::vector<std::pair<std::string, bool>>{
             {"abcDEF", true}, {"abcde", false}, {"it's", true}, {"x' OR '1'='1", false}})
        EXPECT_EQ(m_blnGUIDExists(w.form, guid), found) << guid;
    EXPECT_TRUE(w.scripted.messages.shown.empty()) << "an apostrophe no longer breaks the look-up";

    g_CloseDatabase();
    EXPECT_FALSE(m_blnGUIDExists(w.form, "abcdef"));
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "An unhandled error has occured {m_blnGUIDExists}\r\nObject required [3704]        ");
}

TEST_F(DatabaseRoutines, DatedArchiveNamesNeverReplaceAnEarlierArchive) {
    std::tm when{};
    ::strptime("05.12.2003 20:09:59", "%d.%m.%Y %H:%M:%S", &when);
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    EXPECT_EQ(datedArchiveName(t, "_pbbans.zip"), "05-12-2003_20-09-59_pbbans.zip");
    writeBytes(dir + "/05-12-2003_20-09-59_Vandrel.zip", "taken");
    writeBytes(dir + "/05-12-2003_20-09-59_Vandrel-2.zip", "taken");
    EXPECT_EQ(freeArchivePath(dir + "/", t, "_Vandrel.zip"),
              dir + "/05-12-2003_20-09-59_Vandrel-3.zip");
}

// The backup zips the closed database beside it, or without one fails quietly: the menu
// command tells the outcome. The reset empties banned players only.
TEST_F(DatabaseRoutines, BackupAndReset) {
    TestWindow w;
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('a'); INSERT INTO tblTempBans VALUES (1, ';t')");
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    std::string archive;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(g_cnnDatabase, nullptr) << "the database is closed before it is copied";
    EXPECT_TRUE(archive.starts_with(dir + "/") && archive.ends_with("_Vandrel.zip")) << archive;
    EXPECT_EQ(zipEntries(archive), (Entries{{"Vandrel.mdb", readBytes(db)}}));

    EXPECT_TRUE(g_blnResetDatabase(w.form));
    EXPECT_TRUE(sql(db, "SELECT GUID FROM tblVandrel").empty());
    EXPECT_EQ(sql(db, "SELECT TempBan FROM tblTempBans"), (Rows{";t"}));
    EXPECT_EQ(g_cnnDatabase, nullptr);

    sql(db,
        "INSERT INTO tblVandrel (GUID) VALUES ('kept'); CREATE TRIGGER keep BEFORE DELETE "
        "ON tblVandrel BEGIN SELECT RAISE(ABORT, 'bans are kept'); END");
    EXPECT_FALSE(g_blnResetDatabase(w.form));
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "An unhandled error has occured "
              "{g_blnResetDatabase}\r\nbans are kept [-2147467259]        ");
    EXPECT_EQ(sql(db, "SELECT GUID FROM tblVandrel"), (Rows{"kept"}));

    setDatabasePath(dir + "/none.mdb");
    EXPECT_FALSE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(filesIn(".zip").size(), 1u);
}

}  // namespace
}  // namespace th::test
