// Browsing and lifting bans, and where scans stand, in a PostgreSQL ban database. A page
// is read along the index of its ordering column and GuidKey (schema version 3), a search
// narrowed by the trigram index (version 6) where it can be; GUIDs
// are matched by GuidKey, so letter case never tells two bans apart.

#include <algorithm>
#include <charconv>

#include "bans/BanBrowsingSql.h"
#include "bans/GuidKey.h"
#include "bans/PostgresWriting.h"
#include "platform/DisplayBytes.h"

namespace th {

namespace {

// The search as LIKE patterns over values whose ASCII capitals were made small: the
// search's too. Names hold apostrophes as typed here, so an apostrophe needs no
// translation.
std::string likePattern(std::string_view search) {
    return containsPattern(guidKey(search));
}

// The bytes as encode(..., 'escape') writes them: NUL and 8-bit bytes as \ooo, a backslash
// doubled, so text operators (pg_trgm's) can work on any bytes.
std::string escapeEncoded(std::string_view bytes) {
    std::string text;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0 || byte >= 0x80) {
            const char digits[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                                   static_cast<char>('0' + ((byte >> 3) & 7)),
                                   static_cast<char>('0' + (byte & 7))};
            text.append(digits, 4);
        } else {
            if (c == '\\') text += c;
            text += c;
        }
    }
    return text;
}

// The expression schema version 6's trigram index is built on: the three searched
// values, letter case folded, escape-encoded, a line end between them.
constexpr const char* kSearchedText =
    "encode(GuidKey || '\\x0a'::bytea || GuidKeyOf(PlayerName) || '\\x0a'::bytea || "
    "GuidKeyOf(IP), 'escape')";

// The search's pattern over the indexed text, when the index can narrow it (it holds a
// run of three ASCII characters); else empty.
std::string indexedPattern(std::string_view search) {
    if (asciiTrigrams(search).empty()) return {};
    return containsPattern(escapeEncoded(guidKey(search)));
}

// A statement's parameters, numbered as they are used: PostgreSQL wants a type for each.
class Parameters {
  public:
    // The next parameter's name, "$n", for the value.
    std::string operator()(std::string value) {
        values_.push_back(std::move(value));
        return "$" + std::to_string(values_.size());
    }
    std::vector<std::string_view> values() const { return {values_.begin(), values_.end()}; }

  private:
    std::vector<std::string> values_;
};

// Whether a value's bytes are shown as UTF-8 (strict: no overlong forms, no surrogates,
// nothing above U+10FFFF), else as Windows-1252: read over its hexadecimal digits.
std::string shownAsUtf8(const std::string& value) {
    return "encode(" + value +
           ", 'hex') ~ '^([0-7][0-9a-f]|c[2-9a-f][89ab][0-9a-f]|d[0-9a-f][89ab][0-9a-f]"
           "|e0[ab][0-9a-f][89ab][0-9a-f]|e[1-9abcef][89ab][0-9a-f][89ab][0-9a-f]"
           "|ed[89][0-9a-f][89ab][0-9a-f]|f0[9ab][0-9a-f][89ab][0-9a-f][89ab][0-9a-f]"
           "|f[1-3][89ab][0-9a-f][89ab][0-9a-f][89ab][0-9a-f]"
           "|f48[0-9a-f][89ab][0-9a-f][89ab][0-9a-f])*$'";
}

// The clause of a search, its parameters added through `parameter`: for the text as typed,
// and for its Windows-1252 form when it has one (names are stored in the bytes the game
// sent), the bans holding its byte pattern; when the trigram index can narrow it, also its
// pattern over the indexed text. That pattern may also match across an escape's digits or
// between two values, so the byte pattern still decides. An 8-bit text's forms each find
// only values shown by their own rule: untied, "©" found "Jérôme" in UTF-8, whose "é"
// holds the byte that is "©" in Windows-1252.
std::string searchClause(std::string_view typed, Parameters& parameter) {
    // Bytes typed that are no UTF-8 are taken as the text they show as.
    const std::string search = isValidUtf8(typed) ? std::string(typed) : displayUtf8(typed);
    const bool tied = std::any_of(search.begin(), search.end(), [](char c) { return c & 0x80; });
    std::vector<std::pair<std::string, bool>> forms = {{search, true}};
    if (std::optional<std::string> bytes = windows1252Bytes(search))
        forms.push_back({*bytes, false});
    std::string clause;
    for (const auto& entry : forms) {
        const std::string& form = entry.first;
        const bool utf8 = entry.second;  // (a lambda may not take a structured binding)
        const std::string n = parameter(likePattern(form)) + "::bytea";
        const std::string inside =
            searchesQuotes(form) ? parameter(insideQuotesPattern(guidKey(form))) + "::bytea" : "";
        // The rule is read only of a value that matched (CASE keeps that order).
        const auto shown = [&](const std::string& test, const std::string& value) {
            if (!tied) return test;
            return "CASE WHEN " + test + " THEN " + (utf8 ? "" : "NOT ") + shownAsUtf8(value) +
                   " ELSE false END";
        };
        const auto value = [&](const std::string& v) {
            const std::string keyed = "GuidKeyOf(" + v + ")";
            return shown(inside.empty() ? keyed + " LIKE " + n
                                        : quotedValueLike(keyed, n, inside, "'\"%\"'::bytea", ""),
                         v);
        };
        std::string holds = "(" + shown("GuidKey LIKE " + n, "GUID") + " OR " +
                            value("PlayerName") + " OR " + value("IP") + ")";
        if (const std::string indexed = indexedPattern(form); !indexed.empty())
            holds = "(" + std::string(kSearchedText) + " LIKE " + parameter(indexed) +
                    "::text AND " + holds + ")";
        clause += (clause.empty() ? "(" : " OR ") + holds;
    }
    return clause + ")";
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
    const bool byGuid = order.column == BanColumn::Guid;
    Parameters parameter;
    std::string sql = std::string("SELECT ") + kBanColumns + ", " +
                      (byGuid ? "GUID" : orderColumn(order.column, "GuidKey")) +
                      " FROM tblVandrel WHERE true";
    if (!order.search.empty()) sql += " AND " + searchClause(order.search, parameter);
    if (after) {
        const std::string value = byGuid ? "" : parameter(after->value) + "::bytea";
        sql += afterClause(order, "GuidKey", value,
                           "GuidKeyOf(" + parameter(after->guid) + "::bytea)");
    }
    sql += orderByClause(order, "GuidKey") + " LIMIT " + std::to_string(limit);

    const PgResult rows = db_.query(sql, parameter.values());
    BanPage page;
    for (int r = 0; r < rows.rows(); ++r) page.bans.push_back(storedBan(rows, r));
    if (rows.rows() > 0) {
        const int r = rows.rows() - 1;
        page.last = {std::string(rows.value(r, 5)), std::string(rows.value(r, 0))};
    }
    return page;
}

int64_t PostgresBanStore::countBans(std::string_view search, int64_t atMost) {
    if (search.empty())
        return std::stoll(
            std::string(db_.query("SELECT count(*)::text FROM tblVandrel").value(0, 0)));
    Parameters parameter;
    std::string sql = "SELECT count(*)::text FROM (SELECT 1 FROM tblVandrel WHERE " +
                      searchClause(search, parameter);
    if (atMost >= 0) sql += " LIMIT " + std::to_string(atMost + 1);
    const PgResult count = db_.query(sql + ") AS found", parameter.values());
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
    // The other servers' files still hold the ban: word to look at every ban again, once
    // this commits, makes their follow find it there and rewrite the file without it.
    notifyListeners("");
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
        readHashes(rows.value(r, 5), p);
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
                          hash = hashesText(p), position = std::to_string(p.position);
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
