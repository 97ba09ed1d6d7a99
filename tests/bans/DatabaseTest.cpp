#include <gtest/gtest.h>

#include "bans/Database.h"
#include "bans/Paths.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

using Connecting = BanFolderTest;

TEST_F(Connecting, OpensOnceAndAMissingDatabaseIsReportedNeverCreated) {
    setDatabasePath({});  // none chosen: the database beside the program
    EXPECT_EQ(databasePath(), applicationFolder() + "/Vandrel.mdb");
    EXPECT_TRUE(std::filesystem::exists(applicationFolder() + "/tests_bans"));
    setDatabasePath(db);
    TestWindow w;
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    Connection* first = g_cnnDatabase.get();
    EXPECT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(g_cnnDatabase.get(), first) << "a second connect reuses the open connection";
    g_CloseDatabase();
    EXPECT_EQ(g_cnnDatabase, nullptr);

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
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.title, "Quelvane - tallyhound");
    EXPECT_FALSE(std::filesystem::exists(missing));

    // The failed connection stays, closed; once the file is there the next connect opens it.
    ASSERT_NE(g_cnnDatabase, nullptr);
    EXPECT_EQ(g_cnnDatabase->State(), Connection::kStateClosed);
    setDatabasePath(db);
    EXPECT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(g_cnnDatabase->State(), Connection::kStateOpen);

    // A file that is not a ban database is refused the same way.
    g_CloseDatabase();
    writeBytes(dir + "/other.mdb", "not a database at all, just text\r\n");
    setDatabasePath(dir + "/other.mdb");
    EXPECT_FALSE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(w.scripted.messages.shown.size(), 2u);
}

TEST_F(Connecting, GuidLookUpFoldsCaseAndBindsTheTextAsItIs) {
    TestWindow w;
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('ABCdef'), ('it''s')");
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    for (auto [guid, found] : std::vector<std::pair<std::string, bool>>{{"abcDEF", true},
                                                                        {"abcde", false},
                                                                        {"it's", true},
                                                                        {"x' OR '1'='1", false},
                                                                        {"", false}})
        EXPECT_EQ(m_blnGUIDExists(w.form, guid), found) << guid;
    EXPECT_TRUE(w.scripted.messages.shown.empty()) << "an apostrophe no longer breaks the look-up";

    g_CloseDatabase();
    EXPECT_FALSE(m_blnGUIDExists(w.form, "abcdef"));
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "An unhandled error has occured {m_blnGUIDExists}\r\nObject required [3704]        ");
}

using Schema = BanFolderTest;

TEST_F(Schema, GuidIsUniqueInAnyCaseAndBansAreOrderedByTheMomentOfTheirStamp) {
    sql(db,
        "INSERT INTO tblVandrel (GUID, TimeStamp) VALUES "
        "('g1', '[06.01.2003 20:09:59]'), ('g2', '[07.12.2002 10:00:00]'), "
        "('g4', '[06.01.2003 08:00:00]'), ('g3', '[06.01.2003 08:00:00]'), "
        "('g5', 'no stamp'), ('g6', '[31.12.2002 23:59:59]'), ('G0', '[06.01.2003 08:00:00]');"
        "INSERT INTO tblTempBans (TempBan) VALUES ('; b'), ('; a')");
    EXPECT_EQ(sql(db, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp"),
              (Rows{"g2", "g6", "G0", "g3", "g4", "g1", "g5"}));
    EXPECT_EQ(sql(db, "SELECT TempBan FROM qrySelectAllTempBans"), (Rows{"; b", "; a"}));

    sql(db, "INSERT OR IGNORE INTO tblVandrel (GUID) VALUES ('G1')");
    EXPECT_EQ(sql(db, "SELECT GUID FROM tblVandrel WHERE GUID LIKE 'g1'"), (Rows{"g1"}));
}

}  // namespace
}  // namespace th::test
