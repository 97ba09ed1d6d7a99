#include "stats/Statistics.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "bans/Database.h"
#include "scan/TimeStamp.h"

namespace th {

namespace {

// The column with this title in the header row, -1 when there is none.
int32_t columnTitled(const FlexGrid& grid, std::string_view title) {
    if (grid.rows() < 1) return -1;
    for (int32_t c = 0; c < grid.cols(); ++c)
        if (grid.cell(0, c) == title) return c;
    return -1;
}

std::vector<Tally> mostFirst(const std::unordered_map<std::string, int64_t>& counts,
                             size_t limit = SIZE_MAX) {
    std::vector<Tally> out;
    out.reserve(counts.size());
    for (const auto& [label, count] : counts) out.push_back({label, count});
    std::sort(out.begin(), out.end(), [](const Tally& a, const Tally& b) {
        return a.count != b.count ? a.count > b.count : a.label < b.label;
    });
    if (out.size() > limit) out.resize(limit);
    return out;
}

std::vector<Tally> inOrder(const std::map<std::string, int64_t>& counts) {
    std::vector<Tally> out;
    for (const auto& [label, count] : counts) out.push_back({label, count});
    return out;
}

// A stored reason comes in double quotes, or empty.
std::string reasonLabel(std::string_view stored) {
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        stored = stored.substr(1, stored.size() - 2);
    return stored.empty() ? kNoReason : std::string(stored);
}

}  // namespace

GridFigures gridFigures(const FlexGrid& grid) {
    GridFigures f;
    const int32_t name = columnTitled(grid, "Player Name"), kind = columnTitled(grid, "Violation"),
                  stamp = columnTitled(grid, "Timestamp");
    std::unordered_map<std::string, int64_t> kinds, players;
    std::map<std::string, int64_t> days;
    for (int32_t r = grid.fixedRows(); r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        ++f.violations;
        if (kind >= 0) ++kinds[std::string(grid.cell(r, kind))];
        if (name >= 0) ++players[std::string(grid.cell(r, name))];
        auto when = stamp >= 0 ? parseTimeStamp(grid.cell(r, stamp)) : std::nullopt;
        if (when)
            ++days[when->isoDate()];
        else
            ++f.undated;
    }
    f.perKind = mostFirst(kinds);
    f.topPlayers = mostFirst(players, kTopPlayers);
    f.perDay = inOrder(days);
    return f;
}

BanFigures banFigures(const std::string& databasePath) {
    BanFigures f;
    Connection db;
    db.Open(databasePath);
    Statement bans(db, "SELECT TimeStamp, ViolationReason FROM tblVandrel");
    const int stamp = bans.column("TimeStamp"), reason = bans.column("ViolationReason");
    std::unordered_map<std::string, int64_t> reasons;
    std::map<std::string, int64_t> months;
    while (bans.step()) {
        ++f.bans;
        ++reasons[reasonLabel(bans.text(reason))];
        if (auto when = parseTimeStamp(bans.text(stamp)))
            ++months[when->isoMonth()];
        else
            ++f.undated;
    }
    f.perReason = mostFirst(reasons);
    f.perMonth = inOrder(months);
    return f;
}

}  // namespace th
