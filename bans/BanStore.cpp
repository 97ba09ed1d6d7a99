#include "bans/BanStore.h"

#include <filesystem>

#include "bans/GuidKey.h"
#include "bans/NewDatabase.h"
#include "bans/PostgresBanStore.h"
#include "bans/PostgresUri.h"
#include "bans/SchemaMigration.h"
#include "bans/SqliteBanStore.h"
#include "platform/Error.h"

namespace th {

std::unordered_set<std::string> bannedGuidKeys(BanStore& store,
                                               const std::vector<std::string>& guids) {
    std::unordered_set<std::string> keys;
    for (const StoredBan& ban : store.findBans(guids)) keys.insert(guidKey(ban.guid));
    return keys;
}

bool isPostgresUri(std::string_view where) {
    return postgresSchemeLength(where) != 0;
}

std::unique_ptr<BanStore> openBanStore(MainForm& form, const std::string& where,
                                       StoreOpening opening) {
    const bool upgrade = opening == StoreOpening::Upgrade;
    std::unique_ptr<BanStore> store;
    if (isPostgresUri(where))
        store = std::make_unique<PostgresBanStore>(where, upgrade);
    else
        store = std::make_unique<SqliteBanStore>(form, where, upgrade);
    const bool postgres = isPostgresUri(where);
    const int version = store->schemaVersion(),
              latest = postgres ? postgresSchema().latest() : latestSchemaVersion(),
              readable = postgres ? latest : oldestReadableSchemaVersion();
    if (version > latest)
        throw Error(err::kDatabase, appBaseName(), newerSchemaText(store->name(), version, latest));
    if (version < readable)
        throw Error(err::kDatabase, appBaseName(),
                    store->name() + " holds ban database version " + std::to_string(version) +
                        "; the next merge upgrades it to version " + std::to_string(latest) +
                        " (after a backup). It is left as it is.");
    return store;
}

void createBanDatabase(const std::string& where) {
    if (isPostgresUri(where)) return createPostgresDatabase(where);
    if (!createDatabase(where))
        throw Error(err::kRefusedPath, appBaseName(),
                    where + " already exists; it is left as it is");
}

std::string storeDisplayName(const std::string& where) {
    return isPostgresUri(where) ? maskedUri(where) : where;
}

}  // namespace th
