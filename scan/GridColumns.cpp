#include "scan/GridColumns.h"

#include "platform/Error.h"

namespace th {

namespace {

std::optional<GridColumn> columnTitled(std::string_view title) {
    for (size_t i = 0; i < kGridColumnCount; ++i)
        if (kGridColumnTitles[i] == title) return static_cast<GridColumn>(i);
    return std::nullopt;
}

// The header format and the titles must never drift apart.
constexpr bool formatHoldsTheTitles() {
    std::string_view format = kGridTitles;
    for (size_t i = 0; i < kGridColumnCount; ++i) {
        const size_t bar = format.find('|');
        if (format.substr(0, bar) != kGridColumnTitles[i]) return false;
        format = bar == std::string_view::npos ? std::string_view{} : format.substr(bar + 1);
    }
    return format.empty();
}
static_assert(formatHoldsTheTitles());

}  // namespace

std::optional<std::array<GridColumn, kGridColumnCount>> columnsTitled(
    std::span<const std::string> titles) {
    if (titles.size() != kGridColumnCount) return std::nullopt;
    std::array<GridColumn, kGridColumnCount> columns{};
    std::array<bool, kGridColumnCount> seen{};
    for (size_t i = 0; i < titles.size(); ++i) {
        const std::optional<GridColumn> c = columnTitled(titles[i]);
        if (!c || seen[static_cast<size_t>(*c)]) return std::nullopt;
        seen[static_cast<size_t>(*c)] = true;
        columns[i] = *c;
    }
    return columns;
}

GridColumns::GridColumns(const FlexGrid& grid) {
    if (grid.cols() != static_cast<int32_t>(kGridColumnCount))
        throw Error(err::kInvalidIndex, appBaseName() + ".FlexGrid",
                    "The grid does not hold the seven violation columns");
    for (size_t i = 0; i < kGridColumnCount; ++i) {
        positions_.values[i] = grid.colIndex(kGridColumnTitles[i]);
        if (positions_.values[i] < 0)
            throw Error(err::kInvalidIndex, appBaseName() + ".FlexGrid",
                        "The grid has no column titled " + std::string(kGridColumnTitles[i]));
    }
}

ViolationCells GridColumns::row(const FlexGrid& grid, int32_t row) const {
    ViolationCells cells;
    for (size_t i = 0; i < kGridColumnCount; ++i)
        cells.values[i] = grid.cell(row, positions_.values[i]);
    return cells;
}

void GridColumns::addRow(FlexGrid& grid, const ViolationCells& cells) const {
    std::array<std::string_view, kGridColumnCount> byPosition{};
    for (size_t i = 0; i < kGridColumnCount; ++i)
        byPosition[static_cast<size_t>(positions_.values[i])] = cells.values[i];
    grid.addRow(byPosition);
}

}  // namespace th
