#include "cli/RowPrinter.h"

#include "cli/TerminalText.h"

namespace th::cli {

long printDataRows(const FlexGrid& grid, std::ostream& out) {
    const GridColumns columns(grid);
    long printed = 0;
    std::string line, shown;
    for (int32_t r = grid.fixedRows(); r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        line.clear();
        for (size_t c = 0; c < kGridColumnCount; ++c) {
            if (c) line += '\t';
            appendTerminalText(line, columns.shownCell(grid, r, static_cast<GridColumn>(c), shown));
        }
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        ++printed;
    }
    return printed;
}

}  // namespace th::cli
