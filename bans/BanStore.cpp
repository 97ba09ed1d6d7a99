#include "bans/BanStore.h"

#include "bans/NewDatabase.h"
#include "bans/SqliteBanStore.h"

namespace th {

namespace {
constexpr std::string_view kPostgresScheme = "postgresql://";
}  // namespace

bool isPostgresUri(std::string_view where) {
    return where.starts_with(kPostgresScheme);
}

std::unique_ptr<BanStore> openBanStore(MainForm& form, const std::string& where) {
    if (isPostgresUri(where))
        throw Error(err::kDatabase, appBaseName(),
                    "This Tallyhound cannot open PostgreSQL ban databases yet");
    return std::make_unique<SqliteBanStore>(form, where);
}

void createBanDatabase(const std::string& where) {
    if (isPostgresUri(where))
        throw Error(err::kDatabase, appBaseName(),
                    "This Tallyhound cannot make PostgreSQL ban databases yet");
    if (!createDatabase(where))
        throw Error(err::kDatabase, appBaseName(),
                    where + " already exists; a new ban database is never made over a file");
}

std::string storeDisplayName(const std::string& where) {
    return where;
}

}  // namespace th
