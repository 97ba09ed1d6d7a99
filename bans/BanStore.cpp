#include "bans/BanStore.h"

#include <filesystem>

#include "bans/NewDatabase.h"
#include "bans/PostgresBanStore.h"
#include "bans/PostgresUri.h"
#include "bans/SqliteBanStore.h"

namespace th {

namespace {
constexpr std::string_view kPostgresScheme = "postgresql://";
}  // namespace

bool isPostgresUri(std::string_view where) {
    return where.starts_with(kPostgresScheme);
}

std::unique_ptr<BanStore> openBanStore(MainForm& form, const std::string& where) {
    if (isPostgresUri(where)) return std::make_unique<PostgresBanStore>(where);
    return std::make_unique<SqliteBanStore>(form, where);
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
