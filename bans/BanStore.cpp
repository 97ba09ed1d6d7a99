#include "bans/BanStore.h"

#include <sqlite3.h>

namespace th {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// Runs a prepared statement to its end and makes it ready for the next values.
void run(Statement& statement) {
    try {
        while (statement.step()) {
        }
    } catch (...) {
        statement.reset();
        throw;
    }
    statement.reset();
}

}  // namespace

std::string toStored(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\'')
            out += "``";
        else
            out += c;
    }
    return out;
}

std::string fromStored(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '`' && i + 1 < text.size() && text[i + 1] == '`') {
            out += '\'';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

BanStore::BanStore(Connection& connection) : db_(connection) {
    db_.beginTransaction();
}

BanStore::~BanStore() {
    db_.rollback();
}

void BanStore::addRows(const std::vector<WorkRow>& sorted,
                       const std::function<void(int64_t)>& progress) {
    // GUID folds letter case in the table: a GUID stored in any case is not added again.
    Statement& insert = db_.prepared(
        "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) "
        "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT DO NOTHING");
    std::string reason, name;
    const std::string* previous = nullptr;
    for (size_t j = 0; j < sorted.size(); ++j) {
        progress(static_cast<int64_t>(j));
        const WorkRow& row = sorted[j];
        const std::string& guid = row.guid;
        const bool taken = !blank(guid) && guid != "unknown" && guid != "NO_GUID" &&
                           !(previous && equalsIgnoringCase(guid, *previous));
        previous = &guid;
        if (!taken) continue;
        ++taken_;
        reason.clear();
        if (!blank(row.reason)) reason.append("\"").append(row.reason).append("\"");
        const bool apostrophe = row.name.find('\'') != std::string::npos;
        if (apostrophe) name = toStored(row.name);
        // The values outlive the step, so SQLite need not copy them.
        insert.bindUncopied(1, guid);
        insert.bindUncopied(2, row.stamp);
        insert.bindUncopied(3, apostrophe ? name : row.name);
        insert.bindUncopied(4, row.address);
        insert.bindUncopied(5, reason);
        run(insert);
        if (sqlite3_changes(db_.handle()) > 0) {
            ++added_;
            if (row.stamped) ++stamped_;
        }
    }
}

void BanStore::replaceKeptLines(const std::vector<std::string>& lines) {
    db_.execute("DELETE FROM tblTempBans");
    appendKeptLines(lines);
}

void BanStore::appendKeptLines(const std::vector<std::string>& lines) {
    Statement& insert = db_.prepared("INSERT INTO tblTempBans (TempBan) VALUES (?1)");
    for (const std::string& line : lines) {
        insert.bind(1, toStored(line));
        run(insert);
    }
}

void BanStore::commit() {
    db_.commit();
}

}  // namespace th
