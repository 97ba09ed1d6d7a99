// What only a shared PostgreSQL database has: a server that goes away in the middle of a
// merge, listeners, and an upgrade that other servers may run at the same time.

#include <gtest/gtest.h>

#include "bans/Database.h"
#include "bans/Merge.h"
#include "bans/PgConnection.h"
#include "bans/PostgresBanStore.h"
#include "bans/PostgresUri.h"
#include "bans/SchemaMigration.h"
#include "tests/bans/StoreEngines.h"

namespace th::test {
namespace {

class PostgresMerge : public BanFolderTest {
  protected:
    PostgresCluster& cluster = PostgresCluster::shared();
};

TEST_F(PostgresMerge, AServerStoppedMidMergeLeavesTheFileAndTheNextRunCompletes) {
    const std::string uri = cluster.freshDatabaseUri();
    createBanDatabase(uri);
    setDatabasePath(uri);

    TestWindow w;
    prepareSample(w);
    const std::string before = readBytes(bans);
    bool stopped = false;
    w.scripted.events.onRepaint = [&] {
        if (stopped || !g_cnnDatabase) return;  // once connected, before anything is stored
        stopped = true;
        cluster.stop();
    };
    g_MergeIntoBanFile(w.form);
    cluster.start();
    ASSERT_TRUE(stopped);
    const ShownBox& failure = w.scripted.messages.shown.back();
    EXPECT_TRUE(failure.prompt.starts_with("An error has occured during a merge of this log"))
        << failure.prompt;
    EXPECT_NE(failure.prompt.find("postgresql://***@/"), std::string::npos) << failure.prompt;
    EXPECT_EQ(readBytes(bans), before);
    EXPECT_FALSE(g_cnnDatabase);

    TestWindow again;
    prepareSample(again);
    g_MergeIntoBanFile(again.form);
    EXPECT_TRUE(again.scripted.messages.shown.back().prompt.starts_with("Merge complete"))
        << again.scripted.messages.shown.back().prompt;
}

// A version 4 database keeps every ban and gains the aliases, seeded with each ban's own
// name, address and readable stamp; its tables and indexes are then a new database's.
TEST_F(PostgresMerge, AVersion4DatabaseGainsAliasesSeededFromItsBans) {
    const std::string old = cluster.freshDatabaseUri(), fresh = cluster.freshDatabaseUri();
    createBanDatabase(fresh);
    std::string script;
    for (int v = 1; v <= 4; ++v) script += postgresSchema().version(v);
    cluster.run(PostgresCluster::databaseOf(old),
                "BEGIN;" + script +
                    "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP) VALUES "
                    "('AbC', '[04.16.2017 21:03:11]', '\\x224ae47922'::bytea, '\"192.0.2.1\"'),"
                    "('x2', 'junk', '\"n\"', '\"10.0.0.1\"'); COMMIT;");
    PostgresBanStore store(old);
    EXPECT_EQ(store.schemaVersion(), latestSchemaVersion());
    EXPECT_EQ(store.countBans("", -1), 2);
    EXPECT_EQ(aliasesOf(store, "abc"), (Rows{"AbC|\"J\xE4y\"|\"192.0.2.1\"|[04.16.2017 21:03:11]|"
                                             "[04.16.2017 21:03:11]"}));
    EXPECT_EQ(aliasesOf(store, "X2"), (Rows{"x2|\"n\"|\"10.0.0.1\"||"}));
    auto schema = [](const std::string& uri) {
        PgConnection db(postgresParameters(uri), uri);
        const PgResult r = db.query(
            "SELECT table_name || ' ' || column_name || ' ' || data_type || ' ' || "
            "coalesce(generation_expression, '') FROM information_schema.columns "
            "WHERE table_schema = 'public' UNION ALL SELECT indexdef FROM pg_indexes "
            "WHERE schemaname = 'public' ORDER BY 1");
        Rows out;
        for (int i = 0; i < r.rows(); ++i) out.emplace_back(r.value(i, 0));
        return out;
    };
    EXPECT_EQ(schema(old), schema(fresh));
}

}  // namespace
}  // namespace th::test
