// The aliases in an SQLite ban database (schema version 5): one upsert a sighting, which
// writes only when it widens the stored stamps.

#include "bans/SqliteBanStore.h"

namespace th {

namespace {

// A stored stamp's moment as sortable text: year, month, day and time. Stored stamps are
// "[mm.dd.yyyy hh:mm:ss]" or empty, never anything else.
std::string moment(const std::string& stamp) {
    return "(substr(" + stamp + ", 8, 4) || substr(" + stamp + ", 2, 2) || substr(" + stamp +
           ", 5, 2) || substr(" + stamp + ", 13, 8))";
}

// Whether the sighting's stamp of that column widens the stored one: earlier or later.
// The same stamp again, the common case, is told apart first and cheaply.
std::string widens(const std::string& column, const char* compare) {
    return "(excluded." + column + " <> " + column + " AND excluded." + column + " <> '' AND (" +
           column + " = '' OR " + moment("excluded." + column) + compare + moment(column) + "))";
}

const std::string kUpsert =
    "INSERT INTO tblAliases (GUID, PlayerName, IP, FirstSeen, LastSeen) "
    "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (GUID, PlayerName, IP) DO UPDATE SET "
    "FirstSeen = CASE WHEN " +
    widens("FirstSeen", " < ") +
    " THEN excluded.FirstSeen ELSE FirstSeen END, "
    "LastSeen = CASE WHEN " +
    widens("LastSeen", " > ") +
    " THEN excluded.LastSeen ELSE LastSeen END "
    "WHERE " +
    widens("FirstSeen", " < ") + " OR " + widens("LastSeen", " > ");

const std::string kSelect =
    "SELECT GUID, PlayerName, IP, FirstSeen, LastSeen FROM tblAliases WHERE GUID = ?1 "
    "ORDER BY FirstSeen = '', " +
    moment("FirstSeen") + ", PlayerName, IP";

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
