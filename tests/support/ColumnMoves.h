#pragma once
// Columns dragged anywhere: every move of one of the grid's seven columns to another
// place, and a row's cells read back by the header's titles, so a test sees what each
// column holds wherever it stands.

#include <string>
#include <utility>
#include <vector>

#include "platform/FlexGrid.h"
#include "scan/GridColumns.h"

namespace th::test {

// Every (from, to) of moveColumn on a grid of seven columns: 42 moves.
inline std::vector<std::pair<int32_t, int32_t>> everyColumnMove() {
    std::vector<std::pair<int32_t, int32_t>> moves;
    for (int32_t from = 0; from < 7; ++from)
        for (int32_t to = 0; to < 7; ++to)
            if (from != to) moves.emplace_back(from, to);
    return moves;
}

inline std::string moveName(std::pair<int32_t, int32_t> move) {
    return std::to_string(move.first) + " -> " + std::to_string(move.second);
}

// A row's cells in the order of the titles at start, each found under its title in the
// header row, however the columns stand.
inline std::vector<std::string> cellsByTitle(const FlexGrid& grid, int32_t row) {
    std::vector<std::string> cells;
    for (std::string_view title : kGridColumnTitles)
        for (int32_t c = 0; c < grid.cols(); ++c)
            if (grid.cell(0, c) == title) cells.emplace_back(grid.cell(row, c));
    return cells;
}

// Every data row that way, one line each, cells joined by tabs.
inline std::vector<std::string> dataRowsByTitle(const FlexGrid& grid) {
    std::vector<std::string> rows;
    for (int32_t r = 1; r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        const std::vector<std::string> cells = cellsByTitle(grid, r);
        std::string line;
        for (size_t c = 0; c < cells.size(); ++c) line += (c ? "\t" : "") + cells[c];
        rows.push_back(line);
    }
    return rows;
}

}  // namespace th::test
