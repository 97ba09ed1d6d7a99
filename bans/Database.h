#pragma once
// The ban database and its one program-wide connection. A command that needs it
// connects at its start and closes at its end. Every value reaches SQLite as a bound
// parameter, never as part of the statement's text.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "scan/MainForm.h"

struct sqlite3;
struct sqlite3_stmt;

namespace th {

class Connection;

// One prepared statement. Parameters are numbered from 1, columns found by name.
class Statement {
  public:
    Statement(Connection& connection, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, std::string_view text);
    // Binds without a copy: the text must stay as it is until the statement is reset.
    void bindUncopied(int index, std::string_view text);
    void bindAll(std::initializer_list<std::string_view> values);
    // Runs one step: true while a row is ready.
    bool step();
    // Makes the statement ready to run again, with its parameters cleared.
    void reset();
    int column(std::string_view name) const;
    // The row's text in a column; valid until the next step.
    std::string_view text(int column) const;

  private:
    Connection& connection_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Connection {
  public:
    static constexpr int kStateClosed = 0;
    static constexpr int kStateOpen = 1;

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int State() const { return db_ ? kStateOpen : kStateClosed; }
    // Opens an existing database file; the file is never created.
    void Open(const std::string& path);
    void Close();
    const std::string& path() const { return path_; }

    // Runs a statement that returns no rows, with its values bound in order.
    void execute(std::string_view sql, std::initializer_list<std::string_view> values = {});
    // Runs statements one after another, as a script holds them; none may bind values.
    void executeScript(const std::string& sql);
    // A statement kept prepared until the connection closes, for statements run in loops.
    Statement& prepared(const std::string& sql);
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
    std::map<std::string, std::unique_ptr<Statement>> prepared_;
};

// The one connection. It does not exist before the first connect, and closing releases it.
extern std::unique_ptr<Connection> g_cnnDatabase;

// Opens the database (creating the connection first when there is none). False after a
// step failed; the error report with "{g_blnConnectToDatabase}" has then been shown.
bool g_blnConnectToDatabase(MainForm& form);
// Closes the connection, if open, and releases it.
void g_CloseDatabase();
// Whether tblVandrel holds the GUID, letter case ignored. A failure shows the error report
// with "{m_blnGUIDExists}" and counts as not found.
bool m_blnGUIDExists(MainForm& form, std::string_view guid);

// The database routines' own report of a trapped error, naming the routine by its tag,
// with a line on what to do under it.
void showDatabaseErrorReport(MainForm& form, const std::string& tag, const Error& error);
std::string databaseAdvice(const std::string& tag, const std::string& path);

inline constexpr const char* kTagConnect = "{g_blnConnectToDatabase}";
inline constexpr const char* kTagGuidExists = "{m_blnGUIDExists}";
inline constexpr const char* kTagReset = "{g_blnResetDatabase}";

}  // namespace th
