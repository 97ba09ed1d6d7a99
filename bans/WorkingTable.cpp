#include "bans/WorkingTable.h"

#include <algorithm>
#include <numeric>

namespace th {

namespace {

struct Key {
    bool number;
    std::string folded;  // ASCII letters in lower case
};

}  // namespace

void sortByGuid(std::vector<WorkRow>& rows) {
    std::vector<Key> keys(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& g = rows[i].guid;
        keys[i].number = FlexGrid::holdsNumber(g);
        keys[i].folded = g;
        for (char& c : keys[i].folded)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    // The grid's order: numbers first, by value; then texts without regard to case, and
    // texts equal but for case by their bytes.
    std::vector<uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const Key& x = keys[a];
        const Key& y = keys[b];
        if (x.number != y.number) return x.number;
        if (x.number) return FlexGrid::compareCells(rows[a].guid, rows[b].guid) < 0;
        if (int c = x.folded.compare(y.folded)) return c < 0;
        return rows[a].guid.compare(rows[b].guid) < 0;
    });
    std::vector<WorkRow> sorted;
    sorted.reserve(rows.size());
    for (uint32_t i : order) sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}

void fillWorkingTable(FlexGrid& grid, const std::vector<WorkRow>& rows) {
    grid.setRows(0);
    for (const WorkRow& r : rows) grid.addRow({r.stamp, r.guid, r.name, r.address, r.reason});
}

}  // namespace th
