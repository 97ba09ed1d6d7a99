#include "bans/SqliteConnection.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "bans/DatabaseLocation.h"
#include "platform/DisplayBytes.h"
#include "platform/ServiceManager.h"
#include "platform/StopSignals.h"

namespace th {

namespace {

// The page caches, in KiB. A merge writes each page of its transaction once, and every page
// a cache holds is memory touched for the first time, which costs more than SQLite's writing
// the page out early: a small cache whose pages are used again is faster (a merge of 150,000
// new bans into an empty database: 2.9 s and 252 MiB with the large cache, 2.5 s and
// 165 MiB with this one).
constexpr const char* kWritingCache = "PRAGMA cache_size = -8192";
constexpr const char* kReadingCache = "PRAGMA cache_size = -131072";

// SQLite counts its memory under a lock of its own at every allocation unless told not to
// before it starts: 7 % of a merge's processor time, for figures nothing here reads.
[[maybe_unused]] const int kUncountedMemory = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

// shown_as_utf8(value): 1 when the value's bytes are shown as UTF-8, 0 when as Windows-1252.
void shownAsUtf8(sqlite3_context* context, int, sqlite3_value** values) {
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(values[0]));
    const auto size = static_cast<size_t>(sqlite3_value_bytes(values[0]));
    sqlite3_result_int(context, isValidUtf8(std::string_view(bytes ? bytes : "", size)));
}

// Another writer holds the database: waited for up to 30 s, as SQLite's own busy timeout
// would, but a stop asked for meanwhile ends the wait, and a service manager's watchdog
// hears that the program is alive (follow would be killed by it, or kept from stopping).
constexpr int kBusyWaitMs = 30000, kBusyStepMs = 20;

// gaveUp is the connection's: when its last wait ran out. SQLite asks afresh for each lock it
// tries within one call, and the opening waited its 30 s twice over.
int waitWhileBusy(void* gaveUp, int tries) {
    auto& ranOut = *static_cast<std::chrono::steady_clock::time_point*>(gaveUp);
    const auto now = std::chrono::steady_clock::now();
    if (tries == 0 && now - ranOut < std::chrono::seconds(1)) return 0;
    if (StopSignals::requested() || tries * kBusyStepMs >= kBusyWaitMs) {
        ranOut = now;
        return 0;
    }
    if (tries % (1000 / kBusyStepMs) == 0) notifyServiceManager("WATCHDOG=1");
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
    return 1;
}

Error closedError() {
    return Error(err::kObjectClosed, appBaseName() + ".Connection",
                 "Operation is not allowed when the object is closed.");
}

}  // namespace

std::string notABanDatabase(const std::string& path, const std::string& why) {
    return path + " is not a ban database of Tallyhound (" + why + ")";
}

namespace {

// Runs read on the file opened read-only, if it opens. A look before the opening, which
// waits for another program's lock itself: waiting here too, a command on a database held
// by another program gave up after its 30 s once for each look.
template <typename Read>
void readOnly(const std::string& path, Read&& read) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) read(db);
    sqlite3_close_v2(db);
}

}  // namespace

std::string whyNotABanDatabase(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode)) return notABanDatabase(path, "it is not a file");
    std::string why;
    readOnly(path, [&](sqlite3* db) {
        const int rc = sqlite3_exec(db, "SELECT 1 FROM tblVandrel, tblTempBans WHERE 0", nullptr,
                                    nullptr, nullptr);
        if (rc == SQLITE_NOTADB)
            why = path + ": " + sqlite3_errmsg(db);
        else if (rc != SQLITE_OK &&
                 std::string_view(sqlite3_errmsg(db)).starts_with("no such table"))
            why = notABanDatabase(path, "it lacks the ban tables");
    });
    return why;
}

int storedSchemaVersion(const std::string& path) {
    int version = 0;
    readOnly(path, [&](sqlite3* db) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            version = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    });
    return version;
}

// --- SqliteStatement ---

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql)
    : connection_(connection) {
    sqlite3* db = connection.handle();
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK)
        throw connection.lastError();
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

namespace {

// SQLite takes text without bytes for NULL; an empty view is empty text all the same.
const char* bytesOf(std::string_view text) {
    return text.data() ? text.data() : "";
}

}  // namespace

void SqliteStatement::bind(int index, std::string_view text) {
    // Text is bytes: stored exactly as given, whatever its encoding.
    if (sqlite3_bind_text(stmt_, index, bytesOf(text), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        throw connection_.lastError();
}

void SqliteStatement::bindUncopied(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, bytesOf(text), static_cast<int>(text.size()),
                          SQLITE_STATIC) != SQLITE_OK)
        throw connection_.lastError();
}

void SqliteStatement::bindAll(std::initializer_list<std::string_view> values) {
    int index = 1;
    for (auto value : values) bind(index++, value);
}

bool SqliteStatement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Error error = connection_.lastError();
    sqlite3_reset(stmt_);
    throw error;
}

void SqliteStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void SqliteStatement::run() {
    try {
        while (step()) {
        }
    } catch (...) {
        reset();
        throw;
    }
    reset();
}

int SqliteStatement::column(std::string_view name) const {
    int count = sqlite3_column_count(stmt_);
    for (int i = 0; i < count; ++i)
        if (sqlite3_stricmp(sqlite3_column_name(stmt_, i), std::string(name).c_str()) == 0)
            return i;
    throw Error(
        err::kDatabase, appBaseName() + ".Connection",
        "Item cannot be found in the collection corresponding to the requested name or ordinal: " +
            std::string(name));
}

std::string_view SqliteStatement::text(int column) const {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p) return {};
    return {p, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))};
}

// --- SqliteConnection ---

SqliteConnection::~SqliteConnection() {
    Close();
}

void SqliteConnection::Open(const std::string& path) {
    Close();
    path_ = path;
    // SQLite says only "unable to open database file".
    if (databaseFileMissing(path))
        throw Error(err::kDatabase, appBaseName() + ".Connection", missingDatabaseText(path));
    sqlite3* db = nullptr;
    // A connection is used by one thread at a time, so SQLite need not take its lock for
    // every call: reading a million rows made some ten million such calls.
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        // "unable to open database file" alone did not say why (a folder, no permission).
        if (const int why = db ? sqlite3_system_errno(db) : 0)
            text += std::string(" (") + std::strerror(why) + ")";
        sqlite3_close_v2(db);
        throw Error(err::kDatabase, appBaseName() + ".Connection", text + ": " + path);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_handler(db, waitWhileBusy, &busyRanOut_);
    // Browsing and searching read the same pages again and again: a large page cache keeps
    // them (a transaction takes a small one, below).
    sqlite3_exec(db, kReadingCache, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
    // A search's forms each find only values shown by their own rule (see DisplayBytes).
    sqlite3_create_function(db, "shown_as_utf8", 1,
                            SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                            shownAsUtf8, nullptr, nullptr);
    db_ = db;
    // A file that is not a database, or lacks the tables, fails here rather than in
    // the middle of a command.
    try {
        SqliteStatement probe(*this, "SELECT count(*) FROM tblVandrel, tblTempBans WHERE 0");
        probe.step();
    } catch (const Error& e) {
        Close();
        // Named once, whether or not the reason names it already.
        const std::string named = path + ": ";
        std::string_view why = e.description();
        if (why.starts_with(named)) why.remove_prefix(named.size());
        // An empty file (touched by hand) or another program's database.
        if (why.starts_with("no such table"))
            throw Error(e.number(), e.source(), notABanDatabase(path, "it lacks the ban tables"));
        throw Error(e.number(), e.source(), named + std::string(why));
    }
}

void SqliteConnection::Close() {
    prepared_.clear();
    if (db_) {
        // A transaction left open, or a write that failed, is rolled back and the file put
        // back on disk now; without waiting for another program's lock, which would hold up
        // every close after a busy database for as long again.
        const int last = sqlite3_errcode(db_) & 0xFF;
        if (!sqlite3_get_autocommit(db_) || last == SQLITE_IOERR || last == SQLITE_FULL) {
            sqlite3_busy_handler(db_, nullptr, nullptr);
            rollback();
        }
        sqlite3_close_v2(db_);
    }
    db_ = nullptr;
}

sqlite3* SqliteConnection::handle() {
    if (!db_) throw closedError();
    return db_;
}

Error SqliteConnection::lastError() const {
    if (!db_) return closedError();
    std::string text = sqlite3_errmsg(db_);
    // A damaged, read-only, full or unreadable file, or a hand-changed one (a table taken
    // from it), is the file's fault, not the statement's: it is named, as a command may have
    // several databases in hand or none named on its command line.
    const int code = sqlite3_errcode(db_) & 0xFF;
    // "database is locked" named no file, and said nothing of a wait a stop cut short.
    if (code == SQLITE_BUSY)
        return Error(err::kFileInUse, appBaseName() + ".Connection",
                     path_ + ": another program was using it" +
                         (StopSignals::requested() ? "; stopped while waiting for it" : ""));
    // SQLite's own words name the database where the folder is at fault.
    if (sqlite3_extended_errcode(db_) == SQLITE_READONLY_DIRECTORY)
        text =
            "the folder holding it cannot be written to, and a change to the database needs "
            "a journal file beside it";
    // "attempt to write a readonly database" to a reader that only reads.
    if (sqlite3_extended_errcode(db_) == SQLITE_READONLY_ROLLBACK)
        text =
            "a change that did not finish (a crash, a full disk) left its journal beside it, "
            "and only an account that can write to the database can put it back";
    // Once the database is open, the file SQLite cannot open is the journal beside it (temp
    // files are kept in memory). Its words for that and for a failed read or write named
    // neither file nor cause.
    if (code == SQLITE_CANTOPEN) text = "the journal file beside it could not be made";
    if (code == SQLITE_CANTOPEN || code == SQLITE_IOERR)
        if (const int why = sqlite3_system_errno(db_))
            text += std::string(" (") + std::strerror(why) + ")";
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_READONLY ||
        code == SQLITE_FULL || code == SQLITE_IOERR || code == SQLITE_CANTOPEN ||
        (code == SQLITE_ERROR && text.starts_with("no such ")))
        text = path_ + ": " + text;
    return Error(err::kDatabase, appBaseName() + ".Connection", text);
}

void SqliteConnection::execute(std::string_view sql,
                               std::initializer_list<std::string_view> values) {
    SqliteStatement statement(*this, sql);
    statement.bindAll(values);
    while (statement.step()) {
    }
}

void SqliteConnection::executeScript(const std::string& sql) {
    if (sqlite3_exec(handle(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastError();
}

bool SqliteConnection::executeIfFree(const std::string& sql) noexcept {
    sqlite3_busy_handler(db_, nullptr, nullptr);
    const bool done = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_busy_handler(db_, waitWhileBusy, &busyRanOut_);
    return done;
}

int SqliteConnection::userVersion() {
    SqliteStatement version(*this, "PRAGMA user_version");
    version.step();
    return std::stoi(std::string(version.text(0)));
}

SqliteStatement& SqliteConnection::prepared(const std::string& sql) {
    auto& slot = prepared_[sql];
    if (!slot) slot = std::make_unique<SqliteStatement>(*this, sql);
    return *slot;
}

void SqliteConnection::beginTransaction() {
    execute(kWritingCache);
    execute("BEGIN IMMEDIATE");
}
void SqliteConnection::commit() {
    execute("COMMIT");
    sqlite3_exec(db_, kReadingCache, nullptr, nullptr, nullptr);
}

void SqliteConnection::rollback() {
    if (!db_) return;
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // After a failed write (a full disk, a file-size limit) SQLite leaves its journal for the
    // next reader to put back: the file alone is damaged meanwhile, and a read-only opener
    // (a backup) cannot use it. Reading once puts it back now.
    sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, kReadingCache, nullptr, nullptr, nullptr);
}

bool SqliteConnection::inTransaction() const {
    return db_ && !sqlite3_get_autocommit(db_);
}

}  // namespace th
