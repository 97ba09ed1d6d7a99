// Times browsing a ban database of 1,000,000 bans as the ban window does it: opening
// (the count and the first page), one search keystroke (count and first page of the
// matches) and a sort by another column (its first page), and a page deep in the list.
//   bench_ban_browsing [bans]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "bans/BanStore.h"
#include "bans/NewDatabase.h"
#include "bans/SqliteConnection.h"
#include "cli/TerminalPorts.h"
#include "platform/TimeStamp.h"

namespace {

using namespace th;
using Clock = std::chrono::steady_clock;

std::string guid(long i) {
    char text[40];
    std::snprintf(text, sizeof text, "%08lx%08lx%08lx%08lx", i * 2654435761L % 4294967296L, i,
                  0xabcdefL, i ^ 0x5555L);
    return text;
}

std::string stamp(long i) {
    return formatStamp(StampParts{static_cast<int>(1 + (i / 28) % 12), static_cast<int>(1 + i % 28),
                                  static_cast<int>(2000 + (i / 336) % 10), static_cast<int>(i % 24),
                                  static_cast<int>((i / 24) % 60),
                                  static_cast<int>((i / 1440) % 60)});
}

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
    const double fill = millis([&] {
        db.beginTransaction();
        SqliteStatement& insert = db.prepared(
            "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) "
            "VALUES (?1, ?2, ?3, ?4, ?5)");
        for (long i = 0; i < bans; ++i) {
            const std::string g = guid(i), s = stamp(i),
                              name = "\"Player" + std::to_string(i) + "\"",
                              ip = "\"10." + std::to_string(i % 256) + "." +
                                   std::to_string(i / 256 % 256) + ".7\"";
            insert.bindAll({g, s, name, ip, "\"VIOLATION DETECTED -> AIMBOT #50001\""});
            while (insert.step()) {
            }
            insert.reset();
        }
        db.commit();
    });
    db.Close();
    std::printf("filled %ld bans in %.0f ms\n", bans, fill);

    cli::TerminalPorts terminal(std::cerr);
    MainForm form(terminal.ports);
    std::unique_ptr<BanStore> store = openBanStore(form, path);
    BanOrder order;
    int64_t count = 0;
    BanPage page;
    const double open = millis([&] {
        count = store->countBans(order.search);
        page = store->banPage(order, nullptr, 200);
    });
    std::printf("open: %.1f ms (%lld bans, first page %zu)\n", open, static_cast<long long>(count),
                page.bans.size());
    for (const char* search : {"7", "Player99", "10.3.", "zzz"}) {
        order.search = search;
        const double keystroke = millis([&] {
            count = store->countBans(order.search);
            page = store->banPage(order, nullptr, 200);
        });
        std::printf("search keystroke \"%s\": %.1f ms (%lld found)\n", search, keystroke,
                    static_cast<long long>(count));
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
    store.reset();
    std::filesystem::remove_all(dir);
}
