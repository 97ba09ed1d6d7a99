#pragma once
// What browsing the ban database deals in: pages of bans in any column's order, narrowed
// by a search, each page starting after the last ban of the one before (its key), so a
// page costs the same at the first ban and at the millionth. And the lifted bans.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace th {

// A ban as stored, its values owned: name and address in double quotes, the reason in
// double quotes or empty, the name's apostrophes as typed.
struct StoredBan {
    std::string guid, stamp, name, address, reason;
};

// The columns bans can be ordered by. Time is the stored query's order: month-first
// stamps by their moment, other stamps after them by their text.
enum class BanColumn { Guid, Name, Ip, Reason, Time };

struct BanOrder {
    BanColumn column = BanColumn::Time;
    bool descending = false;
    // Bans whose GUID, name or address holds this text, ASCII letter case ignored;
    // empty for every ban.
    std::string search;
};

// Where a page ends: the last ban's value in the ordering column (as the store keeps
// it) and its GUID, which together name one ban.
struct BanKey {
    std::string value, guid;
};

struct BanPage {
    std::vector<StoredBan> bans;
    BanKey last;  // of the last ban, when there is one
};

// A ban an administrator lifted: the GUID, the name it was banned under (in double
// quotes), when ("[mm.dd.yyyy hh:mm:ss]", local time) and the note given.
struct LiftedBan {
    std::string guid, name, liftedAt, note;
};

}  // namespace th
