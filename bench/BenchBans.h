#pragma once
// The bans the benchmarks fill databases and ban files with: ban i has a GUID of 32 hex
// digits and a month-first stamp spread over ten years; in a database, the name
// "Player<i>" and an address that repeats every 65,536 bans.

#include <cstdio>
#include <string>

#include "bans/SqliteConnection.h"
#include "platform/TimeStamp.h"

namespace th::bench {

inline std::string guid(long i) {
    char text[40];
    std::snprintf(text, sizeof text, "%08lx%08lx%08lx%08lx", i * 2654435761L % 4294967296L, i,
                  0xabcdefL, i ^ 0x5555L);
    return text;
}

inline std::string stamp(long i) {
    return formatStamp(StampParts{static_cast<int>(1 + (i / 28) % 12), static_cast<int>(1 + i % 28),
                                  static_cast<int>(2000 + (i / 336) % 10), static_cast<int>(i % 24),
                                  static_cast<int>((i / 24) % 60),
                                  static_cast<int>((i / 1440) % 60)});
}

inline std::string name(long i) {
    return "Player" + std::to_string(i);
}

inline std::string address(long i) {
    return "10." + std::to_string(i % 256) + "." + std::to_string(i / 256 % 256) + ".7";
}

constexpr const char* kReason = "VIOLATION DETECTED -> AIMBOT #50001";

// Adds bans 0 to count - 1 to an open database, in one transaction, as the merge stores
// them (values in double quotes).
inline void fillBans(SqliteConnection& db, long count) {
    db.beginTransaction();
    SqliteStatement& insert = db.prepared(
        "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) "
        "VALUES (?1, ?2, ?3, ?4, ?5)");
    for (long i = 0; i < count; ++i) {
        const std::string g = guid(i), s = stamp(i), n = "\"" + name(i) + "\"",
                          ip = "\"" + address(i) + "\"",
                          reason = std::string("\"") + kReason + "\"";
        insert.bindAll({g, s, n, ip, reason});
        while (insert.step()) {
        }
        insert.reset();
    }
    db.commit();
}

}  // namespace th::bench
