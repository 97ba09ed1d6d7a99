#include "bans/Database.h"

#include <sqlite3.h>

#include <filesystem>

#include "bans/Paths.h"
#include "bans/SchemaMigration.h"
#include "platform/MessageBoxes.h"

namespace th {

std::unique_ptr<Connection> g_cnnDatabase;

namespace {

Error closedError() {
    return Error(err::kObjectClosed, appBaseName() + ".Connection",
                 "Operation is not allowed when the object is closed.");
}

}  // namespace

// --- Statement ---

Statement::Statement(Connection& connection, std::string_view sql) : connection_(connection) {
    sqlite3* db = connection.handle();
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK)
        throw connection.lastError();
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::bind(int index, std::string_view text) {
    // Text is bytes: stored exactly as given, whatever its encoding.
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        throw connection_.lastError();
}

void Statement::bindUncopied(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_STATIC) != SQLITE_OK)
        throw connection_.lastError();
}

void Statement::bindAll(std::initializer_list<std::string_view> values) {
    int index = 1;
    for (auto value : values) bind(index++, value);
}

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Error error = connection_.lastError();
    sqlite3_reset(stmt_);
    throw error;
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::column(std::string_view name) const {
    int count = sqlite3_column_count(stmt_);
    for (int i = 0; i < count; ++i)
        if (sqlite3_stricmp(sqlite3_column_name(stmt_, i), std::string(name).c_str()) == 0)
            return i;
    throw Error(
        err::kDatabase, appBaseName() + ".Connection",
        "Item cannot be found in the collection corresponding to the requested name or ordinal: " +
            std::string(name));
}

std::string_view Statement::text(int column) const {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p) return {};
    return {p, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))};
}

// --- Connection ---

Connection::~Connection() {
    Close();
}

void Connection::Open(const std::string& path) {
    Close();
    path_ = path;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw Error(err::kDatabase, appBaseName() + ".Connection", text + ": " + path);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 30000);
    // A merge writes its rows in one transaction; a page cache that holds them spares
    // SQLite from spilling pages to the file before the commit.
    sqlite3_exec(db, "PRAGMA cache_size = -131072; PRAGMA temp_store = MEMORY", nullptr, nullptr,
                 nullptr);
    db_ = db;
    // A file that is not a database, or lacks the tables, fails here rather than in
    // the middle of a command.
    try {
        Statement probe(*this, "SELECT count(*) FROM tblVandrel, tblTempBans WHERE 0");
        probe.step();
    } catch (const Error& e) {
        Close();
        throw Error(e.number(), e.source(), e.description() + ": " + path);
    }
}

void Connection::Close() {
    prepared_.clear();
    if (db_) {
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db_);
    }
    db_ = nullptr;
}

sqlite3* Connection::handle() {
    if (!db_) throw closedError();
    return db_;
}

Error Connection::lastError() const {
    if (!db_) return closedError();
    return Error(err::kDatabase, appBaseName() + ".Connection", sqlite3_errmsg(db_));
}

void Connection::execute(std::string_view sql, std::initializer_list<std::string_view> values) {
    Statement statement(*this, sql);
    statement.bindAll(values);
    while (statement.step()) {
    }
}

void Connection::executeScript(const std::string& sql) {
    if (sqlite3_exec(handle(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastError();
}

int Connection::userVersion() {
    Statement version(*this, "PRAGMA user_version");
    version.step();
    return std::stoi(std::string(version.text(0)));
}

Statement& Connection::prepared(const std::string& sql) {
    auto& slot = prepared_[sql];
    if (!slot) slot = std::make_unique<Statement>(*this, sql);
    return *slot;
}

void Connection::beginTransaction() {
    execute("BEGIN IMMEDIATE");
}
void Connection::commit() {
    execute("COMMIT");
}

void Connection::rollback() {
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Connection::inTransaction() const {
    return db_ && !sqlite3_get_autocommit(db_);
}

// --- routines ---

void showDatabaseErrorReport(MainForm& form, const std::string& tag, const Error& error) {
    std::string prompt = "An unhandled error has occured " + tag + kCrLf + error.description() +
                         " [" + std::to_string(error.number()) + "]" + kPad;
    form.ports.messages.show(withAdvice(std::move(prompt), databaseAdvice(tag, databasePath())),
                             MsgButtons::Ok, MsgIcon::Exclamation, kMsgTitle);
}

std::string databaseAdvice(const std::string& tag, const std::string& path) {
    std::error_code ec;
    if (tag == kTagConnect && std::filesystem::exists(path, ec))
        return "Check that " + path +
               " is a ban database this Tallyhound can use and is not open in another program, "
               "or name another one with --db.";
    if (tag == kTagConnect)
        return "The ban database was looked for at " + path +
               "; start the program without --db and TALLYHOUND_DB to have one made in "
               "~/.local/share/tallyhound, or name an existing one with --db.";
    if (tag == kTagReset)
        return "Nothing was removed; check that " + path +
               " can be written to and is not open in another program, then reset again.";
    return "Check that " + path + " is not open in another program and try again.";
}

bool g_blnConnectToDatabase(MainForm& form) {
    // Every step is tried; the report names the last one that failed.
    std::unique_ptr<Error> failure;
    auto attempt = [&](auto&& step) {
        try {
            step();
        } catch (const Error& e) {
            failure = std::make_unique<Error>(e);
        } catch (const std::exception& e) {
            failure = std::make_unique<Error>(err::kDatabase, appBaseName(), e.what());
        }
    };
    std::string path;
    attempt([&] { path = databasePath(); });
    attempt([&] {
        if (!g_cnnDatabase) g_cnnDatabase = std::make_unique<Connection>();
        if (g_cnnDatabase->State() != Connection::kStateClosed) return;
        g_cnnDatabase->Open(path);
        upgradeDatabase(form, *g_cnnDatabase);
    });
    if (failure) {
        showDatabaseErrorReport(form, kTagConnect, *failure);
        return false;
    }
    return true;
}

void g_CloseDatabase() {
    if (!g_cnnDatabase) return;
    if (g_cnnDatabase->State() == Connection::kStateOpen) g_cnnDatabase->Close();
    g_cnnDatabase.reset();
}

bool m_blnGUIDExists(MainForm& form, std::string_view guid) {
    bool found = false;
    try {
        if (!g_cnnDatabase)
            throw Error(err::kObjectClosed, appBaseName() + ".Connection", "Object required");
        // The column folds letter case, so the comparison does too.
        Statement& lookup =
            g_cnnDatabase->prepared("SELECT 1 FROM tblVandrel WHERE GUID = ?1 LIMIT 1");
        lookup.bind(1, guid);
        try {
            found = lookup.step();
        } catch (...) {
            lookup.reset();
            throw;
        }
        lookup.reset();
    } catch (const Error& e) {
        showDatabaseErrorReport(form, kTagGuidExists, e);
        return false;
    }
    return found;
}

}  // namespace th
