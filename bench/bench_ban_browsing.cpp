// Times browsing a ban database of 1,000,000 bans as the ban window does it: opening
// (the count and the first page), the first search (which indexes the bans), search keystrokes (the
// count, up to what the window counts, and the first page of the matches) beside the plain LIKE
// that searched before the trigram index, a sort by another column (its first page), a page
// deep in the list, and the first pages after a merge of many bans dropped the browsing indexes
// (each order makes its own again).
//   bench_ban_browsing [bans]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "bans/BanBrowsingSql.h"
#include "bans/BanStore.h"
#include "bans/NewDatabase.h"
#include "bans/SqliteBanStore.h"
#include "bans/SqliteConnection.h"
#include "bench/BenchBans.h"
#include "cli/TerminalPorts.h"

namespace {

using namespace th;
using Clock = std::chrono::steady_clock;

constexpr const char* kLikeClause =
    "(GUID LIKE ?1 ESCAPE '\\' OR PlayerName LIKE ?1 ESCAPE '\\' OR IP LIKE ?1 ESCAPE '\\')";

template <typename Fn>
double millis(Fn&& fn) {
    const auto start = Clock::now();
    fn();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const long bans = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string dir = std::filesystem::temp_directory_path() / "bench_ban_browsing";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/Vandrel.mdb";
    createDatabase(path);

    SqliteConnection db;
    db.Open(path);
    const double fill = millis([&] { bench::fillBans(db, bans); });
    std::printf("filled %ld bans in %.0f ms\n", bans, fill);

    cli::TerminalPorts terminal(std::cerr);
    MainForm form(terminal.ports);
    std::unique_ptr<BanStore> store = openBanStore(form, path);
    BanOrder order;
    int64_t count = 0;
    BanPage page;
    const double open = millis([&] {
        count = store->countBans(order.search, -1);
        page = store->banPage(order, nullptr, 200);
    });
    std::printf("open: %.1f ms (%lld bans, first page %zu)\n", open, static_cast<long long>(count),
                page.bans.size());
    // The bans were added as a merge adds them, so the first search indexes them all.
    order.search = "first";
    const double catchUp = millis([&] { store->countBans(order.search, kCountedMatches); });
    std::printf("first search, indexing the %ld bans: %.0f ms\n", bans, catchUp);
    // Each keystroke beside the search as it was before the trigram index: LIKE over the
    // whole table for the count and along the order's index for the first page.
    SqliteStatement& likeCount =
        db.prepared(std::string("SELECT count(*) FROM tblVandrel WHERE ") + kLikeClause);
    SqliteStatement& likePage = db.prepared(std::string("SELECT GUID FROM tblVandrel WHERE ") +
                                            kLikeClause + " ORDER BY SortKey, GUID LIMIT 200");
    const std::string guidPrefix = bench::guid(bans / 3).substr(0, 10);
    std::printf("search keystroke (count and first page):  before (LIKE)  |  now\n");
    for (const std::string search : {"Player", "Player99", "Player123456", "zzz", "7", "q", "99",
                                     "qz", "zz", guidPrefix.c_str(), "10.3.", "o's"}) {
        int64_t before = 0;
        const double like = millis([&] {
            const std::string pattern = containsPattern(toStored(search));
            likeCount.bind(1, pattern);
            while (likeCount.step()) before = std::stoll(std::string(likeCount.text(0)));
            likeCount.reset();
            likePage.bind(1, pattern);
            while (likePage.step()) {
            }
            likePage.reset();
        });
        order.search = search;
        const double keystroke = millis([&] {
            count = store->countBans(order.search, kCountedMatches);
            page = store->banPage(order, nullptr, 200);
        });
        std::printf("  %-14s %8.1f ms (%lld found)  |  %6.1f ms (%s%lld found, page %zu)\n",
                    ("\"" + search + "\"").c_str(), like, static_cast<long long>(before), keystroke,
                    count > kCountedMatches ? "more than " : "",
                    static_cast<long long>(std::min(count, kCountedMatches)), page.bans.size());
    }
    order.search.clear();
    for (BanColumn column : {BanColumn::Name, BanColumn::Ip, BanColumn::Guid}) {
        order.column = column;
        order.descending = true;
        const double sort = millis([&] { page = store->banPage(order, nullptr, 200); });
        std::printf("sort by column %d, descending: %.1f ms\n", static_cast<int>(column), sort);
    }
    order = {};
    BanKey deep;
    for (int i = 0; i < 10; ++i) deep = store->banPage(order, i ? &deep : nullptr, 200).last;
    const double next = millis([&] { page = store->banPage(order, &deep, 200); });
    std::printf("a page after page 10: %.2f ms\n", next);
    for (BanColumn column : kIndexedColumns) db.execute("DROP INDEX " + browsingIndexName(column));
    for (BanColumn column : kIndexedColumns) {
        order.column = column;
        const double first = millis([&] { page = store->banPage(order, nullptr, 200); });
        const double again = millis([&] { page = store->banPage(order, nullptr, 200); });
        std::printf(
            "after a large merge, sort by column %d: %.0f ms making its index, then %.1f ms\n",
            static_cast<int>(column), first, again);
    }
    store.reset();
    db.Close();
    std::filesystem::remove_all(dir);
}
