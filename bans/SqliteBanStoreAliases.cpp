// The aliases in an SQLite ban database (schema version 5): one upsert a sighting, which
// writes only when it widens the stored stamps; sightings the table already covers are
// found in one pass and left out.

#include <algorithm>
#include <numeric>

#include "bans/AliasStatements.h"
#include "bans/GuidKey.h"
#include "bans/SqliteBanStore.h"
#include "bans/SqliteBatches.h"
#include "platform/TimeStamp.h"

namespace th {

namespace {

const std::string kSelect = alias_statements::select("GUID = ?1");

// Stored aliases read per sighting at most, so that a few sightings far apart in a large
// table cost no more than their upserts.
constexpr size_t kPassUpTo = 8;

// Whether a sighting's stamp changes the stored one, by the upsert's rule: an earlier first
// seen (earlier true) or a later last seen. Values of another shape are left to the upsert.
bool widens(std::string_view seen, std::string_view stored, bool earlier) {
    if (seen.empty() || seen == stored) return false;
    if (!isStamp(seen) || !isStamp(stored)) return true;
    return earlier ? earlierStamp(seen, stored) : earlierStamp(stored, seen);
}

// Which sightings the table holds already with first and last seen they would not widen, so
// that they need no upsert (a merge mostly sees again what it saw before): one pass along the
// unique index over the sightings' range of GUIDs, beside the sightings in the index's order.
// A sighting the pass does not reach is upserted as ever.
std::vector<bool> sightingsHeld(SqliteConnection& db, const std::vector<Alias>& aliases,
                                const std::vector<std::string_view>& names) {
    std::vector<bool> held(aliases.size());
    if (aliases.empty()) return held;
    auto compare = [&](size_t a, std::string_view guid, std::string_view name,
                       std::string_view address) {
        if (int c = compareGuids(aliases[a].guid, guid)) return c;
        if (int c = names[a].compare(name)) return c;
        return aliases[a].address.compare(address);
    };
    std::vector<size_t> order(aliases.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto before = [&](size_t a, size_t b) {
        return compare(a, aliases[b].guid, names[b], aliases[b].address) < 0;
    };
    // The sightings mostly come in this order already.
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::sort(order.begin(), order.end(), before);
    SqliteStatement stored(db,
                           "SELECT GUID, PlayerName, IP, FirstSeen, LastSeen FROM tblAliases "
                           "WHERE GUID >= ?1 AND GUID <= ?2 ORDER BY GUID, PlayerName, IP");
    stored.bindUncopied(1, aliases[order.front()].guid);
    stored.bindUncopied(2, aliases[order.back()].guid);
    size_t k = 0;
    for (size_t read = 0; k < order.size() && read < kPassUpTo * order.size() && stored.step();
         ++read) {
        const std::string_view guid = stored.text(0), name = stored.text(1),
                               address = stored.text(2);
        int c = 1;
        while (k < order.size() && (c = compare(order[k], guid, name, address)) < 0) ++k;
        if (c != 0) continue;
        const Alias& alias = aliases[order[k]];
        held[order[k++]] = !widens(alias.firstSeen, stored.text(3), true) &&
                           !widens(alias.lastSeen, stored.text(4), false);
    }
    return held;
}

}  // namespace

void SqliteBanStore::addAliases(const std::vector<Alias>& aliases) {
    // Names as the table holds them, which is also the order of its index.
    std::vector<std::string_view> names;
    names.reserve(aliases.size());
    CellStore changed;  // the names an apostrophe changes
    for (const Alias& alias : aliases) names.push_back(asStored(alias.name, changed));
    const std::vector<bool> held = sightingsHeld(db_, aliases, names);
    std::vector<size_t> upserting;
    for (size_t i = 0; i < aliases.size(); ++i)
        if (!held[i]) upserting.push_back(i);
    // A sighting seen twice in one statement is upserted twice in turn, as if alone.
    writeInBatches(
        db_,
        [](const std::string& values) {
            return alias_statements::upsert(values, "GUID, PlayerName, IP");
        },
        5, upserting,
        [&](size_t i, SqliteStatement& upsert, int first) {
            const Alias& alias = aliases[i];
            upsert.bindUncopied(first, alias.guid);
            upsert.bindUncopied(first + 1, names[i]);
            upsert.bindUncopied(first + 2, alias.address);
            upsert.bindUncopied(first + 3, alias.firstSeen);
            upsert.bindUncopied(first + 4, alias.lastSeen);
        },
        [](std::span<const size_t>, int) {});
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
