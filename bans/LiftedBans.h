#pragma once
// A lifted ban stays lifted unless the player cheats again: a ban of a lifted GUID, from
// whatever source, counts only when its stamp is later than the lifting; an empty or
// unreadable stamp does not count. Such a later ban bans again and ends the lifting.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bans/WorkingTable.h"

namespace th {

class BanStore;

// Whether a ban stamped banStamp comes after a lifting at liftedAt; both are
// "[mm.dd.yyyy hh:mm:ss]", anything else is never later.
bool laterThanLifting(std::string_view banStamp, std::string_view liftedAt);

// The lifting times by GUID, letter case ignored.
class LiftingTimes {
  public:
    void add(std::string_view guid, std::string_view liftedAt);
    bool empty() const { return times_.empty(); }
    // The lifting time of the GUID, or nothing when it was not lifted.
    const std::string* find(std::string_view guid) const;
    // Each lifted GUID's guidKey().
    template <typename F>
    void forEachKey(F&& f) const {
        for (const auto& lifted : times_) f(lifted.first);
    }

  private:
    std::unordered_map<std::string, std::string> times_;
};

struct LiftedRows {
    int64_t skipped = 0;                   // rows dropped: their ban was lifted
    std::vector<std::string> bannedAgain;  // lifted GUIDs that rows ban again
};

// Drops the rows whose GUID was lifted and whose stamp is not later than the lifting, or
// is the merge's own, keeping the others in order.
LiftedRows dropLiftedRows(std::vector<WorkRow>& rows, const LiftingTimes& lifted);

// The store's lifting times.
LiftingTimes liftingTimes(BanStore& store);

// What every source of bans goes through before its rows are stored: drops the rows
// whose ban stays lifted and ends the lifting of GUIDs banned again. Returns the number
// of rows dropped.
int64_t skipLiftedRows(BanStore& store, std::vector<WorkRow>& rows);

// "3 skipped: bans lifted", or nothing for none.
std::string liftedSkippedText(int64_t skipped);

}  // namespace th
