#pragma once
// The engines the store cases run against, each making a fresh, empty ban database of
// the latest schema and giving the --db value that names it; and a store's rows as text.

#include <gtest/gtest.h>

#include <string>

#include "bans/BanStore.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/postgres/PostgresCluster.h"

namespace th::test {

// An SQLite file made from the schema, as the build makes one.
class SqliteEngine : ScratchFolder {
  public:
    std::string freshDatabase() {
        const std::string path = dir + "/Vandrel.mdb";
        sql(path, readBytes(dataPath("../../bans/schema.sql")));
        return path;
    }
};

// A new database in the test server, its schema made as `db init` makes it.
class PostgresEngine {
  public:
    std::string freshDatabase() {
        const std::string uri = PostgresCluster::shared().freshDatabaseUri();
        createBanDatabase(uri);
        return uri;
    }
};

// Every name and address a GUID was seen with, as "guid|name|address|first seen|last seen".
inline Rows aliasesOf(BanStore& store, std::string_view guid) {
    Rows out;
    for (const StoredAlias& a : store.findAliases(guid))
        out.push_back(a.guid + "|" + a.name + "|" + a.address + "|" + a.firstSeen + "|" +
                      a.lastSeen);
    return out;
}

using StoreEngines = ::testing::Types<SqliteEngine, PostgresEngine>;

struct StoreEngineNames {
    template <typename Engine>
    static std::string GetName(int) {
        return std::is_same_v<Engine, SqliteEngine> ? "SQLite" : "PostgreSQL";
    }
};

}  // namespace th::test
