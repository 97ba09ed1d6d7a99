#include "bans/Aliases.h"

#include <algorithm>

#include "bans/BanStore.h"
#include "bans/GuidKey.h"
#include "platform/TimeStamp.h"

namespace th {

namespace {

// Sightings held before they are stored.
constexpr size_t kBatch = 10000;

}  // namespace

bool namesPlayer(std::string_view guid) {
    return guid.find_first_not_of(' ') != std::string_view::npos && guid != "unknown" &&
           guid != "NO_GUID";
}

void AliasSightings::add(const WorkRow& row) {
    if (!namesPlayer(row.guid)) return;
    // Line ends never reach a working row's values, so they part the key's fields.
    key_.clear();
    appendGuidKey(key_, row.guid);
    key_.append(1, '\n').append(row.name).append(1, '\n').append(row.address);
    const std::string_view stamp =
        row.stamped || !isStamp(row.stamp) ? std::string_view() : std::string_view(row.stamp);
    auto [it, fresh] = seen_.try_emplace(key_);
    Seen& seen = it->second;
    if (fresh) {
        seen = {row.guid, row.name, row.address, std::string(stamp), std::string(stamp)};
    } else if (!stamp.empty()) {
        if (seen.firstSeen.empty() || earlierStamp(stamp, seen.firstSeen)) seen.firstSeen = stamp;
        if (seen.lastSeen.empty() || earlierStamp(seen.lastSeen, stamp)) seen.lastSeen = stamp;
    }
    if (seen_.size() >= kBatch) store();
}

void AliasSightings::addNewBans(const std::vector<WorkRow>& sorted,
                                const std::vector<size_t>& newBans) {
    for (size_t first : newBans)
        for (size_t j = first; j < sorted.size() && sameGuid(sorted[j].guid, sorted[first].guid);
             ++j)
            if (!sorted[j].fromGrid) add(sorted[j]);
}

void AliasSightings::store() {
    if (seen_.empty()) return;
    // In the order of the table's unique index, so that each lookup finds its pages
    // where the one before left them.
    std::vector<const std::pair<const std::string, Seen>*> sorted;
    sorted.reserve(seen_.size());
    for (const auto& entry : seen_) sorted.push_back(&entry);
    std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->first < b->first; });
    std::vector<Alias> aliases;
    aliases.reserve(sorted.size());
    for (const auto* entry : sorted) {
        const Seen& s = entry->second;
        aliases.push_back({s.guid, s.name, s.address, s.firstSeen, s.lastSeen});
    }
    store_.addAliases(aliases);
    seen_.clear();
}

}  // namespace th
