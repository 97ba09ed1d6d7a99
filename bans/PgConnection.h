#pragma once
// A connection to a PostgreSQL server through libpq, and the rows its statements give:
// the thin wrapper the PostgreSQL ban store works through. Values travel as bytes in
// binary form, bound as parameters, never pasted into a statement's text; rows come
// back in binary form too, so a bytea column is its bytes exactly.

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Error.h"

struct pg_conn;
struct pg_result;

namespace th {

class PgResult {
  public:
    explicit PgResult(pg_result* result = nullptr) : result_(result) {}
    ~PgResult();
    PgResult(PgResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;

    int rows() const;
    // A value's bytes; valid while the result lives. NULL is empty.
    std::string_view value(int row, int column) const;
    const pg_result* raw() const { return result_; }

  private:
    pg_result* result_;
};

// A bytea[] parameter in binary form, built value by value.
class PgByteaArray {
  public:
    void add(std::string_view value);
    size_t size() const { return count_; }
    // The parameter's bytes: valid until the next add.
    std::string_view bytes();
    void clear();

  private:
    std::string bytes_ = std::string(kHeader, '\0');  // the header's room, then the values
    size_t count_ = 0;
    static constexpr size_t kHeader = 20;
};

// Columns of bytea[] parameters filled row by row: one statement over many rows
// (SELECT * FROM unnest($1::bytea[], $2::bytea[], ...)).
template <size_t N>
class PgByteaColumns {
  public:
    void add(const std::array<std::string_view, N>& row) {
        for (size_t i = 0; i < N; ++i) columns_[i].add(row[i]);
    }
    void clear() {
        for (PgByteaArray& column : columns_) column.clear();
    }
    // The parameters' bytes, one a column: valid until the next add.
    std::vector<std::string_view> bytes() {
        std::vector<std::string_view> out;
        for (PgByteaArray& column : columns_) out.push_back(column.bytes());
        return out;
    }

  private:
    std::array<PgByteaArray, N> columns_;
};

class PgConnection {
  public:
    using Parameters = std::vector<std::pair<std::string, std::string>>;

    // Connects with libpq's keywords and values, in order; a "dbname" holding a URI is
    // taken apart as libpq does, and what it holds outranks the keywords before it.
    // name is how messages call the database. Throws th::Error.
    PgConnection(const Parameters& parameters, std::string name);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs one statement with its parameters, each of them bytes: the statement's SQL
    // says their types (e.g. $1::bytea, $2::bytea[]). Throws th::Error.
    PgResult query(std::string_view sql, std::initializer_list<std::string_view> values = {});
    PgResult query(std::string_view sql, const std::vector<std::string_view>& values);
    // Runs statements one after another, as a script holds them; none may bind values.
    void script(const std::string& sql);

    // Whether a transaction is open (or failed and not yet ended).
    bool inTransaction() const;
    // Whether the open transaction failed: its end can only undo it.
    bool transactionFailed() const;
    // Ends an open transaction without its changes; quiet when the server has gone.
    void rollback() noexcept;

    // Waits up to timeoutMs for a notification on a channel this connection listens to;
    // true when one (or more) came, their payloads added to payloads when given. The
    // connection's own notifications are passed over: it knows what it did. Throws
    // th::Error when the connection is lost.
    bool waitForNotification(int timeoutMs, std::vector<std::string>* payloads = nullptr);
    int descriptor() const;
    // Whether the connection still stands.
    bool connected() const;

    // The error a statement's result (or, without one, the connection) reports.
    Error error(const pg_result* result) const;
    const std::string& name() const { return name_; }

  private:
    pg_conn* conn_ = nullptr;
    std::string name_;
};

}  // namespace th
