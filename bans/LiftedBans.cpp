#include "bans/LiftedBans.h"

#include "bans/BanStore.h"
#include "bans/GuidKey.h"
#include "platform/TimeStamp.h"

namespace th {

bool laterThanLifting(std::string_view banStamp, std::string_view liftedAt) {
    // A stamp of no real moment (month 13: a day-first stamp) is not read as one: it would
    // sort after every lifting of its year and ban again the player the lifting freed.
    return isRealMoment(banStamp) && earlierStamp(liftedAt, banStamp);
}

void LiftingTimes::add(std::string_view guid, std::string_view liftedAt) {
    times_[guidKey(guid)] = liftedAt;
}

const std::string* LiftingTimes::find(std::string_view guid) const {
    auto it = times_.find(guidKey(guid));
    return it == times_.end() ? nullptr : &it->second;
}

LiftedRows dropLiftedRows(std::vector<WorkRow>& rows, const LiftingTimes& lifted) {
    LiftedRows result;
    if (lifted.empty()) return result;
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string* liftedAt = lifted.find(rows[i].guid);
        // A row the merge stamped with its own time was seen at no known moment: it may
        // well be the violation lifted, read again.
        if (liftedAt && (rows[i].stamped || !laterThanLifting(rows[i].stamp, *liftedAt))) {
            ++result.skipped;
            continue;
        }
        if (liftedAt) result.bannedAgain.emplace_back(rows[i].guid);
        if (kept != i) rows[kept] = std::move(rows[i]);
        ++kept;
    }
    rows.resize(kept);
    return result;
}

LiftingTimes liftingTimes(BanStore& store) {
    LiftingTimes times;
    store.forEachLiftedBan(
        [&](const LiftedBan& lifted) { times.add(lifted.guid, lifted.liftedAt); });
    return times;
}

int64_t skipLiftedRows(BanStore& store, std::vector<WorkRow>& rows) {
    const LiftedRows result = dropLiftedRows(rows, liftingTimes(store));
    for (const std::string& guid : result.bannedAgain) store.forgetLifting(guid);
    return result.skipped;
}

std::string liftedSkippedText(int64_t skipped) {
    if (skipped == 0) return {};
    return std::to_string(skipped) + " skipped: bans lifted";
}

}  // namespace th
