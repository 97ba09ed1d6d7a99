// The SQLite store hands its bans over in the ban file's order, worked out in the program:
// it must be the stored query's own order, whatever the stamps and GUIDs hold.

#include <gtest/gtest.h>

#include <algorithm>

#include "bans/BanFileOrder.h"
#include "bans/SqliteConnection.h"
#include "tests/bans/StoreEngines.h"

namespace th::test {
namespace {

TEST(BanFileOrder, IsTheStoredQuerysOrder) {
    // Stamps by moment across years, months, days and seconds; shapes that are not stamps
    // (one digit short, a space or line end after, letters, bytes past ASCII, empty);
    // equal stamps by GUID with letters folded, "_" between capitals and small letters.
    const std::vector<std::pair<std::string, std::string>> bans = {
        {"a1", "[04.16.2017 21:03:11]"},
        {"a2", "[04.16.2017 21:03:10]"},
        {"a3", "[04.17.2017 00:00:00]"},
        {"a4", "[05.01.2016 23:59:59]"},
        {"a5", "[12.31.2016 23:59:59]"},
        {"a6", "[01.01.2018 00:00:00]"},
        {"B_", "[04.16.2017 21:03:11]"},
        {"b_a", "[04.16.2017 21:03:11]"},
        {"BA", "[04.16.2017 21:03:11]"},
        {"b", "[04.16.2017 21:03:11]"},
        {"\xC4x", "[04.16.2017 21:03:11]"},
        {"Zz", "[04.16.2017 21:03:11]"},
        {"c1", "[4.16.2017 21:03:11]"},
        {"c2", "[04.16.2017 21:03:11] "},
        {"c3", "[04.16.2017 21:03:11]\n"},
        {"c4", "junk"},
        {"c5", ""},
        {"c6", "\xFF[04.16.2017 21:03:11]"},
        {"c7", "[04.16.2017 21:03:1x]"},
        {"c8", "[04.16.2017 21:03:11"},
        {"c9", "[00.00.0000 00:00:00]"},
        {"d1", "junk"},
        {"D0", "junk"},
        {"d2", "junkyard"},
        {"d3", "j"},
        {"d4", "[04.16.2017\t21:03:11]"}};
    SqliteEngine engine;
    const std::string where = engine.freshDatabase();
    TestWindow w;
    std::vector<Ban> all;
    for (const auto& [guid, stamp] : bans) all.push_back({guid, stamp, "\"n\"", "\"a\"", ""});
    Rows shown;
    {
        auto store = openBanStore(w.form, where);
        store->addBans(all, [](int64_t) {});
        store->forEachBan([&](const Ban& b) { shown.emplace_back(b.guid); });
    }
    SqliteConnection db;
    db.Open(where);
    SqliteStatement query(db, "SELECT GUID FROM qrySelectAllVandrelOrderByTimeStamp");
    Rows stored;
    while (query.step()) stored.emplace_back(query.text(0));
    EXPECT_EQ(shown, stored);
    ASSERT_EQ(shown.size(), bans.size());
    // Every pair, as the comparison and the head number see it.
    const auto at = [&](const std::string& guid) {
        return std::find(stored.begin(), stored.end(), guid) - stored.begin();
    };
    for (const auto& [guidA, stampA] : bans) {
        for (const auto& [guidB, stampB] : bans) {
            const int c = compareInBanFile(stampA, guidA, stampB, guidB);
            EXPECT_EQ(c < 0, at(guidA) < at(guidB)) << guidA << " " << guidB;
            EXPECT_EQ(c == 0, guidA == guidB) << guidA << " " << guidB;
            if (banFileHead(stampA) < banFileHead(stampB)) {
                EXPECT_LT(c, 0) << guidA << " " << guidB;
            }
        }
    }
}

}  // namespace
}  // namespace th::test
