// The aliases in a PostgreSQL ban database (schema version 5): one upsert a batch, which
// writes a row only when it widens the stored stamps.

#include "bans/PostgresWriting.h"

namespace th {

namespace {

constexpr size_t kBatch = 10000;  // sightings a statement carries

// A stored stamp's moment as sortable bytes: year, month, day and time. Stored stamps
// are "[mm.dd.yyyy hh:mm:ss]" or empty, never anything else.
std::string moment(const std::string& stamp) {
    return "(substring(" + stamp + " FROM 8 FOR 4) || substring(" + stamp +
           " FROM 2 FOR 2) || substring(" + stamp + " FROM 5 FOR 2) || substring(" + stamp +
           " FROM 13 FOR 8))";
}

// Whether the sighting's stamp of that column widens the stored one: earlier or later.
// The same stamp again, the common case, is told apart first and cheaply.
std::string widens(const std::string& column, const char* compare) {
    return "(excluded." + column + " <> a." + column + " AND excluded." + column +
           " <> '' AND (a." + column + " = '' OR " + moment("excluded." + column) + compare +
           moment("a." + column) + "))";
}

const std::string kUpsert =
    "INSERT INTO tblAliases AS a (GUID, PlayerName, IP, FirstSeen, LastSeen) "
    "SELECT * FROM unnest($1::bytea[], $2::bytea[], $3::bytea[], $4::bytea[], $5::bytea[]) "
    "ON CONFLICT (GuidKey, PlayerName, IP) DO UPDATE SET "
    "FirstSeen = CASE WHEN " +
    widens("FirstSeen", " < ") +
    " THEN excluded.FirstSeen ELSE a.FirstSeen END, "
    "LastSeen = CASE WHEN " +
    widens("LastSeen", " > ") +
    " THEN excluded.LastSeen ELSE a.LastSeen END "
    "WHERE " +
    widens("FirstSeen", " < ") + " OR " + widens("LastSeen", " > ");

const std::string kSelect =
    "SELECT GUID, PlayerName, IP, FirstSeen, LastSeen FROM tblAliases "
    "WHERE GuidKey = GuidKeyOf($1::bytea) "
    "ORDER BY FirstSeen = '', " +
    moment("FirstSeen") + ", PlayerName, IP";

}  // namespace

void PostgresBanStore::addAliases(const std::vector<Alias>& aliases) {
    if (aliases.empty()) return;
    Writing writing(*this);
    PgByteaArray guids, names, addresses, firsts, lasts;
    for (size_t start = 0; start < aliases.size(); start += kBatch) {
        for (auto* array : {&guids, &names, &addresses, &firsts, &lasts}) array->clear();
        for (size_t i = start; i < std::min(aliases.size(), start + kBatch); ++i) {
            const Alias& alias = aliases[i];
            guids.add(alias.guid);
            names.add(alias.name);
            addresses.add(alias.address);
            firsts.add(alias.firstSeen);
            lasts.add(alias.lastSeen);
        }
        db_.query(kUpsert,
                  {guids.bytes(), names.bytes(), addresses.bytes(), firsts.bytes(), lasts.bytes()});
    }
    writing.done();
}

std::vector<StoredAlias> PostgresBanStore::findAliases(std::string_view guid) {
    const PgResult rows = db_.query(kSelect, {guid});
    std::vector<StoredAlias> found;
    for (int r = 0; r < rows.rows(); ++r)
        found.push_back({std::string(rows.value(r, 0)), std::string(rows.value(r, 1)),
                         std::string(rows.value(r, 2)), std::string(rows.value(r, 3)),
                         std::string(rows.value(r, 4))});
    return found;
}

}  // namespace th
