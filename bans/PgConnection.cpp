#include "bans/PgConnection.h"

#include <poll.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>

#include "bans/LibPq.h"

namespace th {

namespace {

constexpr uint32_t kByteaType = 17;  // the bytea type's number in every PostgreSQL

void putInt32(char* at, uint32_t value) {
    at[0] = static_cast<char>(value >> 24);
    at[1] = static_cast<char>(value >> 16);
    at[2] = static_cast<char>(value >> 8);
    at[3] = static_cast<char>(value);
}

void appendInt32(std::string& out, uint32_t value) {
    char bytes[4];
    putInt32(bytes, value);
    out.append(bytes, 4);
}

// libpq's messages run over several lines, indented; a message box or a terminal line
// reads better with them joined.
std::string oneLine(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// The password file libpq took for the connection: the parameters', the URI's passfile,
// PGPASSFILE's or its own default. Empty when it does not say.
std::string passwordFileOf(PGconn* conn) {
    std::string file;
    if (PQconninfoOption* options = libpq().PQconninfo(conn)) {
        for (const PQconninfoOption* option = options; option->keyword; ++option)
            if (std::string_view(option->keyword) == "passfile" && option->val) file = option->val;
        libpq().PQconninfoFree(options);
    }
    return file;
}

// What keeps libpq from a password, said after "no password supplied": which password
// file it looked in and what is wrong with it. It takes the one the parameters name, else
// PGPASSFILE's, else ~/.pgpass, and ignores a file that others may read.
std::string passwordFileAdvice(PGconn* conn, const PgConnection::Parameters& parameters) {
    std::string file = passwordFileOf(conn);
    for (const auto& [keyword, value] : parameters)
        if (file.empty() && keyword == "passfile") file = value;
    const char* named = std::getenv("PGPASSFILE");
    const char* home = std::getenv("HOME");
    if (file.empty() && named && *named) file = named;
    if (file.empty() && home && *home) file = std::string(home) + "/.pgpass";
    if (file.empty()) return "; no password file was found";
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return "; the password file " + file + " is not there";
    if (S_ISREG(st.st_mode) && (st.st_mode & 077) != 0)
        return "; the password file " + file +
               " may be read by other users, so it is not used: chmod 600 " + file;
    return "; the password file " + file + " has no line for this database and user";
}

}  // namespace

// --- PgResult ---

PgResult::~PgResult() {
    if (result_) libpq().PQclear(result_);
}

PgResult& PgResult::operator=(PgResult&& other) noexcept {
    if (this != &other) {
        if (result_) libpq().PQclear(result_);
        result_ = std::exchange(other.result_, nullptr);
    }
    return *this;
}

int PgResult::rows() const {
    return result_ ? libpq().PQntuples(result_) : 0;
}

std::string_view PgResult::value(int row, int column) const {
    if (libpq().PQgetisnull(result_, row, column)) return {};
    return {libpq().PQgetvalue(result_, row, column),
            static_cast<size_t>(libpq().PQgetlength(result_, row, column))};
}

// --- PgByteaArray ---

void PgByteaArray::add(std::string_view value) {
    appendInt32(bytes_, static_cast<uint32_t>(value.size()));
    bytes_.append(value);
    ++count_;
}

std::string_view PgByteaArray::bytes() {
    if (count_ == 0) {
        // No dimensions: the empty array.
        putInt32(&bytes_[8], 0);
        putInt32(&bytes_[12], 0);
        putInt32(&bytes_[16], kByteaType);
        return std::string_view(bytes_).substr(8, 12);
    }
    putInt32(&bytes_[0], 1);  // dimensions
    putInt32(&bytes_[4], 0);  // no NULLs
    putInt32(&bytes_[8], kByteaType);
    putInt32(&bytes_[12], static_cast<uint32_t>(count_));
    putInt32(&bytes_[16], 1);  // lower bound
    return bytes_;
}

void PgByteaArray::clear() {
    bytes_.resize(kHeader);
    count_ = 0;
}

// --- PgConnection ---

PgConnection::PgConnection(const Parameters& parameters, std::string name)
    : name_(std::move(name)) {
    std::vector<const char*> keywords, values;
    for (const auto& [keyword, value] : parameters) {
        keywords.push_back(keyword.c_str());
        values.push_back(value.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = libpq().PQconnectdbParams(keywords.data(), values.data(), 1);
    if (!conn_)
        throw Error(err::kDatabase, appBaseName() + ".Connection",
                    name_ + " could not be reached: out of memory");
    if (libpq().PQstatus(conn_) != CONNECTION_OK) {
        std::string why = oneLine(libpq().PQerrorMessage(conn_));
        // The server may name the role (role "x" does not exist), which messages hide.
        if (const char* user = libpq().PQuser(conn_); user && *user) {
            const std::string named = std::string("\"") + user + "\"";
            for (size_t at; (at = why.find(named)) != std::string::npos;)
                why.replace(at, named.size(), "\"***\"");
        }
        if (why.find("no password supplied") != std::string::npos)
            why += passwordFileAdvice(conn_, parameters);
        libpq().PQfinish(conn_);
        conn_ = nullptr;
        throw Error(err::kDatabase, appBaseName() + ".Connection",
                    name_ + " could not be reached: " + why);
    }
    // libpq would print the server's notices raw on standard error: "NOTICE: extension
    // exists", or a "FATAL:" line when the server ends an idle connection. The call that
    // fails says what went wrong, in the program's own words.
    libpq().PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PgConnection::~PgConnection() {
    if (conn_) libpq().PQfinish(conn_);
}

Error PgConnection::error(const pg_result* result) const {
    const char* primary =
        result ? libpq().PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string why = primary ? primary : oneLine(libpq().PQerrorMessage(conn_));
    if (why.empty()) why = "the server gave no answer";
    return Error(err::kDatabase, appBaseName() + ".Connection", name_ + ": " + why);
}

PgResult PgConnection::query(std::string_view sql, std::initializer_list<std::string_view> values) {
    return query(sql, std::vector<std::string_view>(values));
}

PgResult PgConnection::query(std::string_view sql, const std::vector<std::string_view>& values) {
    std::vector<const char*> data;
    std::vector<int> lengths, formats;
    for (std::string_view v : values) {
        // A zero-length value still needs a pointer: a null one would be SQL NULL.
        data.push_back(v.data() ? v.data() : "");
        lengths.push_back(static_cast<int>(v.size()));
        formats.push_back(1);
    }
    PgResult result(libpq().PQexecParams(conn_, std::string(sql).c_str(),
                                         static_cast<int>(values.size()), nullptr, data.data(),
                                         lengths.data(), formats.data(), 1));
    const ExecStatusType status = libpq().PQresultStatus(result.raw());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw error(result.raw());
    return result;
}

void PgConnection::script(const std::string& sql) {
    // The simple protocol runs several statements in one go, as one transaction unless
    // the text says otherwise.
    PgResult last(libpq().PQexec(conn_, sql.c_str()));
    const ExecStatusType status = libpq().PQresultStatus(last.raw());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw error(last.raw());
}

bool PgConnection::inTransaction() const {
    const PGTransactionStatusType status = libpq().PQtransactionStatus(conn_);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

bool PgConnection::transactionFailed() const {
    return libpq().PQtransactionStatus(conn_) == PQTRANS_INERROR;
}

void PgConnection::rollback() noexcept {
    if (libpq().PQstatus(conn_) != CONNECTION_OK || !inTransaction()) return;
    libpq().PQclear(libpq().PQexec(conn_, "ROLLBACK"));
}

int PgConnection::descriptor() const {
    return libpq().PQsocket(conn_);
}

bool PgConnection::waitForNotification(int timeoutMs, std::vector<std::string>* payloads) {
    const int self = libpq().PQbackendPID(conn_);
    auto take = [&] {
        bool any = false;
        while (PGnotify* notice = libpq().PQnotifies(conn_)) {
            if (notice->be_pid != self) {
                if (payloads) payloads->emplace_back(notice->extra ? notice->extra : "");
                any = true;
            }
            libpq().PQfreemem(notice);
        }
        return any;
    };
    if (libpq().PQconsumeInput(conn_) == 0) throw error(nullptr);
    if (take()) return true;
    pollfd wait{libpq().PQsocket(conn_), POLLIN, 0};
    if (wait.fd < 0) throw error(nullptr);
    if (::poll(&wait, 1, timeoutMs) <= 0) return false;
    if (libpq().PQconsumeInput(conn_) == 0) throw error(nullptr);
    return take();
}

bool PgConnection::connected() const {
    return libpq().PQstatus(conn_) == CONNECTION_OK;
}

}  // namespace th
