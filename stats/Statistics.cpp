#include "stats/Statistics.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>
#include <unordered_map>

#include "bans/PostgresBanStore.h"
#include "bans/SchemaMigration.h"
#include "bans/SqliteConnection.h"
#include "platform/TimeStamp.h"
#include "scan/GridColumns.h"

namespace th {

namespace {

std::string twoDigits(int n) {
    return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

// "yyyy-mm" and "yyyy-mm-dd": orderable as text, read the same everywhere.
std::string isoMonth(const StampParts& t) {
    std::string year = std::to_string(t.year);
    year.insert(0, year.size() < 4 ? 4 - year.size() : 0, '0');  // year 999 before 2017
    return year + "-" + twoDigits(t.month);
}

std::string isoDate(const StampParts& t) {
    return isoMonth(t) + "-" + twoDigits(t.day);
}

// The day a date names, if there was such a day: not 02.30, nor 02.29 of a common year.
std::optional<std::chrono::sys_days> realDay(int year, unsigned month, unsigned day) {
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                                           std::chrono::day{day}};
    if (!date.ok()) return std::nullopt;
    return std::chrono::sys_days{date};
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

// The first kTopBars tallies (most first), and the rest summed as one, named for how many.
std::vector<Tally> withRest(std::vector<Tally> tallies, const std::string& what) {
    if (tallies.size() <= kTopBars) return tallies;
    Tally rest{"(" + std::to_string(tallies.size() - kTopBars) + " other " + what + ")", 0};
    for (size_t i = kTopBars; i < tallies.size(); ++i) rest.count += tallies[i].count;
    tallies.resize(kTopBars);
    tallies.push_back(std::move(rest));
    return tallies;
}

std::vector<Tally> inOrder(const std::map<std::string, int64_t>& counts) {
    std::vector<Tally> out;
    for (const auto& [label, count] : counts) out.push_back({label, count});
    return out;
}

// The day a "yyyy-mm-dd" label names, if it is one that can be.
std::optional<std::chrono::sys_days> dayNumber(std::string_view iso) {
    int year = 0;
    unsigned month = 0, day = 0;
    std::from_chars(iso.data(), iso.data() + 4, year);
    std::from_chars(iso.data() + 5, iso.data() + 7, month);
    std::from_chars(iso.data() + 8, iso.data() + 10, day);
    return realDay(year, month, day);
}

std::string isoDay(std::chrono::sys_days number) {
    const std::chrono::year_month_day date{number};
    StampParts t;
    t.year = static_cast<int>(date.year());
    t.month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.day = static_cast<int>(static_cast<unsigned>(date.day()));
    return isoDate(t);
}

// The days in order, and between two days of violations with quiet days between them,
// the first and last of those at zero: the line drawn straight from one to the next read as
// violations on every day between.
std::vector<Tally> withQuietDays(const std::map<std::string, int64_t>& counts) {
    constexpr std::chrono::days kOne{1};
    std::vector<Tally> out;
    std::optional<std::chrono::sys_days> last;
    for (const auto& [label, count] : counts) {
        const auto day = dayNumber(label);
        if (last && day && *day - *last > kOne) {
            out.push_back({isoDay(*last + kOne), 0});
            if (*day - *last > 2 * kOne) out.push_back({isoDay(*day - kOne), 0});
        }
        out.push_back({label, count});
        last = day;
    }
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
    const GridColumns columns(grid);
    std::unordered_map<std::string, int64_t> kinds, players;
    std::map<std::string, int64_t> days;
    std::string shown;
    for (int32_t r = grid.fixedRows(); r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        ++f.violations;
        ++kinds[std::string(columns.cell(grid, r, GridColumn::Violation))];
        // As the grid shows it: with colour codes folded, one player is one name.
        ++players[std::string(columns.shownCell(grid, r, GridColumn::PlayerName, shown))];
        // Only a stamp that names a real day counts for a day or a month: one that never
        // was, charted as a day, bridged the quiet days around it.
        if (auto when = realDayOf(columns.cell(grid, r, GridColumn::Timestamp)))
            ++days[isoDate(*when)];
        else
            ++f.undated;
    }
    f.perKind = withRest(mostFirst(kinds), "kinds");
    f.topPlayers = mostFirst(players, kTopPlayers);
    f.perDay = withQuietDays(days);
    return f;
}

BanFigures banFigures(const std::string& databasePath) {
    BanFigures f;
    std::unordered_map<std::string, int64_t> reasons;
    std::map<std::string, int64_t> months;
    auto count = [&](std::string_view stamp, std::string_view reason) {
        ++f.bans;
        ++reasons[reasonLabel(reason)];
        if (auto when = realDayOf(stamp))
            ++months[isoMonth(*when)];
        else
            ++f.undated;
    };
    if (isPostgresUri(databasePath)) {
        PostgresBanStore store(databasePath);
        store.forEachBan([&](const Ban& ban) { count(ban.stamp, ban.reason); });
    } else {
        SqliteConnection db;
        db.Open(databasePath);
        // Refused as every other reader refuses it: its tables may mean something else now.
        if (const int version = db.userVersion(); version > latestSchemaVersion())
            throw Error(err::kDatabase, appBaseName(), newerSchemaText(databasePath, version));
        SqliteStatement bans(db, "SELECT TimeStamp, ViolationReason FROM tblVandrel");
        const int stamp = bans.column("TimeStamp"), reason = bans.column("ViolationReason");
        while (bans.step()) count(bans.text(stamp), bans.text(reason));
    }
    f.perReason = withRest(mostFirst(reasons), "reasons");
    f.perMonth = inOrder(months);
    return f;
}

}  // namespace th
