#pragma once
// A connection to an SQLite database and its prepared statements: the thin wrapper the
// SQLite ban store and the schema's versions work through. Every value reaches SQLite as
// a bound parameter, never as part of the statement's text.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace th {

class SqliteConnection;

// One prepared statement. Parameters are numbered from 1, columns found by name.
class SqliteStatement {
  public:
    SqliteStatement(SqliteConnection& connection, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bind(int index, std::string_view text);
    // Binds without a copy: the text must stay as it is until the statement is reset.
    void bindUncopied(int index, std::string_view text);
    void bindAll(std::initializer_list<std::string_view> values);
    // Runs one step: true while a row is ready.
    bool step();
    // Makes the statement ready to run again, with its parameters cleared.
    void reset();
    // Runs the statement to its end, for statements that return no rows (or rows no one
    // reads), and makes it ready to run again, however it ends.
    void run();
    int column(std::string_view name) const;
    // The row's text in a column; valid until the next step.
    std::string_view text(int column) const;

  private:
    SqliteConnection& connection_;
    sqlite3_stmt* stmt_ = nullptr;
};

// "PATH is not a ban database of Tallyhound (WHY)": an empty file, another program's
// database, a device.
std::string notABanDatabase(const std::string& path, const std::string& why);

// Why the file at path is no ban database, in those words: not a file (a device, a pipe),
// another kind of file, a database without the ban tables. Empty when it is one, or when
// that cannot be told now (not there, unreadable, locked by another program).
std::string whyNotABanDatabase(const std::string& path);

// The schema version the database file holds (its user_version), read without a change; 0
// when it cannot be read now (locked by another program, too).
int storedSchemaVersion(const std::string& path);

class SqliteConnection {
  public:
    static constexpr int kStateClosed = 0;
    static constexpr int kStateOpen = 1;

    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    int State() const { return db_ ? kStateOpen : kStateClosed; }
    // Opens an existing database file; the file is never created.
    void Open(const std::string& path);
    void Close();
    const std::string& path() const { return path_; }

    // Runs a statement that returns no rows, with its values bound in order.
    void execute(std::string_view sql, std::initializer_list<std::string_view> values = {});
    // Runs statements one after another, as a script holds them; none may bind values.
    void executeScript(const std::string& sql);
    // Runs a statement at once or not at all: false, and nothing changed, when another
    // writer holds the database or the statement fails. For upkeep a reader can do without.
    bool executeIfFree(const std::string& sql) noexcept;
    // A statement kept prepared until the connection closes, for statements run in loops.
    SqliteStatement& prepared(const std::string& sql);
    // The schema version the database holds (SQLite's user_version).
    int userVersion();

    void beginTransaction();
    void commit();
    void rollback();  // only when a transaction is open; never throws
    bool inTransaction() const;

    sqlite3* handle();  // throws when the connection is not open
    Error lastError() const;

  private:
    sqlite3* db_ = nullptr;
    std::string path_;
    std::chrono::steady_clock::time_point busyRanOut_{};  // when a wait for a lock last ran out
    std::map<std::string, std::unique_ptr<SqliteStatement>> prepared_;
};

}  // namespace th
