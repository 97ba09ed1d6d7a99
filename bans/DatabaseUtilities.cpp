#include "bans/DatabaseUtilities.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "bans/BanStore.h"
#include "bans/Database.h"
#include "bans/DatabaseLocation.h"
#include "bans/Paths.h"
#include "bans/SqliteConnection.h"
#include "platform/DatedArchiveName.h"
#include "platform/MessageBoxes.h"
#include "platform/TempFile.h"

namespace th {

namespace {

// A consistent copy of the database, taken through SQLite's online backup, so that a
// merge writing meanwhile can never leave a half-written page in it.
void copyDatabase(const std::string& database, const std::string& copy) {
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    auto fail = [&](sqlite3* db, const std::string& path) {
        std::string text = db ? sqlite3_errmsg(db) : "out of memory";
        // "unable to open database file" alone did not say why.
        if (const int why = db ? sqlite3_system_errno(db) : 0)
            text += std::string(" (") + std::strerror(why) + ")";
        Error error(err::kDatabase, appBaseName() + ".Connection", text + ": " + path);
        sqlite3_close_v2(from);
        sqlite3_close_v2(to);
        return error;
    };
    // Opened for writing where the file allows: a journal a killed run left is put back by
    // the next reader, which a read-only one cannot be.
    if (sqlite3_open_v2(database.c_str(), &from, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw fail(from, database);
    if (sqlite3_open_v2(copy.c_str(), &to, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw fail(to, copy);
    // The copy needs no journal: it is thrown away if anything fails.
    sqlite3_exec(to, "PRAGMA journal_mode = OFF", nullptr, nullptr, nullptr);
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) throw fail(to, copy);
    int rc;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        if (std::chrono::steady_clock::now() > until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        std::string text = sqlite3_errstr(rc);
        // A full disk or a failed write is the copy's, in the database's folder; the
        // database itself is sound. "disk I/O error" alone did not say why.
        const bool copyFailed = rc == SQLITE_FULL || (rc & 0xFF) == SQLITE_IOERR;
        if (const int why = copyFailed ? sqlite3_system_errno(to) : 0)
            text += std::string(" (") + std::strerror(why) + ")";
        sqlite3_close_v2(from);
        sqlite3_close_v2(to);
        throw Error(err::kDatabase, appBaseName() + ".Connection",
                    text + ": " + (copyFailed ? folderOf(copy) : database));
    }
    sqlite3_close_v2(from);
    if (sqlite3_close(to) != SQLITE_OK) throw fail(to, copy);
}

}  // namespace

DatabaseCopy::DatabaseCopy(const std::string& database) : database_(database) {
    // Backups go beside the database: the application folder, unless another database
    // file was named.
    removeStaleTemps(database);
    if (::stat(database.c_str(), &status_) != 0) throw Error::fromErrno(errno, database);
    // Any other file would pass for an empty database, and its copy for a backup; a pipe
    // would be waited on for ever, and /dev/null's copy would go into /dev.
    if (const std::string why = whyNotABanDatabase(database); !why.empty())
        throw Error(err::kDatabase, appBaseName() + ".Connection", why);
    // The copy is readable by this account alone, whatever the umask. It is made in the
    // database's folder, so a failure names the folder: the database itself is sound.
    TempFile temp = createTempFor(database, 0600, folderOf(database));
    ::close(temp.fd);
    copy_ = temp.path;
    try {
        copyDatabase(database, copy_);
    } catch (...) {
        ::unlink(copy_.c_str());
        throw;
    }
}

DatabaseCopy::~DatabaseCopy() {
    ::unlink(copy_.c_str());
}

void DatabaseCopy::zip(MainForm& form, const std::string& suffix, std::string& archivePath) {
    XZipper& zip = form.xzipper1;
    std::string folder = g_strGetFolder(database_);
    try {
        writeDatedArchive(
            zip, g_strAddBackslash(folder), suffix,
            [&](XZipper& z) {
                z.setPermissionsOf(status_, database_);
                z.addFile(copy_, baseOf(database_));
            },
            archivePath);
    } catch (...) {
        zip.clearFiles();
        throw;
    }
    zip.clearFiles();
}

void zipDatabase(MainForm& form, const std::string& database, const std::string& suffix,
                 std::string& archivePath) {
    DatabaseCopy(database).zip(form, suffix, archivePath);
}

bool g_blnBackupDatabase(MainForm& form, std::string& archivePath, std::string* why) {
    try {
        // The file must not be held open while it is copied.
        g_CloseDatabase();
        // A server's database is backed up by its own tools.
        if (isPostgresUri(databasePath())) {
            if (why)
                *why = storeDisplayName(databasePath()) +
                       " is a PostgreSQL database; back it up with pg_dump";
            return false;
        }
        zipDatabase(form, databasePath(), "_Vandrel.zip", archivePath);
        return true;
    } catch (const std::exception& e) {
        // The menu command tells the user; this routine only answers, and why.
        if (why) *why = toError(e).description();
        return false;
    }
}

bool backUpBeforeReset(MainForm& form, std::string& archivePath, std::string& why) {
    if (isPostgresUri(databasePath())) return true;
    // Refused before the copy: every try at a database it cannot change left one more.
    if (const int denied = unwritableDatabase(databasePath()); denied && denied != ENOENT) {
        why =
            databasePath() + " cannot be changed (" + unwritableText(databasePath(), denied) + ")";
        return false;
    }
    // Nor is one copied that this Tallyhound cannot open (none there, or one a newer one
    // made): the reset would fail after it.
    try {
        openBanStore(form, databasePath());
    } catch (const std::exception& e) {
        why = toError(e).description();
        return false;
    }
    if (g_blnBackupDatabase(form, archivePath, &why)) return true;
    why = "it could not be backed up first: " + why;
    return false;
}

bool g_blnResetDatabase(MainForm& form) {
    try {
        if (!g_blnConnectToDatabase(form)) return false;
        g_cnnDatabase->removeAllBans();
        g_CloseDatabase();
        return true;
    } catch (const Error& e) {
        showDatabaseErrorReport(form, kTagReset, e);
    } catch (const std::exception& e) {
        showDatabaseErrorReport(form, kTagReset, Error(err::kDatabase, appBaseName(), e.what()));
    }
    return false;
}

}  // namespace th
