#pragma once
// Every name and address a GUID was seen with. The merge keeps one name per ban; the
// aliases keep them all, each with the first and last time it was seen, so that an
// administrator can tell who else a banned player has been.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
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
// bytes and address, their stamps widened to the earliest and latest readable one. They
// go to the store now and then, so a large ban file costs a bounded amount of memory.
class AliasSightings {
  public:
    explicit AliasSightings(BanStore& store) : store_(store) {}

    // A row whose GUID names no player (empty, "unknown", "NO_GUID") is not an alias. A
    // row the merge stamped with its own time was seen at no known moment.
    void add(const WorkRow& row);
    // What a merge has seen: every grid row is a sighting in a log, a lifted ban's too.
    void addGridRows(const std::vector<WorkRow>& rows) {
        for (const WorkRow& row : rows)
            if (row.fromGrid) add(row);
    }
    // Of the other rows (ban file lines, imported bans) only those of the GUIDs the merge
    // newly banned: the rest are lines this program wrote from the database, or bring
    // nothing it does not hold. sorted is GUID-sorted, newBans the rows of the new bans.
    void addNewBans(const std::vector<WorkRow>& sorted, const std::vector<size_t>& newBans);
    // Stores what was gathered, in the caller's transaction, and starts afresh.
    void store();

  private:
    struct Seen {
        std::string guid, name, address, firstSeen, lastSeen;
    };
    BanStore& store_;
    std::unordered_map<std::string, Seen> seen_;
    std::string key_;
};

// Whether a working row's GUID names a player: not blank, "unknown" or "NO_GUID".
bool namesPlayer(std::string_view guid);

}  // namespace th
