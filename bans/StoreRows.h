#pragma once
// The merge's store step: which of the GUID-sorted working rows are bans, and those the
// database lacks go into it.

#include <cstdint>
#include <functional>
#include <vector>

#include "bans/BanStore.h"
#include "bans/WorkingTable.h"

namespace th {

struct StoredRows {
    int64_t taken = 0;                  // rows that are bans
    int64_t added = 0;                  // of them, new to the database
    int64_t stamped = 0;                // new ones given the merge's time
    std::vector<size_t> addedFromGrid;  // the grid's rows that were new bans, in order
    std::vector<size_t> addedRows;      // every row that was a new ban, in order
};

// The rows that are bans: the first row of each GUID (letter case ignored), unless its
// GUID is empty, "unknown" or "NO_GUID". The rows must be GUID-sorted.
std::vector<size_t> banRows(const std::vector<WorkRow>& sorted);

// The first row of each GUID (letter case ignored) is a ban, unless its GUID is empty,
// "unknown" or "NO_GUID"; a ban whose GUID is not stored yet is added. The bans'
// reasons take their stored form, in double quotes, in the rows themselves, kept in
// work.texts. progress(j) is told the row reached.
StoredRows storeRows(BanStore& store, WorkingRows& work,
                     const std::function<void(int64_t)>& progress);

}  // namespace th
