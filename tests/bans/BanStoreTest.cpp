// The store interface, the same cases against every engine: what one engine does, the
// other does too. A feature that adds to the store adds its cases here.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "bans/BanBrowsingSql.h"
#include "bans/BanFileOrder.h"
#include "bans/BanStore.h"
#include "bans/SchemaMigration.h"
#include "tests/bans/StoreEngines.h"

namespace th::test {
namespace {

// A ban whose values are all its own, made from its GUID.
StoredBan owned(const std::string& guid, const std::string& stamp = "[04.16.2017 21:03:11]") {
    return {guid, stamp, "\"" + guid + " name\"", "\"192.0.2.1:1\"", "\"reason of " + guid + "\""};
}

std::vector<Ban> bansOf(const std::vector<StoredBan>& all) {
    std::vector<Ban> out;
    for (const StoredBan& b : all) out.push_back({b.guid, b.stamp, b.name, b.address, b.reason});
    return out;
}

// Adds the bans in one transaction: one write to disk, not one a ban. Which were new.
std::vector<bool> addAtOnce(
    BanStore& store, const std::vector<StoredBan>& bans,
    const StoreProgress& progress = [](int64_t) {}) {
    StoreTransaction t(store);
    std::vector<bool> added = store.addBans(bansOf(bans), progress);
    t.commit();
    return added;
}

// A ban, stored or to store, as "guid|stamp|name|address|reason".
template <typename AnyBan>
std::string row(const AnyBan& b) {
    return std::string(b.guid) + "|" + std::string(b.stamp) + "|" + std::string(b.name) + "|" +
           std::string(b.address) + "|" + std::string(b.reason);
}

// Every ban, in the store's order.
Rows bansIn(BanStore& store) {
    Rows out;
    store.forEachBan([&](const Ban& b) { out.push_back(row(b)); });
    return out;
}

Rows keptIn(BanStore& store, std::string_view server) {
    Rows out;
    store.forEachKeptLine(server, [&](std::string_view line) { out.emplace_back(line); });
    return out;
}

template <typename Engine>
class StoreCases : public ::testing::Test {
  protected:
    void SetUp() override { where = engine.freshDatabase(); }
    std::unique_ptr<BanStore> open() { return openBanStore(w.form, where); }

    Engine engine;
    TestWindow w;
    std::string where;
};

TYPED_TEST_SUITE(StoreCases, StoreEngines, StoreEngineNames);

// A GUID is one ban whatever the case of its ASCII letters (only those fold): a ban stored
// is found whatever order and letter case it comes in again and keeps its values whatever
// stamp the new row has; the others are added. A look-up binds the text as it is.
TYPED_TEST(StoreCases, BansAreAddedOnceWhateverTheLetterCaseAndKeepTheirValues) {
    auto store = this->open();
    const int latest =
        std::is_same_v<TypeParam, SqliteEngine> ? latestSchemaVersion() : postgresSchema().latest();
    EXPECT_EQ(store->schemaVersion(), latest);
    const std::vector<StoredBan> stored = {owned("g1"), owned("G10", "[01.01.2018 00:00:00]"),
                                           owned("g2"), owned("\xC4x"),
                                           owned("zz"), owned("it's")};
    EXPECT_EQ(store->addBans(bansOf(stored), [](int64_t) {}), std::vector<bool>(6, true));
    const std::vector<std::pair<std::string, bool>> lookups = {
        {"G1", true}, {"g", false}, {"x' OR '1'='1", false}, {"\xE4x", false}};
    for (const auto& [guid, found] : lookups) EXPECT_EQ(store->hasBan(guid), found) << guid;
    // Each case: a ban and whether it is new.
    const std::vector<std::pair<StoredBan, bool>> cases = {
        {owned("zZ"), false},                            // the letter case differs
        {owned("g10", "[01.01.2017 00:00:00]"), false},  // an earlier stamp
        {owned("g1x"), true},                            // longer than a stored GUID it starts with
        {owned("g"), true},                              // shorter
        {owned("\xE4x"), true},                          // only ASCII letters fold
        {owned("\xC4X"), false},
        {owned("a0"), true},    // before every stored GUID
        {owned("zzz"), true},   // after them
        {owned("ZZZ"), false},  // the same call's own
    };
    std::vector<StoredBan> bans;
    std::vector<bool> added;
    for (const auto& [ban, fresh] : cases) bans.push_back(ban), added.push_back(fresh);
    EXPECT_EQ(store->addBans(bansOf(bans), [](int64_t) {}), added);
    const Rows now = bansIn(*store);
    for (const StoredBan& ban : stored)
        EXPECT_NE(std::find(now.begin(), now.end(), row(ban)), now.end()) << ban.guid;
    EXPECT_EQ(now.size(), stored.size() + std::count(added.begin(), added.end(), true));
}

// Names, addresses, reasons and kept lines of any bytes come back exactly. Kept lines are
// replaced or followed by more; removing every ban leaves them.
TYPED_TEST(StoreCases, ValuesAndKeptLinesComeBackByteForByte) {
    std::string every;
    for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
    StoredBan odd = owned("g1");
    odd.name = "\"" + every + "\"";
    odd.address = "\"it's\xFF\"";
    odd.reason = std::string("\"a\0b\"", 5);
    auto store = this->open();
    addAtOnce(*store, {odd});
    store->replaceKeptLines("here", {";gone"});
    store->replaceKeptLines("here", {"; it's " + every});
    store->appendKeptLines("here", {";\x80\x81"});
    EXPECT_EQ(bansIn(*store), (Rows{row(odd)}));
    EXPECT_EQ(keptIn(*store, "here"), (Rows{"; it's " + every, ";\x80\x81"}));
    store->removeAllBans();
    EXPECT_TRUE(bansIn(*store).empty());
    EXPECT_EQ(keptIn(*store, "here"), (Rows{"; it's " + every, ";\x80\x81"}));
}

// Bans come in the ban file's order: month-first stamps by their moment across years,
// months, days and seconds; shapes that are not stamps (one digit short, a space after,
// letters, bytes past ASCII, empty) after them by their bytes; equal stamps by
// GUID with ASCII letters folded, "_" between capitals and small letters. It is the
// program's comparison's order, and the SQLite store's stored query's.
TYPED_TEST(StoreCases, BansComeInTheBanFilesOrder) {
    std::vector<std::pair<std::string, std::string>> bans;  // GUID, stamp
    // Each as a ban line begins: the stamp, a space, the GUID.
    for (const std::string l :
         {"[04.16.2017 21:03:11] a1", "[04.16.2017 21:03:10] a2", "[04.17.2017 00:00:00] a3",
          "[05.01.2016 23:59:59] a4", "[12.31.2016 23:59:59] a5", "[01.01.2018 00:00:00] a6",
          "[04.16.2017 21:03:11] B_", "[04.16.2017 21:03:11] b_a", "[04.16.2017 21:03:11] BA",
          "[04.16.2017 21:03:11] b", "[04.16.2017 21:03:11] \xC4x", "[04.16.2017 21:03:11] Zz",
          "[4.16.2017 21:03:11] c1", "[04.16.2017 21:03:11]  c2", "junk c4", " c5",
          "\xFF[04.16.2017 21:03:11] c6", "[00.00.0000 00:00:00] c9", "junk D0"})
        bans.emplace_back(l.substr(l.rfind(' ') + 1), l.substr(0, l.rfind(' ')));
    std::vector<Ban> all;
    for (const auto& [guid, stamp] : bans) all.push_back({guid, stamp, "\"n\"", "\"a\"", ""});
    auto store = this->open();
    store->addBans(all, [](int64_t) {});
    Rows order;
    store->forEachBan([&](const Ban& b) { order.emplace_back(b.guid); });
    if constexpr (std::is_same_v<TypeParam, SqliteEngine>) {
        EXPECT_EQ(order, sql(this->where, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp"));
    }
    EXPECT_EQ(order, (Rows{"c9", "a4", "a5", "a2", "a1", "b", "B_", "b_a", "BA", "Zz", "\xC4x",
                           "a3", "a6", "c5", "c2", "c1", "c4", "D0", "c6"}));
    // Every pair, as the merge's comparison sees it (the SQLite store's head numbers are
    // pinned by its order above).
    const auto at = [&](const std::string& guid) {
        return std::find(order.begin(), order.end(), guid) - order.begin();
    };
    for (const auto& [guidA, stampA] : bans) {
        for (const auto& [guidB, stampB] : bans)
            EXPECT_EQ(compareInBanFile(stampA, guidA, stampB, guidB) < 0, at(guidA) < at(guidB))
                << guidA + " " + guidB;
    }
}

// A second writer waits until the first has committed, then sees its bans: nothing is
// added twice, nothing is lost. Removing every ban outside a transaction waits the same.
TYPED_TEST(StoreCases, WritersWaitForEachOther) {
    auto first = this->open(), second = this->open();
    StoreTransaction t(*first);
    first->addBans(bansOf({owned("a")}), [](int64_t) {});
    std::atomic<bool> began = false;
    std::vector<bool> added;
    std::thread other([&] {
        StoreTransaction t2(*second);
        began = true;
        added = second->addBans(bansOf({owned("A"), owned("b")}), [](int64_t) {});
        t2.commit();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(began) << "the second writer waits";
    t.commit();
    other.join();
    EXPECT_EQ(added, (std::vector<bool>{false, true}));
    EXPECT_EQ(bansIn(*first), (Rows{row(owned("a")), row(owned("b"))}));

    StoreTransaction t3(*first);
    first->addBans(bansOf({owned("c")}), [](int64_t) {});
    std::string failure;
    std::thread reset([&] {
        try {
            second->removeAllBans();
        } catch (const std::exception& e) {
            failure = e.what();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    t3.commit();
    reset.join();
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(bansIn(*first).empty());
}

// Progress is told up to every ban. Many bans at once into an empty store and into one
// holding as many, a few more, a ban lifted, then all removed: each ban is there once, the
// search and a look-up of many GUIDs find exactly the bans there, and an SQLite file keeps
// its schema as it was once each order is browsed, with its search index in step with the
// table.
TYPED_TEST(StoreCases, ManyBansAtOnceAreAddedOnceWithProgressToTheLast) {
    std::vector<StoredBan> many;
    for (int i = 0; i < 15100; ++i) many.push_back(owned("g" + std::to_string(i)));
    const std::vector<StoredBan> first(many.begin(), many.begin() + 10000),
        second(many.begin() + 5000, many.begin() + 15000), few(many.begin() + 14990, many.end());
    constexpr bool sqlite = std::is_same_v<TypeParam, SqliteEngine>;
    const auto schema = [&] {  // none to see in PostgreSQL
        return sqlite ? sql(this->where,
                            "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name")
                      : Rows{};
    };
    const Rows before = schema();
    auto store = this->open();
    const auto pages = [&](BanStore& from) {
        Rows out;
        for (const BanColumn column :
             {BanColumn::Guid, BanColumn::Name, BanColumn::Ip, BanColumn::Reason, BanColumn::Time})
            for (const StoredBan& b : from.banPage({column, true, {}}, nullptr, 2).bans)
                out.push_back(row(b));
        return out;
    };
    const auto check = [&](size_t held, int64_t found) {
        EXPECT_EQ(bansIn(*store).size(), held);
        Rows whileWriting;
        if constexpr (sqlite) {
            // With another writer holding the file, the search and the pages do without the
            // indexes they would bring up to date, rather than wait for it.
            auto other = this->open();
            StoreTransaction writing(*other);
            EXPECT_EQ(store->countBans("G150", 1000), found);
            whileWriting = pages(*store);
        }
        EXPECT_EQ(store->countBans("G150", 1000), found) << "g150, g1500..g1509, g15000..g15099";
        const Rows browsed = pages(*store);
        EXPECT_EQ(schema(), before);
        if constexpr (sqlite) {
            EXPECT_EQ(whileWriting, browsed);
            sql(this->where,
                "INSERT INTO tblVandrelSearch (tblVandrelSearch) VALUES ('integrity-check')");
        }
    };
    std::vector<bool> added;
    for (const auto* bans : {&first, &second, &few}) {
        int64_t highest = -1;
        added = addAtOnce(*store, *bans, [&](int64_t done) { highest = std::max(highest, done); });
        EXPECT_EQ(highest, static_cast<int64_t>(bans->size()));
    }
    EXPECT_EQ(std::count(added.begin(), added.begin() + 10, true), 0);
    EXPECT_EQ(std::count(added.begin() + 10, added.end(), true), 100);
    check(15100, 111);
    // Looked up at once, in chunks: letter case ignored, each ban once however often named,
    // even in another chunk, and a GUID bound as it is.
    EXPECT_TRUE(store->findBans({}).empty());
    std::vector<std::string> named = {"G7", "none", "x' OR '1'='1"};
    Rows found = {row(many[7])};
    for (size_t n = 0; n < 600; ++n) {
        named.push_back((n % 2 ? "G" : "g") + std::to_string(n * 25));
        found.push_back(row(many[n * 25]));
    }
    named.push_back("g7");
    Rows looked;
    for (const StoredBan& b : store->findBans(named)) looked.push_back(row(b));
    std::sort(looked.begin(), looked.end()), std::sort(found.begin(), found.end());
    EXPECT_EQ(looked, found);
    EXPECT_TRUE(store->liftBan("g15050", "[04.17.2017 10:00:00]", "note"));
    check(15099, 110);
    store->removeAllBans();
    check(0, 0);
    addAtOnce(*store, few);
    check(110, 100);
    if constexpr (sqlite) {
        // Past the largest number there is, SQLite numbers new bans at random: those added
        // beside bans stored already are still told apart.
        sql(this->where, "UPDATE tblVandrel SET ID = 9223372036854775807 WHERE GUID = 'g15099'");
        std::vector<StoredBan> mixed(many.begin() + 14960, many.begin() + 14980);
        for (const StoredBan& ban : few) mixed.push_back(owned("G" + ban.guid.substr(1)));
        added = addAtOnce(*store, mixed);
        EXPECT_EQ(std::count(added.begin(), added.begin() + 20, true), 20);
        EXPECT_EQ(std::count(added.begin() + 20, added.end(), true), 0);
    }
}

// Where scans stand: each reader's own, replaced per log, removed when gone; every number,
// whatever its size, comes back, and a place stored without the hash of its last bytes
// comes back without it (a place moved only once the output is written is --new-only's
// test).
TYPED_TEST(StoreCases, LogPositionsAreKeptPerReaderAndLog) {
    auto store = this->open();
    auto text = [](const std::vector<LogPosition>& all) {
        Rows out;
        for (const LogPosition& p : all)
            out.push_back(p.path + "|" + std::to_string(p.device) + "|" + std::to_string(p.inode) +
                          "|" + std::to_string(p.size) + "|" + std::to_string(p.modified) + "|" +
                          std::to_string(p.headHash) + "|" + std::to_string(p.position) + "|" +
                          (p.endHash ? std::to_string(*p.endHash) : "none"));
        std::sort(out.begin(), out.end());
        return out;
    };
    const LogPosition a{"/logs/a.log", 1, 2, 300, 1492376591000000001, 0xFFFFFFFFFFFFFFFF, 299, 0};
    const LogPosition b{"/logs/it's b.log\xFF", UINT64_MAX, 7, 0, -5, 42, 0, {}};
    {
        StoreTransaction t(*store);
        store->putLogPositions("here", "merge", {a, b}, {});
        store->putLogPositions("here", "look", {a}, {});
        t.commit();
    }
    EXPECT_EQ(text(store->logPositions("here", "merge")), text({a, b}));
    LogPosition moved = a;
    moved.path = "/logs/a.log.1";
    moved.position = 300;
    StoreTransaction t(*store);
    store->putLogPositions("here", "merge", {moved}, {b});
    t.commit();
    EXPECT_EQ(text(store->logPositions("here", "merge")), text({moved}));
    EXPECT_EQ(text(store->logPositions("here", "look")), text({a}));
}

// A search finds what a plain LIKE over the stored values finds, whichever way the store
// reads it: through the trigram index (three ASCII characters in a row, few candidates)
// or along the order (short or 8-bit texts, or pieces most bans hold). Letter case is
// ignored for ASCII only, wildcards and backslashes are literal, an apostrophe finds an
// apostrophe, 8-bit names match byte for byte (text typed in UTF-8 also finds the name
// written in Windows-1252 that shows as it), and a count stops past what it counts.
TYPED_TEST(StoreCases, SearchesFindWhatTheyHoldThroughTheIndexOrWithout) {
    auto store = this->open();
    std::vector<StoredBan> all = {
        {"A0B1C2D3E4F5", "[01.01.2000 00:00:01]", "\"O'Brien\"", "\"10.0.0.2:1\"", ""},
        {"cafe01", "[01.01.2000 00:00:02]", "\"100%_sure\"", "\"192.0.2.77:1\"", ""},
        {"win1252", "[01.01.2000 00:00:03]", "\"J\xE9r\xF4me Smith\"", "\"1\"", ""},
        {"utf8", "[01.01.2000 00:00:04]", "\"J\xC3\xA9r\xC3\xB4me\"", "\"1\"", ""},
        {"slash", "[01.01.2000 00:00:05]", "\"x\\\xE9y a\\b\"", "\"1\"", ""},
        {"quote", "[01.01.2000 00:00:06]", "\"say \"\"hi\"\"\"", "\"1\"", ""},
    };
    // More bans holding "Filler" than a search counts.
    for (int i = 0; i < kCountedMatches + 5; ++i)
        all.push_back({"f" + std::to_string(i), "[01.01.2001 00:00:00]",
                       "\"Filler " + std::to_string(i) + "\"", "\"10.9.9.9:1\"", ""});
    addAtOnce(*store, all);
    struct Case {
        std::string search, found;  // the first page's GUIDs, in time order
        int64_t count;              // up to what the window counts
    };
    const std::string more = "f0 f1 f10 f100 f1000 f10000 f10001 f10002 f10003 f10004 ";
    const std::vector<Case> cases = {
        {"o'brien", "A0B1C2D3E4F5 ", 1},
        {"CAFE0", "cafe01 ", 1},
        {"100%_", "cafe01 ", 1},
        {"J\xE9r\xF4me", "win1252 utf8 ", 2},        // bytes typed: the text they show as
        {"j\xC3\xA9r\xC3\xB4", "win1252 utf8 ", 2},  // as typed, and as Windows-1252
        {"J\xC3\x89R", "", 0},                       // not an ASCII letter: its case counts
        // Each form finds only names shown by its rule: "©" is the byte inside utf8's "é"
        // in Windows-1252, and LIKE took a lone 8-bit byte for any other.
        {"\xC2\xA9", "", 0},
        {"\xFC", "", 0},
        {"a\\b", "slash ", 1},
        {"\"hi\"", "quote ", 1},
        // Inside the quotes names and addresses are stored in: they matched "\"" in every ban.
        {"\"", "quote ", 1},
        {"\"o'", "", 0},
        {"2:1\"", "", 0},
        {"Filler", more, kCountedMatches + 1},
        {"ler 1", "f1 f10 f100 f1000 f10000 f10001 f10002 f10003 f10004 f1001 ", 1116},
        {"1", "A0B1C2D3E4F5 cafe01 win1252 utf8 slash quote f0 f1 f10 f100 ", kCountedMatches + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        const BanOrder order{BanColumn::Time, false, c.search};
        std::string guids;
        for (const StoredBan& b : store->banPage(order, nullptr, 10).bans) guids += b.guid + " ";
        EXPECT_EQ(guids, c.found);
        EXPECT_EQ(store->countBans(c.search, kCountedMatches), c.count);
    }
    EXPECT_EQ(store->countBans("Filler", -1), kCountedMatches + 5);
}

// Lifting removes the ban and keeps its name, time and note, found whatever the letter
// case; lifting again replaces the record in its place; a rolled back lifting never was.
TYPED_TEST(StoreCases, LiftedBansAreKeptUntilForgotten) {
    auto store = this->open();
    addAtOnce(
        *store,
        {{"AbC1", "[04.16.2017 21:03:11]", "\"it's me\"", "\"1\"", ""}, owned("x2"), owned("y3")});
    auto lifted = [&] {
        Rows out;
        store->forEachLiftedBan([&](const LiftedBan& l) {
            out.push_back(l.guid + "|" + l.name + "|" + l.liftedAt + "|" + l.note);
        });
        return out;
    };
    EXPECT_TRUE(store->liftBan("abc1", "[05.01.2017 10:00:00]", "appeal"));
    EXPECT_FALSE(store->liftBan("abc1", "[05.01.2017 10:00:01]", "twice"));
    EXPECT_FALSE(store->hasBan("ABC1"));
    {
        StoreTransaction t(*store);
        EXPECT_TRUE(store->liftBan("y3", "[05.02.2017 10:00:00]", ""));
    }  // rolled back
    EXPECT_TRUE(store->hasBan("y3"));
    EXPECT_TRUE(store->liftBan("X2", "[05.03.2017 10:00:00]", "n\xFF"));
    addAtOnce(*store, {owned("abC1")});
    EXPECT_TRUE(store->liftBan("ABC1", "[06.01.2017 10:00:00]", "again"));
    EXPECT_EQ(lifted(), (Rows{"abC1|\"abC1 name\"|[06.01.2017 10:00:00]|again",
                              "x2|\"x2 name\"|[05.03.2017 10:00:00]|n\xFF"}));
    EXPECT_EQ(store->findLiftedBan("aBc1").value_or(LiftedBan{}).guid, "abC1");
    store->forgetLifting("Abc1");
    EXPECT_FALSE(store->findLiftedBan("abc1"));
    EXPECT_EQ(lifted(), (Rows{"x2|\"x2 name\"|[05.03.2017 10:00:00]|n\xFF"}));
    EXPECT_EQ(store->countBans("", -1), 1);
}

}  // namespace
}  // namespace th::test
