// Browsing and lifting bans in an SQLite ban database: each page is read along the index
// of its ordering column and GUID (schema version 3), or, for a search, through the
// trigram index of GUIDs, names and addresses (version 5).

#include <algorithm>
#include <unordered_set>

#include "bans/GuidKey.h"
#include "bans/BanBrowsingSql.h"
#include "bans/SqliteBanStore.h"

namespace th {

namespace {

constexpr const char* kSearchClause =
    "(tblVandrel.GUID LIKE ?1 ESCAPE '\\' OR tblVandrel.PlayerName LIKE ?1 ESCAPE '\\' OR "
    "tblVandrel.IP LIKE ?1 ESCAPE '\\')";

// The rows the trigram index (schema version 5) holds every piece of the search in.
constexpr const char* kIndexClause =
    "rowid IN (SELECT rowid FROM tblVandrelSearch WHERE tblVandrelSearch MATCH ?2)";

// The index's query for rows holding every piece: "abc" AND "bcd" ..., each a string.
std::string indexQuery(std::string_view search) {
    std::string query;
    for (const std::string& trigram : asciiTrigrams(search)) {
        if (!query.empty()) query += " AND ";
        query += '"';
        for (char c : trigram) {
            if (c == '"') query += '"';
            query += c;
        }
        query += '"';
    }
    return query;
}

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

int64_t firstNumber(SqliteStatement& statement) {
    int64_t number = 0;
    eachRow(statement,
            [&](const SqliteStatement& row) { number = std::stoll(std::string(row.text(0))); });
    return number;
}

}  // namespace

// The index's query for a search (stored form), empty when the index cannot narrow it,
// and whether it narrows the search to a few thousand rows; kept for the search last
// asked about, as a window asks for its count and its pages in turn.
const SqliteBanStore::Narrowing& SqliteBanStore::narrowing(std::string_view stored) {
    if (stored != narrowed_.search) {
        narrowed_ = {std::string(stored), indexQuery(stored), false};
        if (!narrowed_.query.empty()) {
            SqliteStatement& candidates = db_.prepared(
                "SELECT count(*) FROM (SELECT 1 FROM tblVandrelSearch WHERE tblVandrelSearch "
                "MATCH ?1 LIMIT " +
                std::to_string(kCountedMatches + 1) + ")");
            candidates.bind(1, narrowed_.query);
            narrowed_.few = firstNumber(candidates) <= kCountedMatches;
        }
    }
    return narrowed_;
}

// A page of a search the index narrows to a few thousand rows is read through it and
// sorted; of any other (one or two characters, or pieces most bans hold) along the
// ordering column's index, where matches come often enough to fill a page soon.
BanPage SqliteBanStore::banPage(const BanOrder& order, const BanKey* after, size_t limit) {
    const std::string stored = toStored(order.search);
    std::string indexed;
    if (!stored.empty() && narrowing(stored).few) indexed = narrowed_.query;
    std::string sql = "SELECT GUID, TimeStamp, PlayerName, IP, ViolationReason, " +
                      orderColumn(order.column, "GUID") + " FROM tblVandrel WHERE 1";
    if (!stored.empty()) sql += std::string(" AND ") + kSearchClause;
    if (!indexed.empty()) sql += std::string(" AND ") + kIndexClause;
    if (after) sql += afterClause(order, "GUID", "?3", "?4");
    sql += orderByClause(order, "GUID") + " LIMIT " + std::to_string(limit);

    SqliteStatement& page = db_.prepared(sql);
    if (!stored.empty()) page.bind(1, containsPattern(stored));
    if (!indexed.empty()) page.bind(2, indexed);
    if (after) {
        if (order.column != BanColumn::Guid) page.bind(3, after->value);
        page.bind(4, after->guid);
    }
    BanPage result;
    eachRow(page, [&](const SqliteStatement& row) {
        result.bans.push_back(storedBan(row));
        result.last = {std::string(row.text(5)), std::string(row.text(0))};
    });
    return result;
}

// A count reads the index's candidates one by one, where it can, and stops past atMost.
int64_t SqliteBanStore::countBans(std::string_view search, int64_t atMost) {
    if (search.empty()) return firstNumber(db_.prepared("SELECT count(*) FROM tblVandrel"));
    const std::string stored = toStored(search);
    const std::string& indexed = narrowing(stored).query;
    std::string sql = "SELECT count(*) FROM (SELECT 1 FROM ";
    if (indexed.empty())
        sql += "tblVandrel WHERE ";
    else
        sql +=
            "tblVandrelSearch CROSS JOIN tblVandrel ON tblVandrel.rowid = tblVandrelSearch.rowid "
            "WHERE tblVandrelSearch MATCH ?2 AND ";
    sql += kSearchClause;
    if (atMost >= 0) sql += " LIMIT " + std::to_string(atMost + 1);
    SqliteStatement& found = db_.prepared(sql + ")");
    found.bind(1, containsPattern(stored));
    if (!indexed.empty()) found.bind(2, indexed);
    return firstNumber(found);
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
