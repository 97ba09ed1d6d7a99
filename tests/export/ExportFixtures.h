#pragma once
// What the export tests share: a main window's grid in a scratch folder of its own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

using Cells = std::vector<std::string>;

// A main window's components on scripted ports, with the grid set up as at start.
struct FormFixture : ScratchFolder {
    ScriptedPorts ports;
    MainForm form{ports.ports};
    FlexGrid& grid = form.vsFlexGrid1;
    FormFixture() { form.setUpGrid(); }

    void addRows(const std::vector<Cells>& rows) {
        for (const Cells& row : rows)
            grid.addRow(std::vector<std::string_view>(row.begin(), row.end()));
    }
    // Group rows made the way the arrangement makes them, without its sort.
    void groupRows() {
        grid.select(1, 0);
        grid.subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor, true);
    }
    // Every row's cells, the header's and group rows' too.
    std::vector<Cells> rows() const {
        std::vector<Cells> all(grid.rows());
        for (int32_t r = 0; r < grid.rows(); ++r)
            for (int32_t c = 0; c < grid.cols(); ++c) all[r].emplace_back(grid.cell(r, c));
        return all;
    }
};

}  // namespace th::test
