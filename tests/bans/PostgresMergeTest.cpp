// What only a shared PostgreSQL database has: a server that goes away in the middle of a
// merge, listeners, and an upgrade that other servers may run at the same time.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "bans/BanFileChanges.h"
#include "bans/Database.h"
#include "bans/Merge.h"
#include "bans/PgConnection.h"
#include "bans/PostgresBanStore.h"
#include "bans/PostgresUri.h"
#include "bans/SchemaMigration.h"
#include "tests/bans/StoreEngines.h"

namespace th::test {
namespace {

using namespace std::chrono_literals;

class PostgresMerge : public BanFolderTest {
  protected:
    PostgresCluster& cluster = PostgresCluster::shared();
};

TEST_F(PostgresMerge, AServerStoppedMidMergeLeavesTheFileAndTheNextRunCompletes) {
    setDatabasePath(PostgresEngine().freshDatabase());

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

    TestWindow again;
    prepareSample(again);
    g_MergeIntoBanFile(again.form);
    EXPECT_TRUE(again.scripted.messages.shown.back().prompt.starts_with("Merge complete"))
        << again.scripted.messages.shown.back().prompt;
}

// The window's Cancel ends a merge that waits for another server's merge, which may go on
// writing for two minutes: Cancel once did nothing until then, and the merge then failed.
TEST_F(PostgresMerge, CancelEndsTheWaitForAnotherServersMerge) {
    const std::string uri = PostgresEngine().freshDatabase();
    setDatabasePath(uri);
    TestWindow w;
    prepareSample(w);
    const std::string before = readBytes(bans);
    std::future<void> other = std::async(std::launch::async, [&] {
        cluster.run(PostgresCluster::databaseOf(uri),
                    "BEGIN; SELECT pg_advisory_xact_lock(8386095523070324597); "
                    "SELECT pg_sleep(8); COMMIT;");
    });
    std::this_thread::sleep_for(1s);  // the lock is taken
    std::thread cancel([&] {
        std::this_thread::sleep_for(1s);  // the merge waits
        w.form.cancel.request();
    });
    MergeOptions options;
    options.banFile = bans;
    const MergeOutcome outcome = mergeIntoBanFile(w.form, options);
    cancel.join();
    EXPECT_EQ(other.wait_for(0s), std::future_status::timeout) << "ended while it waited";
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.error, 0) << "cancelled, not failed";
    EXPECT_EQ(readBytes(bans), before);
    other.wait();
}

// A version 4 database keeps every ban and gains the aliases, seeded with each ban's own
// name, address and readable stamp; its tables and indexes are then a new database's.
TEST_F(PostgresMerge, AVersion4DatabaseGainsAliasesSeededFromItsBans) {
    const std::string old = cluster.freshDatabaseUri(), fresh = PostgresEngine().freshDatabase();
    std::string script;
    for (int v = 1; v <= 4; ++v) script += postgresSchema().version(v);
    cluster.run(PostgresCluster::databaseOf(old),
                "BEGIN;" + script +
                    "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP) VALUES "
                    "('AbC', '[04.16.2017 21:03:11]', '\\x224ae47922'::bytea, '\"192.0.2.1\"'),"
                    "('x2', 'junk', '\"n\"', '\"10.0.0.1\"'); COMMIT;");
    PostgresBanStore store(old);
    EXPECT_EQ(store.schemaVersion(), postgresSchema().latest());
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

// A value too long for the shared database's indexes once stopped every merge and import
// of the fleet, the other bans with it: a name, address or reason is cut to 500 bytes at the start
// of a character, and a GUID longer than 256 bytes, which no real one is, bans no one.
TEST_F(PostgresMerge, OverlongValuesAreCutAndTheOtherBansGoIn) {
    setDatabasePath(PostgresEngine().freshDatabase());
    // Letters in no order: the server compresses a long entry that repeats itself.
    auto letters = [seed = 12345u](size_t n) mutable {
        std::string out;
        for (size_t i = 0; i < n; ++i, seed = seed * 1103515245u + 12345u)
            out += static_cast<char>('a' + (seed >> 16) % 26);
        return out;
    };
    const std::string cut = letters(499), address = letters(4000);
    std::string kind = letters(4000);
    for (char& c : kind) c = static_cast<char>(c - 'a' + 'A');  // a reason is in capitals
    GridRow longest = violationRow("aaaa1111", cut + "\xC3\xA4" + letters(4000));
    longest[1] = "(" + kind + ")";  // the violation, the reason's kind
    longest[6] = address;
    writeBytes(bans, "");
    const Merged merged = mergeRows(
        bans, {longest, violationRow("bbbb2222", "Short"), violationRow(std::string(257, 'c'))});
    ASSERT_TRUE(merged.outcome.completed) << merged.said();
    const std::string reason = ("VIOLATION DETECTED -> (" + kind).substr(0, 500);
    EXPECT_EQ(readBytes(bans), crlf({"[06.01.2017 00:00:00] aaaa1111 \"" + cut + "\" \"" +
                                         address.substr(0, 500) + "\" \"" + reason + "\"",
                                     violationLine("bbbb2222", "Short")}));
    const std::string file = readBytes(bans);
    EXPECT_TRUE(mergeRows(bans, {}).outcome.completed);
    EXPECT_EQ(readBytes(bans), file) << "read back and written the same";

    // Another server's ban file brings them too.
    const std::string other = dir + "/other.dat", name = letters(3000);
    writeBytes(other, crlf({"[06.02.2017 00:00:00] cccc3333 \"" + name + "\" \"" + address +
                            "\" \"" + kind + "\""}));
    TestWindow w;
    ASSERT_TRUE(importBanFiles(w.form, bans, {other}).completed);
    EXPECT_NE(
        readBytes(bans).find("[06.02.2017 00:00:00] cccc3333 \"" + name.substr(0, 500) + "\" \"" +
                             address.substr(0, 500) + "\" \"" + kind.substr(0, 500) + "\"\r\n"),
        std::string::npos);
}

}  // namespace
}  // namespace th::test
