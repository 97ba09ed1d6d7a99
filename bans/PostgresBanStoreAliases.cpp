// The aliases in a PostgreSQL ban database (schema version 5): one upsert a batch, which
// writes a row only when it widens the stored stamps.

#include "bans/AliasStatements.h"
#include "bans/PostgresWriting.h"

namespace th {

namespace {

constexpr size_t kBatch = 10000;  // sightings a statement carries

const std::string kUpsert = alias_statements::upsert(
    "SELECT * FROM unnest($1::bytea[], $2::bytea[], $3::bytea[], $4::bytea[], $5::bytea[])",
    "GuidKey, PlayerName, IP");
const std::string kSelect = alias_statements::select("GuidKey = GuidKeyOf($1::bytea)");

}  // namespace

void PostgresBanStore::addAliases(const std::vector<Alias>& aliases) {
    if (aliases.empty()) return;
    Writing writing(*this);
    PgByteaColumns<5> columns;
    for (size_t start = 0; start < aliases.size(); start += kBatch) {
        columns.clear();
        for (size_t i = start; i < std::min(aliases.size(), start + kBatch); ++i) {
            const Alias& a = aliases[i];
            columns.add({a.guid, a.name, a.address, a.firstSeen, a.lastSeen});
        }
        db_.query(kUpsert, columns.bytes());
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
