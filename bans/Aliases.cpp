#include "bans/Aliases.h"

#include <algorithm>
#include <array>

#include "bans/BanStore.h"
#include "bans/GuidKey.h"
#include "platform/TimeStamp.h"
#include "platform/TrimSpaces.h"

namespace th {

namespace {

// Sightings held before they are stored.
constexpr size_t kBatch = 10000;

// The bytes a GUID inside its spaces cannot hold, by value: one look-up a byte, since every
// row of a merge asks this more than once.
constexpr std::array<bool, 256> kNotInGuid = [] {
    std::array<bool, 256> no{};
    for (const unsigned char c : {' ', '[', ']', '"', '\r', '\n', '\0'}) no[c] = true;
    return no;
}();

}  // namespace

bool namesNoPlayer(std::string_view guid) {
    return trimSpaces(guid).empty() || guid == "unknown" || guid == "NO_GUID";
}

bool namesPlayer(std::string_view guid) {
    // A real GUID is a few dozen characters; a shared database's index has room for 256
    // bytes beside the longest name and address a ban keeps.
    if (guid.size() > 256) return false;
    // A ban line splits at spaces and brackets, quotes its other fields and is one line of
    // text: a GUID holding one of those, a line break or a zero byte would come back as
    // another GUID, name and address. Spaces around it are left out.
    const std::string_view inner = trimSpaces(guid);
    if (inner.empty()) return false;
    for (const char c : inner)
        if (kNotInGuid[static_cast<unsigned char>(c)]) return false;
    return guid != "unknown" && guid != "NO_GUID";
}

namespace {

// An earlier first or a later last seen, by the stamps' moments.
void widen(Alias& alias, std::string_view stamp) {
    if (stamp.empty()) return;
    if (alias.firstSeen.empty() || earlierStamp(stamp, alias.firstSeen)) alias.firstSeen = stamp;
    if (alias.lastSeen.empty() || earlierStamp(alias.lastSeen, stamp)) alias.lastSeen = stamp;
}

}  // namespace

void AliasSightings::add(const WorkRow& row) {
    if (!namesPlayer(row.guid)) return;
    if (guidFrom_ < gathered_.size() && !sameGuid(row.guid, gathered_[guidFrom_].guid)) {
        closeGuid();
        if (gathered_.size() >= kBatch) store();
    }
    const std::string_view stamp =
        row.stamped || !isRealMoment(row.stamp) ? std::string_view() : std::string_view(row.stamp);
    gathered_.push_back({row.guid, row.name, row.address, stamp, stamp});
}

void AliasSightings::closeGuid() {
    const auto first = gathered_.begin() + static_cast<std::ptrdiff_t>(guidFrom_);
    if (gathered_.end() - first > 1) {
        // By name bytes and address, as the table's index has them; the earliest row of
        // each gives the GUID's letter case.
        std::stable_sort(first, gathered_.end(), [](const Alias& a, const Alias& b) {
            if (int c = a.name.compare(b.name)) return c < 0;
            return a.address < b.address;
        });
        auto kept = first;
        for (auto it = first + 1; it != gathered_.end(); ++it) {
            if (it->name == kept->name && it->address == kept->address)
                widen(*kept, it->firstSeen);
            else
                *++kept = *it;
        }
        gathered_.erase(kept + 1, gathered_.end());
    }
    guidFrom_ = gathered_.size();
}

void AliasSightings::addNewBans(const std::vector<WorkRow>& sorted,
                                const std::vector<size_t>& newBans) {
    for (size_t first : newBans)
        for (size_t j = first; j < sorted.size() && sameGuid(sorted[j].guid, sorted[first].guid);
             ++j)
            if (!sorted[j].fromGrid) add(sorted[j]);
}

void AliasSightings::store() {
    closeGuid();
    // GUID by GUID in their order, each GUID's by name and address: the order of the
    // table's unique index, so that each lookup finds its pages where the one before left
    // them.
    if (!gathered_.empty()) store_.addAliases(gathered_);
    gathered_.clear();
    guidFrom_ = 0;
}

}  // namespace th
