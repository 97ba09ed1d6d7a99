#pragma once
// The figures behind the statistics charts, counted without any chart: the grid's
// violations by kind, by day and by player, and the ban database's bans by month and
// by reason.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FlexGrid.h"

namespace th {

struct Tally {
    std::string label;
    int64_t count;
    bool operator==(const Tally&) const = default;
};

struct GridFigures {
    std::vector<Tally> perKind;     // most first, then by kind; at most kTopBars, then the rest
    std::vector<Tally> perDay;      // "yyyy-mm-dd", oldest first; quiet spells begin and end at 0
    std::vector<Tally> topPlayers;  // at most kTopPlayers, most first, then by name
    int64_t undated = 0;            // rows whose time stamp names no day
    int64_t violations = 0;
};

struct BanFigures {
    std::vector<Tally> perMonth;   // "yyyy-mm", oldest first
    std::vector<Tally> perReason;  // most first, then by reason; at most kTopBars, then the rest
    int64_t undated = 0;
    int64_t bans = 0;
};

inline constexpr size_t kTopPlayers = 20;
// Kinds and reasons shown one a bar; those past them are one more bar, "(N other kinds)":
// a database whose every reason carries its own number once held 166,727 bars that took
// the window minutes and gigabytes to lay out.
inline constexpr size_t kTopBars = 30;
inline constexpr const char* kNoReason = "(no reason)";

// Counts the grid's data rows; group rows are skipped. Columns are found by their
// titles, wherever the user has dragged them; throws th::Error when one is missing.
GridFigures gridFigures(const FlexGrid& grid);

// Counts the bans of the database file. Throws th::Error when it cannot be read.
BanFigures banFigures(const std::string& databasePath);

}  // namespace th
