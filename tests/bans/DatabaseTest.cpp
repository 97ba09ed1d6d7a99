#include <gtest/gtest.h>

#include "bans/Database.h"
#include "bans/Paths.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

TEST(FolderRoutines, AddSeparatorAndGetFolder) {
    struct Case {
        std::string in, added;
    };
    for (const Case& c : std::vector<Case>{{"/opt/tools", "/opt/tools/"},
                                           {"/opt/tools/", "/opt/tools/"},
                                           {"/", "/"},
                                           {"", "/"}}) {
        std::string path = c.in;
        std::string& result = g_strAddBackslash(path);
        EXPECT_EQ(result, c.added) << c.in;
        EXPECT_EQ(&result, &path) << "the argument itself changes";
    }

    struct Folder {
        std::string path, folder;
    };
    for (const Folder& c : std::vector<Folder>{{"/games/pb/pbbans.dat", "/games/pb"},
                                               {"  /games/pb  /pbbans.dat", "/games/pb"},
                                               {"/pbbans.dat", ""},
                                               {"/games/pb/", "/games/pb"}})
        EXPECT_EQ(g_strGetFolder(c.path), c.folder) << c.path;

    try {
        g_strGetFolder("pbbans.dat");
        FAIL() << "a path without a folder is an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::kInvalidCall);
    }
}

TEST(DatabasePath, DefaultsToTheApplicationFolder) {
    setDatabasePath({});
    std::string folder = applicationFolder();
    EXPECT_EQ(databasePath(), g_strAddBackslash(folder) + "Vandrel.mdb");
    EXPECT_TRUE(std::filesystem::exists(applicationFolder() + "/tests_bans"));
    setDatabasePath("/some/where/else.mdb");
    EXPECT_EQ(databasePath(), "/some/where/else.mdb");
    setDatabasePath({});
}

using Connecting = BanFolderTest;

TEST_F(Connecting, OpensOnceClosesAndOpensAgain) {
    TestWindow w;
    g_CloseDatabase();  // before any connect: nothing to do
    EXPECT_EQ(g_cnnDatabase, nullptr);

    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    Connection* first = g_cnnDatabase.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->State(), Connection::kStateOpen);
    EXPECT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(g_cnnDatabase.get(), first) << "a second connect reuses the open connection";

    g_CloseDatabase();
    EXPECT_EQ(g_cnnDatabase, nullptr);
    EXPECT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(g_cnnDatabase->State(), Connection::kStateOpen);
    EXPECT_TRUE(w.scripted.messages.shown.empty());
}

TEST_F(Connecting, MissingDatabaseIsReportedAndNeverCreated) {
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
    const std::string other = dir + "/other.mdb";
    writeBytes(other, "not a database at all, just text\r\n");
    g_CloseDatabase();
    setDatabasePath(other);
    EXPECT_FALSE(g_blnConnectToDatabase(w.form));
    EXPECT_NE(w.scripted.messages.shown.back().prompt.find(other), std::string::npos);
}

TEST_F(Connecting, GuidLookUpFoldsCaseAndTakesAnyText) {
    TestWindow w;
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_FALSE(m_blnGUIDExists(w.form, "abcdef"));
    execSql(db, "INSERT INTO tblVandrel (GUID) VALUES ('ABCdef'), ('it''s')");
    struct Case {
        std::string guid;
        bool found;
    };
    for (const Case& c : std::vector<Case>{{"ABCdef", true},
                                           {"abcDEF", true},
                                           {"abcde", false},
                                           {"it's", true},
                                           {"x' OR '1'='1", false},
                                           {"", false}})
        EXPECT_EQ(m_blnGUIDExists(w.form, c.guid), c.found) << c.guid;
    EXPECT_TRUE(w.scripted.messages.shown.empty()) << "an apostrophe no longer breaks the look-up";

    g_CloseDatabase();
    EXPECT_FALSE(m_blnGUIDExists(w.form, "abcdef"));
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "An unhandled error has occured {m_blnGUIDExists}\r\nObject required [3704]        ");
}

using Schema = BanFolderTest;

TEST_F(Schema, GuidIsUniqueWhateverItsCase) {
    execSql(db, "INSERT INTO tblVandrel (GUID) VALUES ('abc')");
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
    EXPECT_NE(sqlite3_exec(handle, "INSERT INTO tblVandrel (GUID) VALUES ('ABC')", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(handle);
}

TEST_F(Schema, BanQueryOrdersByTheMomentOfTheTimeStamp) {
    execSql(db,
            "INSERT INTO tblVandrel (GUID, TimeStamp) VALUES "
            "('g1', '[06.01.2003 20:09:59]'), ('g2', '[07.12.2002 10:00:00]'), "
            "('g4', '[06.01.2003 08:00:00]'), ('g3', '[06.01.2003 08:00:00]'), "
            "('g5', 'no stamp'), ('g6', '[31.12.2002 23:59:59]'), ('G0', '[06.01.2003 08:00:00]')");
    EXPECT_EQ(queryRows(db, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp"),
              (std::vector<std::string>{"g2", "g6", "G0", "g3", "g4", "g1", "g5"}));
    EXPECT_EQ(queryRows(db, "SELECT * FROM qrySelectAllVandrelOrderByTimeStamp WHERE GUID = 'g1'"),
              (std::vector<std::string>{"g1|[06.01.2003 20:09:59]|||"}));

    execSql(db, "INSERT INTO tblTempBans (TempBan) VALUES ('; b'), ('; a'), ('; c')");
    EXPECT_EQ(queryRows(db, "SELECT TempBan FROM qrySelectAllTempBans"),
              (std::vector<std::string>{"; b", "; a", "; c"}));
}

}  // namespace
}  // namespace th::test
