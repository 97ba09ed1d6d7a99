// Browsing and lifting bans in an SQLite ban database: each page is read along the index
// of its ordering column and GUID (schema version 3).

#include <algorithm>
#include <unordered_set>

#include "bans/GuidKey.h"
#include "bans/SqliteBanStore.h"

namespace th {

namespace {

const char* columnName(BanColumn column) {
    switch (column) {
        case BanColumn::Guid:
            return "GUID";
        case BanColumn::Name:
            return "PlayerName";
        case BanColumn::Ip:
            return "IP";
        case BanColumn::Reason:
            return "ViolationReason";
        case BanColumn::Time:
            break;
    }
    return "SortKey";  // version 3's generated column: the stored query's order
}

// The search as a LIKE pattern matching the stored form: apostrophes are kept as grave
// accents there, and LIKE's own wildcards are taken literally.
std::string likePattern(std::string_view search) {
    std::string pattern = "%";
    for (char c : toStored(search)) {
        if (c == '%' || c == '_' || c == '\\') pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

constexpr const char* kSearchClause =
    "(GUID LIKE ?1 ESCAPE '\\' OR PlayerName LIKE ?1 ESCAPE '\\' OR IP LIKE ?1 ESCAPE '\\')";

StoredBan storedBan(const SqliteStatement& row) {
    return {std::string(row.text(0)), std::string(row.text(1)), fromStored(row.text(2)),
            std::string(row.text(3)), std::string(row.text(4))};
}

// Runs the statement to its end, handing each row over, and leaves it ready again.
template <typename RowFn>
void eachRow(SqliteStatement& statement, RowFn&& row) {
    try {
        while (statement.step()) row(statement);
    } catch (...) {
        statement.reset();
        throw;
    }
    statement.reset();
}

}  // namespace

BanPage SqliteBanStore::banPage(const BanOrder& order, const BanKey* after, size_t limit) {
    const std::string column = columnName(order.column);
    const char* direction = order.descending ? " DESC" : "";
    std::string sql = "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason, " + column +
                      " FROM tblVandrel WHERE 1";
    if (!order.search.empty()) sql += std::string(" AND ") + kSearchClause;
    if (after) {
        if (order.column == BanColumn::Guid)
            sql += order.descending ? " AND GUID < ?3" : " AND GUID > ?3";
        else
            sql += " AND (" + column + ", GUID) " + (order.descending ? "<" : ">") + " (?2, ?3)";
    }
    if (order.column == BanColumn::Guid)
        sql += std::string(" ORDER BY GUID") + direction;
    else
        sql += " ORDER BY " + column + direction + ", GUID" + direction;
    sql += " LIMIT " + std::to_string(limit);

    SqliteStatement& page = db_.prepared(sql);
    if (!order.search.empty()) page.bind(1, likePattern(order.search));
    if (after) {
        if (order.column != BanColumn::Guid) page.bind(2, after->value);
        page.bind(3, after->guid);
    }
    BanPage result;
    eachRow(page, [&](const SqliteStatement& row) {
        result.bans.push_back(storedBan(row));
        result.last = {std::string(row.text(5)), std::string(row.text(0))};
    });
    return result;
}

int64_t SqliteBanStore::countBans(std::string_view search) {
    if (search.empty()) {
        SqliteStatement& all = db_.prepared("SELECT count(*) FROM tblVandrel");
        int64_t count = 0;
        eachRow(all,
                [&](const SqliteStatement& row) { count = std::stoll(std::string(row.text(0))); });
        return count;
    }
    SqliteStatement& found =
        db_.prepared(std::string("SELECT count(*) FROM tblVandrel WHERE ") + kSearchClause);
    found.bind(1, likePattern(search));
    int64_t count = 0;
    eachRow(found,
            [&](const SqliteStatement& row) { count = std::stoll(std::string(row.text(0))); });
    return count;
}

std::optional<StoredBan> SqliteBanStore::findBan(std::string_view guid) {
    SqliteStatement& ban = db_.prepared(
        "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel WHERE GUID = ?1");
    ban.bind(1, guid);
    std::optional<StoredBan> found;
    eachRow(ban, [&](const SqliteStatement& row) { found = storedBan(row); });
    return found;
}

std::vector<StoredBan> SqliteBanStore::findBans(const std::vector<std::string>& guids) {
    // One statement for every chunk of GUIDs; a short chunk names its last GUID again.
    constexpr size_t kChunk = 100;
    static const std::string sql = [] {
        std::string text =
            "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason FROM tblVandrel WHERE GUID "
            "IN (?1";
        for (size_t p = 2; p <= kChunk; ++p) text += ", ?" + std::to_string(p);
        return text + ")";
    }();
    SqliteStatement& select = db_.prepared(sql);
    std::vector<StoredBan> found;
    // Two chunks may name one ban in other letter case.
    std::unordered_set<std::string> seen;
    for (size_t start = 0; start < guids.size(); start += kChunk) {
        const size_t end = std::min(guids.size(), start + kChunk);
        for (size_t p = 0; p < kChunk; ++p)
            select.bindUncopied(static_cast<int>(p + 1), guids[std::min(start + p, end - 1)]);
        eachRow(select, [&](const SqliteStatement& row) {
            StoredBan ban = storedBan(row);
            if (seen.insert(guidKey(ban.guid)).second) found.push_back(std::move(ban));
        });
    }
    return found;
}

bool SqliteBanStore::liftBan(std::string_view guid, std::string_view liftedAt,
                             std::string_view note) {
    const std::optional<StoredBan> ban = findBan(guid);
    if (!ban) return false;
    db_.execute("DELETE FROM tblVandrel WHERE GUID = ?1", {guid});
    db_.execute(
        "INSERT INTO tblLiftedBans (GUID, PlayerName, LiftedAt, Note) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (GUID) DO UPDATE SET GUID = excluded.GUID, PlayerName = excluded.PlayerName, "
        "LiftedAt = excluded.LiftedAt, Note = excluded.Note",
        {ban->guid, toStored(ban->name), liftedAt, note});
    return true;
}

std::optional<LiftedBan> SqliteBanStore::findLiftedBan(std::string_view guid) {
    SqliteStatement& lifted =
        db_.prepared("SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans WHERE GUID = ?1");
    lifted.bind(1, guid);
    std::optional<LiftedBan> found;
    eachRow(lifted, [&](const SqliteStatement& row) {
        found = LiftedBan{std::string(row.text(0)), fromStored(row.text(1)),
                          std::string(row.text(2)), std::string(row.text(3))};
    });
    return found;
}

void SqliteBanStore::forEachLiftedBan(const std::function<void(const LiftedBan&)>& lifted) {
    SqliteStatement all(
        db_, "SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans ORDER BY rowid");
    while (all.step())
        lifted({std::string(all.text(0)), fromStored(all.text(1)), std::string(all.text(2)),
                std::string(all.text(3))});
}

void SqliteBanStore::forgetLifting(std::string_view guid) {
    db_.execute("DELETE FROM tblLiftedBans WHERE GUID = ?1", {guid});
}

}  // namespace th
