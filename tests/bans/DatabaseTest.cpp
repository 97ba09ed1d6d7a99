#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "bans/DatabaseUtilities.h"
#include "bans/NewDatabase.h"
#include "bans/SqliteConnection.h"
#include "platform/DatedArchiveName.h"
#include "platform/XZipper.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/ChildProcess.h"

namespace th::test {
namespace {

using DatabaseRoutines = BanFolderTest;

// Inserts rows of 500 bytes, their GUIDs guid0, guid1..., until one fails; why it failed.
std::string whyFailed(SqliteConnection& c, const std::string& guid, int rows) {
    try {
        for (int i = 0; i < rows; ++i)
            c.execute("INSERT INTO tblVandrel (GUID, PlayerName) VALUES (?, ?)",
                      {guid + std::to_string(i), std::string(500, 'n')});
    } catch (const Error& e) {
        return e.description();
    }
    return "never failed";
}

// Connecting, a look-up before and after closing, and SQLite's failures naming the database.
TEST_F(DatabaseRoutines, ConnectingAndLookingUpAGuid) {
    // (A missing database, reported and never created, is the merge's test.)
    TestWindow w;
    const auto& shown = w.scripted.messages.shown;
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('ABCdef')");
    EXPECT_TRUE(g_blnConnectToDatabase(w.form));
    // The store's look-up, whose cases the store's test holds, once connected; not after.
    EXPECT_TRUE(m_blnGUIDExists(w.form, "abcDEF"));
    g_CloseDatabase();
    EXPECT_FALSE(m_blnGUIDExists(w.form, "abcdef"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt,
              "An unhandled error has occured {m_blnGUIDExists}\r\nObject required [3704]        "
              "\r\nCheck that " +
                  db + " is not open in another program and try again.        ");

    // A file that is not a ban database is refused as a missing one is.
    writeBytes(dir + "/other.mdb", "not a database at all, just text\r\n");
    setDatabasePath(dir + "/other.mdb");
    EXPECT_FALSE(g_blnConnectToDatabase(w.form));
    EXPECT_EQ(shown.size(), 2u);

    // A full disk names the database: the ban file's name came last, and pointed at the
    // wrong disk.
    SqliteConnection full;
    full.Open(db);
    full.execute("PRAGMA max_page_count = 40");
    EXPECT_EQ(whyFailed(full, "full", 1000), db + ": database or disk is full");
    // So does a journal that cannot be written beside it, with the cause.
    full.execute("PRAGMA max_page_count = 1000000");
    std::filesystem::create_directory(db + "-journal");
    EXPECT_EQ(whyFailed(full, "journal", 1), db + ": disk I/O error (Is a directory)");
    // Or one whose name would be too long: SQLite said only "unable to open database file".
    const std::string longest = dir + "/" + std::string(251, 'n') + ".mdb";
    createDatabase(longest);
    SqliteConnection named;
    named.Open(longest);
    EXPECT_EQ(whyFailed(named, "journal", 1),
              longest + ": the journal file beside it could not be made (File name too long)");
}

// A write that fails part-way (here past a file-size limit, as on a full disk) is put back
// on disk at once: SQLite left its journal for the next reader, and the file alone, which a
// copy or a read-only backup takes, was damaged meanwhile.
TEST_F(DatabaseRoutines, AWriteThatFailsLeavesTheDatabaseWholeOnDisk) {
    const std::string before = readBytes(db);
    const std::optional<std::string> failed = inChild(dir, [&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size() + 65536, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        SqliteConnection connection;
        connection.Open(db);
        connection.beginTransaction();
        if (whyFailed(connection, "", 100000) == "never failed") return "never failed";
        connection.rollback();
        return "failed";
    });
    EXPECT_EQ(failed, "failed");
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
    EXPECT_EQ(readBytes(db), before);

    // A run killed mid-write leaves the journal all the same: a backup is its next reader,
    // and takes the database as it was (opened read-only, it failed, "attempt to write a
    // readonly database").
    inChild(dir, [&] {
        sqlite3* writer = nullptr;
        sqlite3_open(db.c_str(), &writer);
        sqlite3_exec(writer,
                     "PRAGMA cache_size = 2; BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                     "SELECT i + 1 FROM n WHERE i < 20000) INSERT INTO tblVandrel (GUID, "
                     "PlayerName) SELECT i, printf('%500d', i) FROM n",
                     nullptr, nullptr, nullptr);
        ::_exit(0);  // mid-write, as a kill would leave it
        return "";
    });
    ASSERT_TRUE(std::filesystem::exists(db + "-journal"));
    // A reader that may not write says so, not "attempt to write a readonly database".
    const auto mode = std::filesystem::status(dir).permissions();
    ::chmod(dir.c_str(), 0755);
    ::chmod(db.c_str(), 0644);
    const std::optional<std::string> reader = inChild(dir, [&]() -> std::string {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return "";
        try {
            SqliteConnection c;
            c.Open(db);
        } catch (const Error& e) {
            return e.description();
        }
        return "opened";
    });
    std::filesystem::permissions(dir, mode);
    EXPECT_EQ(reader, db + ": a change that did not finish (a crash, a full disk) left its "
                           "journal beside it, and only an account that can write to the "
                           "database can put it back");
    TestWindow w;
    std::string archive;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, archive));
    const Entries entries = zipEntries(archive);
    ASSERT_EQ(entries.size(), 1u);
    writeBytes(dir + "/copy.mdb", entries[0].second);
    EXPECT_EQ(sql(dir + "/copy.mdb", "PRAGMA integrity_check; SELECT count(*) FROM tblVandrel"),
              (Rows{"ok", "0"}));
}

// A new database's permissions are the umask's, as any new file's.
TEST_F(DatabaseRoutines, ANewDatabaseHasTheUmasksPermissions) {
    for (const auto& [mask, mode] : {std::pair{022, 0644}, {002, 0664}, {077, 0600}}) {
        const std::string made = dir + "/" + std::to_string(mask) + ".mdb";
        const mode_t before = ::umask(static_cast<mode_t>(mask));
        EXPECT_TRUE(createDatabase(made));
        ::umask(before);
        EXPECT_EQ(std::filesystem::status(made).permissions(), std::filesystem::perms(mode))
            << mask;
    }
}

// A dated archive's name is the date and time, then "-2", "-3"... past those taken.
TEST_F(DatabaseRoutines, DatedArchiveNamesNeverReplaceAnEarlierArchive) {
    std::tm when{};
    ::strptime("05.12.2003 20:09:59", "%d.%m.%Y %H:%M:%S", &when);
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    const std::string taken = dir + "/05-12-2003_20-09-59_Vandrel";
    writeBytes(taken + ".zip", ""), writeBytes(taken + "-2.zip", "");
    EXPECT_EQ(freeArchivePath(dir + "/", t, "_Vandrel.zip"), taken + "-3.zip");

    // Another run takes the free name between the look and the write: the next one serves.
    XZipper zip;
    std::string archive, first;
    writeDatedArchive(
        zip, dir + "/", "_Vandrel.zip",
        [&](XZipper& z) {
            z.addBytes("Vandrel.mdb", "copy");
            if (first.empty()) writeBytes(first = archive, "the other run's");
        },
        archive);
    EXPECT_EQ(readBytes(first), "the other run's");
    EXPECT_NE(archive, first);
    EXPECT_EQ(zipEntries(archive), (Entries{{"Vandrel.mdb", "copy"}}));
}

// The backup zips the closed database beside it, or without one fails quietly: the menu
// command tells the outcome. It is a consistent copy through SQLite, not the raw file:
// rows committed to a write-ahead log still open are in it, and the archive is no more
// readable than the database (0600, never 0644). The reset empties banned players only.
TEST_F(DatabaseRoutines, BackupAndReset) {
    TestWindow w;
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('a'); INSERT INTO tblTempBans VALUES (1, ';t')");
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &writer), SQLITE_OK);
    sqlite3_exec(writer,
                 "PRAGMA journal_mode = WAL; INSERT INTO tblVandrel (GUID) VALUES ('in-the-log')",
                 nullptr, nullptr, nullptr);
    ::chmod(db.c_str(), 0600);
    // A copy a killed backup left (the whole database's size) goes at the next opening.
    pid_t gone = 0;
    runInChild([] { return 0; }, &gone);
    const std::string left = dir + "/.Vandrel.mdb." + std::to_string(gone) + ".0.tmp";
    writeBytes(left, "a copy");
    ASSERT_TRUE(g_blnConnectToDatabase(w.form));
    EXPECT_FALSE(std::filesystem::exists(left));
    std::string archive;
    ASSERT_TRUE(g_blnBackupDatabase(w.form, archive));
    sqlite3_close(writer);
    EXPECT_EQ(g_cnnDatabase, nullptr) << "the database is closed before it is copied";
    EXPECT_TRUE(archive.starts_with(dir + "/") && archive.ends_with("_Vandrel.zip")) << archive;
    const Entries entries = zipEntries(archive);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].first, "Vandrel.mdb");
    writeBytes(dir + "/copy.mdb", entries[0].second);
    EXPECT_EQ(sql(dir + "/copy.mdb", "PRAGMA integrity_check; SELECT GUID FROM tblVandrel"),
              (Rows{"ok", "a", "in-the-log"}));
    EXPECT_EQ(std::filesystem::status(archive).permissions(), std::filesystem::perms(0600));
    EXPECT_TRUE(filesIn(".tmp").empty());

    EXPECT_TRUE(g_blnResetDatabase(w.form));
    EXPECT_TRUE(sql(db, "SELECT GUID FROM tblVandrel").empty());
    EXPECT_EQ(sql(db, "SELECT TempBan FROM tblTempBans"), (Rows{";t"}));

    sql(db,
        "INSERT INTO tblVandrel (GUID) VALUES ('kept'); CREATE TRIGGER keep BEFORE DELETE "
        "ON tblVandrel BEGIN SELECT RAISE(ABORT, 'bans are kept'); END");
    EXPECT_FALSE(g_blnResetDatabase(w.form));
    EXPECT_EQ(w.scripted.messages.shown.at(0).prompt,
              "An unhandled error has occured "
              "{g_blnResetDatabase}\r\nbans are kept [-2147467259]        \r\nNothing was "
              "removed; check that " +
                  db +
                  " can be written to and is not open in another "
                  "program, then reset again.        ");
    EXPECT_EQ(sql(db, "SELECT GUID FROM tblVandrel"), (Rows{"kept"}));

    setDatabasePath(dir + "/none.mdb");
    EXPECT_FALSE(g_blnBackupDatabase(w.form, archive));
    EXPECT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(filesIn(".zip").size(), 1u);

    // A copy that does not fit names the folder it was written in, not the sound database.
    const std::optional<std::string> why = inChild(dir, [&]() -> std::string {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            DatabaseCopy copy(db);
        } catch (const Error& e) {
            return e.description();
        }
        return "copied";
    });
    EXPECT_EQ(why, "disk I/O error (File too large): " + dir);
    EXPECT_TRUE(filesIn(".tmp").empty());
}

}  // namespace
}  // namespace th::test
