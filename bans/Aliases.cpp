#include "bans/Aliases.h"

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

void AliasSightings::store() {
    if (seen_.empty()) return;
    std::vector<Alias> aliases;
    aliases.reserve(seen_.size());
    for (const auto& [key, s] : seen_)
        aliases.push_back({s.guid, s.name, s.address, s.firstSeen, s.lastSeen});
    store_.addAliases(aliases);
    seen_.clear();
}

}  // namespace th
