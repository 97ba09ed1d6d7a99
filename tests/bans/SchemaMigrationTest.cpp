#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "bans/SchemaMigration.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

// The columns every version's bans have, in the order version 1 made them.
const std::string kBanColumns =
    "SELECT rowid, GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel ORDER BY "
    "rowid";

// Everything a database's schema is made of, and its version.
Rows schemaOf(const std::string& path) {
    Rows rows =
        sql(path, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name");
    rows.push_back("version " + sql(path, "PRAGMA user_version").at(0));
    return rows;
}

// A database's schema, version and bans.
Rows contentOf(const std::string& path) {
    Rows content = schemaOf(path);
    for (const std::string& row : sql(path, kBanColumns)) content.push_back(row);
    return content;
}

const char* kStamps =
    "INSERT INTO tblVandrel (GUID, TimeStamp) VALUES "
    "('later', '[05.01.2017 00:00:00]'), ('g2b', '[04.16.2017 00:00:00]'),"
    "('short', '[4.16.2017 21:03:11]'), ('first', '[12.31.2016 23:59:59]'), ('none', ''),"
    "('G2a', '[04.16.2017 00:00:00]'), ('junk', 'junk'), ('space', '[01.01.2000 00:00:00] ')";

using SchemaVersions = BanFolderTest;

// A database of each earlier version, as the program made it, is backed up once beside it
// and upgraded in place: every ban kept byte for byte under its row number (the search
// index names bans by it), temp bans, the month-first order, no lifted bans, aliases seeded
// with each ban's own name, address and readable stamp (before version 5) or kept as they
// were (from it on), and the very schema a new database has.
TEST_F(SchemaVersions, AnOlderDatabaseIsBackedUpOnceAndUpgradedKeepingEveryRow) {
    const std::string fresh = dir + "/fresh.mdb";
    std::filesystem::rename(db, fresh);
    // 8-bit and stored-apostrophe names, and a gap in the row numbers.
    const std::string names =
        "; UPDATE tblVandrel SET PlayerName = '\"' || GUID || ' it``s\"', IP = '\"10.0.0.1\"' "
        "WHERE GUID = 'later'; UPDATE tblVandrel SET PlayerName = CAST(X'22E922' AS TEXT) "
        "WHERE GUID = 'junk'; INSERT INTO tblTempBans (TempBan) VALUES (';kept'); "
        "DELETE FROM tblVandrel WHERE GUID = 'short'";
    const Rows aliases = {
        "first|||[12.31.2016 23:59:59]|[12.31.2016 23:59:59]",
        "G2a|||[04.16.2017 00:00:00]|[04.16.2017 00:00:00]",
        "g2b|||[04.16.2017 00:00:00]|[04.16.2017 00:00:00]",
        "junk|\"\xE9\"|||",
        "later|\"later it``s\"|\"10.0.0.1\"|[05.01.2017 00:00:00]|[05.01.2017 00:00:00]",
        "none||||",
        "space||||"};
    // Month first by year, month, day and time; equal stamps by GUID; other shapes after.
    const Rows order = {"first", "G2a", "g2b", "later", "none", "space", "junk"};
    for (int version = 1; version < latestSchemaVersion(); ++version) {
        SCOPED_TRACE(version);
        std::filesystem::remove(db);
        for (const std::string& zip : filesIn(".zip")) std::filesystem::remove(dir + "/" + zip);
        // From version 5 on, an alias of a ban no longer stored, kept as it is.
        sql(db,
            schemaUpTo(version) + kStamps + names +
                (version >= 5 ? "; INSERT INTO tblAliases VALUES ('gone', 'n', 'a', '', '')" : ""));
        const Rows rows = sql(db, kBanColumns), before = contentOf(db);

        TestWindow w;
        ASSERT_TRUE(g_blnConnectToDatabase(w.form));
        EXPECT_TRUE(w.scripted.messages.shown.empty());
        g_CloseDatabase();
        EXPECT_EQ(schemaOf(db), schemaOf(fresh));
        EXPECT_EQ(sql(db, kBanColumns), rows);
        EXPECT_EQ(sql(db, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp"), order);
        EXPECT_EQ(sql(db, "SELECT TempBan FROM qrySelectAllTempBans"), (Rows{";kept"}));
        EXPECT_EQ(sql(db, "SELECT count(*) FROM tblLiftedBans"), (Rows{"0"}));
        EXPECT_EQ(sql(db, "SELECT * FROM tblAliases ORDER BY GUID"),
                  version < 5 ? aliases : Rows{"gone|n|a||"});
        const Rows backups = filesIn(".zip");
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_TRUE(
            backups[0].ends_with("_Vandrel_v" + std::to_string(version) + "_before_upgrade.zip"))
            << backups[0];
        const Entries archived = zipEntries(dir + "/" + backups[0]);
        ASSERT_EQ(archived.size(), 1u);
        EXPECT_EQ(archived[0].first, "Vandrel.mdb");
        writeBytes(dir + "/archived.mdb", archived[0].second);
        EXPECT_EQ(contentOf(dir + "/archived.mdb"), before);
        ASSERT_TRUE(g_blnConnectToDatabase(w.form));
        g_CloseDatabase();
        EXPECT_EQ(filesIn(".zip").size(), 1u) << "backed up once";
    }
}

// An administrator's own views, indexes and triggers stay as they were, and work: a view
// that read the ban table stopped the upgrade ("error in view"), so the database could no
// longer be opened, and the indexes and triggers of the ban table went with it unsaid.
TEST_F(SchemaVersions, AnAdministratorsOwnViewsIndexesAndTriggersAreKept) {
    const std::string own =
        "CREATE INDEX myNames ON tblVandrel (PlayerName COLLATE NOCASE);"
        "CREATE TRIGGER myAudit AFTER DELETE ON tblVandrel BEGIN "
        "INSERT INTO tblTempBans (TempBan) VALUES (';lifted ' || old.GUID); END;"
        "CREATE VIEW myBans AS SELECT GUID, PlayerName FROM tblVandrel;"
        "CREATE TRIGGER myCount AFTER INSERT ON tblTempBans WHEN new.TempBan = ';count' BEGIN "
        "UPDATE tblTempBans SET TempBan = ';' || (SELECT count(*) FROM tblVandrel) "
        "WHERE ID = new.ID; END;";
    const std::string objects =
        "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE name LIKE 'my%' ORDER BY name";
    for (int version = 1; version < latestSchemaVersion(); ++version) {
        SCOPED_TRACE(version);
        std::filesystem::remove(db);
        sql(db, schemaUpTo(version) + kStamps + ";" + own);
        const Rows before = sql(db, objects);
        ASSERT_EQ(before.size(), 4u);

        TestWindow w;
        ASSERT_TRUE(g_blnConnectToDatabase(w.form));
        g_CloseDatabase();
        EXPECT_EQ(sql(db, "PRAGMA user_version"), (Rows{std::to_string(latestSchemaVersion())}));
        EXPECT_EQ(sql(db, objects), before);
        sql(db,
            "DELETE FROM tblVandrel WHERE GUID = 'first'; INSERT INTO tblTempBans (TempBan) "
            "VALUES (';count')");
        EXPECT_EQ(sql(db, "SELECT TempBan FROM tblTempBans ORDER BY ID"),
                  (Rows{";lifted first", ";7"}));
        EXPECT_EQ(sql(db, "SELECT count(*) FROM myBans"), (Rows{"7"}));
    }
}

// A database of a newer program, or one whose upgrade fails, is left byte for byte as it was
// and the connect reports why.
TEST_F(SchemaVersions, ANewerDatabaseOrAFailedUpgradeLeavesTheDatabaseAsItWas) {
    const std::string latest = std::to_string(latestSchemaVersion()),
                      newer = std::to_string(latestSchemaVersion() + 1);
    // What the connect says, why in the middle.
    const auto told = [&](const std::string& why) {
        return "An unhandled error has occured {g_blnConnectToDatabase}\r\n" + db + why +
               " [-2147467259]        \r\nCheck that " + db +
               " is a ban database this Tallyhound can use and is not open in another program, "
               "or name another one with --db.        ";
    };
    // The connect fails saying why, and leaves the database as it was with no copy of it.
    const auto expectRefused = [&](const std::string& why) {
        const std::string before = readBytes(db);
        TestWindow w;
        EXPECT_FALSE(g_blnConnectToDatabase(w.form));
        EXPECT_EQ(w.scripted.messages.shown.back().prompt, told(why));
        EXPECT_EQ(readBytes(db), before);
        EXPECT_TRUE(filesIn(".zip").empty() && filesIn(".tmp").empty());
        EXPECT_EQ(g_cnnDatabase, nullptr);
    };
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('kept'); PRAGMA user_version = " + newer);
    expectRefused(" holds ban database version " + newer +
                  ", made by a newer Tallyhound; this one knows up to version " + latest +
                  ". The database is left as it is.");

    // Version 1 without the view that version 2 replaces: the upgrade stops part way, and
    // keeps no copy of a database it left as it was. Tried again and again (follow tries
    // every few minutes), it once left a copy of the whole database each time; the fault
    // test fails each call of an upgrade and tries again.
    std::filesystem::remove(db);
    sql(db, schemaUpTo(1) +
                "DROP VIEW qrySelectAllVandrelOrderByTimeStamp;"
                "INSERT INTO tblVandrel (GUID) VALUES ('kept')");
    expectRefused(" holds ban database version 1 and could not be upgraded to version " + latest +
                  " (no such view: qrySelectAllVandrelOrderByTimeStamp). The database is left as "
                  "it was.");

    // So does one whose upgrade runs out of room part way (a full disk, a file-size limit),
    // on disk at once: SQLite left its journal for the next opener to put back, and the
    // file alone, which a copy or a read-only reader takes, was damaged meanwhile.
    std::filesystem::remove(db);
    sql(db, schemaUpTo(6) +
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                "INSERT INTO tblAliases (GUID, PlayerName) SELECT hex(i), printf('%0400d', i) "
                "FROM n");
    const std::string whole = readBytes(db);
    const std::optional<std::string> full = inChild(dir, [&]() -> std::string {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{whole.size() + 65536, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        TestWindow w;
        g_blnConnectToDatabase(w.form);
        return w.scripted.messages.shown.back().prompt;
    });
    EXPECT_EQ(full,
              told(" holds ban database version 6 and could not be upgraded to version " + latest +
                   " (disk I/O error (File too large)). The database is left as "
                   "it was."));
    EXPECT_EQ(readBytes(db), whole);
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
    EXPECT_TRUE(filesIn(".zip").empty() && filesIn(".tmp").empty());

    // So does one this account cannot write, and says why.
    sql(db, "PRAGMA user_version = 5");
    ::chmod(db.c_str(), 0444);
    ::chmod(dir.c_str(), 0777);  // the copy could be written
    const auto openedByNobody = [&]() -> std::string {
        TestWindow w;
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return "";
        g_blnConnectToDatabase(w.form);
        return w.scripted.messages.shown.back().prompt;
    };
    const std::optional<std::string> said = inChild(dir, openedByNobody);
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(said, told(" holds ban database version 5 and could not be upgraded to version " +
                         latest + " (Permission denied). The database is left as it was."));
    // Or whose folder, where the journal goes, it cannot write: the folder is named.
    ::chmod(db.c_str(), 0666);
    const std::optional<std::string> folder = inChild(dir, openedByNobody);
    ::chmod(db.c_str(), 0644);
    EXPECT_EQ(folder, told(" holds ban database version 5 and could not be upgraded to version " +
                           latest + " (the folder " + dir +
                           " cannot be written to: Permission denied). The database is left as "
                           "it was."));
    EXPECT_TRUE(filesIn(".zip").empty());

    // But one that reads as the newest does is read as it is: a copy on read-only media, or
    // another account's, could be listed until the newest version lay a table out anew.
    std::filesystem::remove(db);
    sql(db, schemaUpTo(oldestReadableSchemaVersion()) + kStamps);
    const std::string readable = readBytes(db);
    ::chmod(db.c_str(), 0444);
    const std::optional<std::string> read = inChild(dir, [&]() -> std::string {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return "";
        TestWindow w;
        if (!g_blnConnectToDatabase(w.form)) return w.scripted.messages.shown.back().prompt;
        std::string guids;
        g_cnnDatabase->forEachBan([&](const Ban& ban) { guids += std::string(ban.guid) + " "; });
        return guids;
    });
    EXPECT_EQ(read, "first G2a g2b later none space short junk ");
    EXPECT_EQ(readBytes(db), readable);
    EXPECT_TRUE(filesIn(".zip").empty());
}

}  // namespace
}  // namespace th::test
