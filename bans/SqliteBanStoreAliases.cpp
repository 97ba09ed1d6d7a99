// The aliases in an SQLite ban database (schema version 5): one upsert a sighting, which
// writes only when it widens the stored stamps.

#include "bans/AliasStatements.h"
#include "bans/SqliteBanStore.h"

namespace th {

namespace {

const std::string kUpsert =
    alias_statements::upsert("VALUES (?1, ?2, ?3, ?4, ?5)", "GUID, PlayerName, IP");
const std::string kSelect = alias_statements::select("GUID = ?1");

}  // namespace

void SqliteBanStore::addAliases(const std::vector<Alias>& aliases) {
    SqliteStatement& upsert = db_.prepared(kUpsert);
    std::string name;
    for (const Alias& alias : aliases) {
        const bool apostrophe = alias.name.find('\'') != std::string_view::npos;
        if (apostrophe) name = toStored(alias.name);
        upsert.bindUncopied(1, alias.guid);
        upsert.bindUncopied(2, apostrophe ? std::string_view(name) : alias.name);
        upsert.bindUncopied(3, alias.address);
        upsert.bindUncopied(4, alias.firstSeen);
        upsert.bindUncopied(5, alias.lastSeen);
        try {
            while (upsert.step()) {
            }
        } catch (...) {
            upsert.reset();
            throw;
        }
        upsert.reset();
    }
}

std::vector<StoredAlias> SqliteBanStore::findAliases(std::string_view guid) {
    SqliteStatement& select = db_.prepared(kSelect);
    select.bind(1, guid);
    std::vector<StoredAlias> found;
    try {
        while (select.step())
            found.push_back({std::string(select.text(0)), fromStored(select.text(1)),
                             std::string(select.text(2)), std::string(select.text(3)),
                             std::string(select.text(4))});
    } catch (...) {
        select.reset();
        throw;
    }
    select.reset();
    return found;
}

}  // namespace th
