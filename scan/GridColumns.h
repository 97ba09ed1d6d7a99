#pragma once
// The seven columns of the violation grid, named by what they hold. The user may drag
// any column anywhere, so whatever reads or writes a violation row finds its columns
// here, by their titles, and never counts on a column's place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/FlexGrid.h"

namespace th {

enum class GridColumn : uint8_t { PlayerName, Violation, Number, Timestamp, Slot, Guid, PlayerIp };
inline constexpr size_t kGridColumnCount = 7;

// The titles, in the order of GridColumn, which is the grid's order at start.
inline constexpr std::array<std::string_view, kGridColumnCount> kGridColumnTitles = {
    "Player Name", "Violation", "Number", "Timestamp", "Slot", "GUID", "Player IP"};
// The same titles as the grid's header format takes them.
inline constexpr const char* kGridTitles =
    "Player Name|Violation|Number|Timestamp|Slot|GUID|Player IP";

// One value per column, reached by the column's name.
template <class T>
struct ByColumn {
    std::array<T, kGridColumnCount> values{};
    T& operator[](GridColumn c) { return values[static_cast<size_t>(c)]; }
    const T& operator[](GridColumn c) const { return values[static_cast<size_t>(c)]; }
};
using ViolationCells = ByColumn<std::string_view>;

// The column each title heads, in the titles' order; nothing unless the titles are the
// seven, each once, in any order.
std::optional<std::array<GridColumn, kGridColumnCount>> columnsTitled(
    std::span<const std::string> titles);

// Where each column of a grid stands now. Taken at the start of a command: a command runs
// to its end before the user can drag a column again.
class GridColumns {
  public:
    // Finds the seven columns by their header titles; throws th::Error when one is missing.
    explicit GridColumns(const FlexGrid& grid);

    int32_t position(GridColumn c) const { return positions_[c]; }
    std::string_view cell(const FlexGrid& grid, int32_t row, GridColumn c) const {
        return grid.cell(row, positions_[c]);
    }
    // The text a cell shows (see FlexGrid::shownCell).
    std::string_view shownCell(const FlexGrid& grid, int32_t row, GridColumn c,
                               std::string& scratch) const {
        return grid.shownCell(row, positions_[c], scratch);
    }
    // The seven cells of a row.
    ViolationCells row(const FlexGrid& grid, int32_t row) const;
    // Appends a data row with each cell under its own title.
    void addRow(FlexGrid& grid, const ViolationCells& cells) const;

  private:
    ByColumn<int32_t> positions_;
};

}  // namespace th
