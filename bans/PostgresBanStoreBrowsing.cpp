// Browsing and lifting bans, and where scans stand, in a PostgreSQL ban database. A page
// is read along the index of its ordering column and GuidKey (schema version 3); GUIDs
// are matched by GuidKey, so letter case never tells two bans apart.

#include <charconv>

#include "bans/GuidKey.h"
#include "bans/PostgresWriting.h"

namespace th {

namespace {

const char* columnName(BanColumn column) {
    switch (column) {
        case BanColumn::Guid:
            return "GuidKey";
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

// The search as a LIKE pattern over values whose ASCII capitals were made small: the
// search's too, and LIKE's own wildcards are taken literally. Names hold apostrophes as
// typed here, so an apostrophe needs no translation.
std::string likePattern(std::string_view search) {
    std::string pattern = "%";
    for (char c : guidKey(search)) {
        if (c == '%' || c == '_' || c == '\\') pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

// The clause of a search whose pattern is parameter `n`.
std::string searchClause(const std::string& n) {
    return "(GuidKey LIKE " + n + "::bytea OR GuidKeyOf(PlayerName) LIKE " + n +
           "::bytea OR GuidKeyOf(IP) LIKE " + n + "::bytea)";
}

constexpr const char* kBanColumns = "GUID, TimeStamp, PlayerName, IP, ViolationReason";

StoredBan storedBan(const PgResult& rows, int r) {
    return {std::string(rows.value(r, 0)), std::string(rows.value(r, 1)),
            std::string(rows.value(r, 2)), std::string(rows.value(r, 3)),
            std::string(rows.value(r, 4))};
}

LiftedBan liftedBan(const PgResult& rows, int r) {
    return {std::string(rows.value(r, 0)), std::string(rows.value(r, 1)),
            std::string(rows.value(r, 2)), std::string(rows.value(r, 3))};
}

// The numbers of a log's position are kept as decimal text.
uint64_t unsignedOf(std::string_view text) {
    uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

BanPage PostgresBanStore::banPage(const BanOrder& order, const BanKey* after, size_t limit) {
    const std::string column = columnName(order.column);
    const bool byGuid = order.column == BanColumn::Guid;
    const char* direction = order.descending ? " DESC" : "";
    // Parameters are numbered as they are used: PostgreSQL wants a type for each.
    std::vector<std::string_view> values;
    auto parameter = [&](std::string_view value) {
        values.push_back(value);
        return "$" + std::to_string(values.size());
    };
    const std::string pattern = likePattern(order.search);
    std::string sql = std::string("SELECT ") + kBanColumns + ", " + (byGuid ? "GUID" : column) +
                      " FROM tblVandrel WHERE true";
    if (!order.search.empty()) sql += " AND " + searchClause(parameter(pattern));
    if (after) {
        const char* beyond = order.descending ? " < " : " > ";
        if (byGuid) {
            sql += " AND GuidKey" + std::string(beyond) + "GuidKeyOf(" + parameter(after->guid) +
                   "::bytea)";
        } else {
            const std::string value = parameter(after->value);
            sql += " AND (" + column + ", GuidKey)" + beyond + "(" + value + "::bytea, GuidKeyOf(" +
                   parameter(after->guid) + "::bytea))";
        }
    }
    if (byGuid)
        sql += std::string(" ORDER BY GuidKey") + direction;
    else
        sql += " ORDER BY " + column + direction + ", GuidKey" + direction;
    sql += " LIMIT " + std::to_string(limit);

    const PgResult rows = db_.query(sql, values);
    BanPage page;
    for (int r = 0; r < rows.rows(); ++r) page.bans.push_back(storedBan(rows, r));
    if (rows.rows() > 0) {
        const int r = rows.rows() - 1;
        page.last = {std::string(rows.value(r, 5)), std::string(rows.value(r, 0))};
    }
    return page;
}

int64_t PostgresBanStore::countBans(std::string_view search) {
    const PgResult count =
        search.empty()
            ? db_.query("SELECT count(*)::text FROM tblVandrel")
            : db_.query("SELECT count(*)::text FROM tblVandrel WHERE " + searchClause("$1"),
                        {likePattern(search)});
    return std::stoll(std::string(count.value(0, 0)));
}

std::optional<StoredBan> PostgresBanStore::findBan(std::string_view guid) {
    const PgResult rows = db_.query(std::string("SELECT ") + kBanColumns +
                                        " FROM tblVandrel WHERE GuidKey = GuidKeyOf($1::bytea)",
                                    {guid});
    if (rows.rows() == 0) return std::nullopt;
    return storedBan(rows, 0);
}

std::vector<StoredBan> PostgresBanStore::findBans(const std::vector<std::string>& guids) {
    PgByteaArray keys;
    for (const std::string& guid : guids) keys.add(guid);
    // The keys as an array, so that the look-up goes along GuidKey's index.
    const PgResult rows =
        db_.query(std::string("SELECT ") + kBanColumns +
                      " FROM tblVandrel WHERE GuidKey = ANY(ARRAY(SELECT GuidKeyOf(g) FROM "
                      "unnest($1::bytea[]) AS g))",
                  {keys.bytes()});
    std::vector<StoredBan> found;
    found.reserve(static_cast<size_t>(rows.rows()));
    for (int r = 0; r < rows.rows(); ++r) found.push_back(storedBan(rows, r));
    return found;
}

bool PostgresBanStore::liftBan(std::string_view guid, std::string_view liftedAt,
                               std::string_view note) {
    Writing writing(*this);
    const PgResult removed = db_.query(
        "DELETE FROM tblVandrel WHERE GuidKey = GuidKeyOf($1::bytea) RETURNING GUID, PlayerName",
        {guid});
    if (removed.rows() == 0) {
        writing.done();
        return false;
    }
    db_.query(
        "INSERT INTO tblLiftedBans (GUID, PlayerName, LiftedAt, Note) "
        "VALUES ($1::bytea, $2::bytea, $3::bytea, $4::bytea) "
        "ON CONFLICT (GuidKey) DO UPDATE SET GUID = excluded.GUID, "
        "PlayerName = excluded.PlayerName, LiftedAt = excluded.LiftedAt, Note = excluded.Note",
        {removed.value(0, 0), removed.value(0, 1), liftedAt, note});
    writing.done();
    return true;
}

std::optional<LiftedBan> PostgresBanStore::findLiftedBan(std::string_view guid) {
    const PgResult rows = db_.query(
        "SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans "
        "WHERE GuidKey = GuidKeyOf($1::bytea)",
        {guid});
    if (rows.rows() == 0) return std::nullopt;
    return liftedBan(rows, 0);
}

void PostgresBanStore::forEachLiftedBan(const std::function<void(const LiftedBan&)>& lifted) {
    const PgResult rows =
        db_.query("SELECT GUID, PlayerName, LiftedAt, Note FROM tblLiftedBans ORDER BY ID");
    for (int r = 0; r < rows.rows(); ++r) lifted(liftedBan(rows, r));
}

void PostgresBanStore::forgetLifting(std::string_view guid) {
    Writing writing(*this);
    db_.query("DELETE FROM tblLiftedBans WHERE GuidKey = GuidKeyOf($1::bytea)", {guid});
    writing.done();
}

std::vector<LogPosition> PostgresBanStore::logPositions(std::string_view server,
                                                        std::string_view reader) {
    const PgResult rows = db_.query(
        "SELECT Device, Inode, Path, Size, Modified, HeadHash, Position FROM tblLogPositions "
        "WHERE Server = $1::bytea AND Reader = $2::bytea ORDER BY Path, Device, Inode",
        {server, reader});
    std::vector<LogPosition> positions;
    for (int r = 0; r < rows.rows(); ++r) {
        LogPosition p;
        p.device = unsignedOf(rows.value(r, 0));
        p.inode = unsignedOf(rows.value(r, 1));
        p.path = rows.value(r, 2);
        p.size = unsignedOf(rows.value(r, 3));
        p.modified = static_cast<int64_t>(unsignedOf(rows.value(r, 4)));
        p.headHash = unsignedOf(rows.value(r, 5));
        p.position = unsignedOf(rows.value(r, 6));
        positions.push_back(std::move(p));
    }
    return positions;
}

void PostgresBanStore::putLogPositions(std::string_view server, std::string_view reader,
                                       const std::vector<LogPosition>& positions,
                                       const std::vector<LogPosition>& gone) {
    Writing writing(*this);
    for (const LogPosition& p : gone) {
        const std::string device = std::to_string(p.device), inode = std::to_string(p.inode);
        db_.query(
            "DELETE FROM tblLogPositions WHERE Server = $1::bytea AND Reader = $2::bytea AND "
            "Device = $3::bytea AND Inode = $4::bytea",
            {server, reader, device, inode});
    }
    for (const LogPosition& p : positions) {
        const std::string device = std::to_string(p.device), inode = std::to_string(p.inode),
                          size = std::to_string(p.size),
                          modified = std::to_string(static_cast<uint64_t>(p.modified)),
                          hash = std::to_string(p.headHash), position = std::to_string(p.position);
        db_.query(
            "INSERT INTO tblLogPositions "
            "(Server, Reader, Device, Inode, Path, Size, Modified, HeadHash, Position) "
            "VALUES ($1::bytea, $2::bytea, $3::bytea, $4::bytea, $5::bytea, $6::bytea, "
            "$7::bytea, $8::bytea, $9::bytea) "
            "ON CONFLICT (Server, Reader, Device, Inode) DO UPDATE SET Path = excluded.Path, "
            "Size = excluded.Size, Modified = excluded.Modified, HeadHash = excluded.HeadHash, "
            "Position = excluded.Position",
            {server, reader, device, inode, p.path, size, modified, hash, position});
    }
    writing.done();
}

}  // namespace th
