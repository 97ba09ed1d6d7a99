#pragma once
// Every name and address a GUID was seen with. The merge keeps one name per ban; the
// aliases keep them all, each with the first and last time it was seen, so that an
// administrator can tell who else a banned player has been.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "bans/WorkingTable.h"

namespace th {

class BanStore;

// One name and address of a GUID, as the ban file has them (in double quotes), with the
// earliest and latest "[mm.dd.yyyy hh:mm:ss]" it was seen at; either is empty when no
// readable stamp came with it.
struct Alias {
    std::string_view guid, name, address, firstSeen, lastSeen;
};

// The same, its values owned, as the store hands it back.
struct StoredAlias {
    std::string guid, name, address, firstSeen, lastSeen;
};

// Sightings gathered from working rows, one per GUID (ASCII letter case ignored), name
// bytes and address, their stamps widened to the earliest and latest readable one. The
// rows must come GUID-sorted (a GUID's rows one after another) and stay as they are until
// store(): a sighting is the row's own values, not a copy. They go to the store now and
// then, a GUID's sightings together, so a large ban file costs a bounded amount of memory.
class AliasSightings {
  public:
    explicit AliasSightings(BanStore& store) : store_(store) {}

    // A row whose GUID names no player (empty, "unknown", "NO_GUID") is not an alias. A
    // row the merge stamped with its own time was seen at no known moment.
    void add(const WorkRow& row);
    // What a merge has seen: every grid row is a sighting in a log, a lifted ban's too.
    void addGridRows(const std::vector<WorkRow>& sorted) {
        for (const WorkRow& row : sorted)
            if (row.fromGrid) add(row);
    }
    // Of the other rows (ban file lines that stay in the file) only those of the GUIDs the
    // merge newly banned: the rest are lines this program wrote from the database, or
    // stay where they are. newBans are the rows of the new bans.
    void addNewBans(const std::vector<WorkRow>& sorted, const std::vector<size_t>& newBans);
    // Stores what was gathered, in the caller's transaction, and starts afresh.
    void store();

  private:
    // The last GUID's sightings become one per name and address.
    void closeGuid();

    BanStore& store_;
    std::vector<Alias> gathered_;
    size_t guidFrom_ = 0;  // where the last GUID's sightings begin in gathered_
};

// Whether a working row's GUID names a player: not blank, "unknown" or "NO_GUID", at most
// 256 bytes, and with no space, bracket or double quote inside it.
bool namesPlayer(std::string_view guid);
// Whether a GUID says that the anti-cheat knew no player: blank, "unknown" or "NO_GUID".
// Such a row is no ban; a GUID that is neither this nor a player's cannot be written back.
bool namesNoPlayer(std::string_view guid);

}  // namespace th
