#include "bans/StoreRows.h"

#include <cstring>
#include <optional>

#include "bans/Aliases.h"
#include "bans/GuidKey.h"

namespace th {

namespace {

bool blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

std::vector<size_t> banRows(const std::vector<WorkRow>& sorted) {
    std::vector<size_t> rows;
    std::optional<std::string_view> previous;
    for (size_t j = 0; j < sorted.size(); ++j) {
        const std::string_view guid = sorted[j].guid;
        const bool taken = namesPlayer(guid) && !(previous && sameGuid(guid, *previous));
        previous = guid;
        if (taken) rows.push_back(j);
    }
    return rows;
}

StoredRows storeRows(BanStore& store, WorkingRows& work,
                     const std::function<void(int64_t)>& progress) {
    std::vector<WorkRow>& sorted = work.rows;
    StoredRows counts;
    const std::vector<size_t> rowOf = banRows(sorted);  // the working row of each ban
    for (size_t i = 0; i < rowOf.size(); ++i) {
        WorkRow& row = sorted[rowOf[i]];
        if (blank(row.reason)) {
            row.reason = {};
            continue;
        }
        // Quoted straight into the store: its blocks never move, so the text read stays.
        const size_t n = row.reason.size();
        uint32_t block = 0, offset = 0;
        char* at = work.texts.append(n + 2, block, offset);
        at[0] = '"';
        std::memcpy(at + 1, row.reason.data(), n);
        at[n + 1] = '"';
        row.reason = {at, n + 2};
    }
    // The rows are handed over as they are: a copy of each as a Ban would be fresh memory.
    const BanList bans(rowOf.size(), [&](size_t i) {
        const WorkRow& row = sorted[rowOf[i]];
        return Ban{row.guid, row.stamp, row.name, row.address, row.reason};
    });
    counts.taken = static_cast<int64_t>(bans.size());
    const std::vector<bool> added = store.addBans(bans, [&](int64_t done) {
        if (done > 0) progress(static_cast<int64_t>(rowOf[static_cast<size_t>(done) - 1]));
    });
    if (!sorted.empty()) progress(static_cast<int64_t>(sorted.size()) - 1);
    for (size_t i = 0; i < added.size(); ++i) {
        if (!added[i]) continue;
        ++counts.added;
        if (sorted[rowOf[i]].stamped) ++counts.stamped;
        counts.addedRows.push_back(rowOf[i]);
        if (sorted[rowOf[i]].fromGrid) counts.addedFromGrid.push_back(rowOf[i]);
    }
    return counts;
}

}  // namespace th
