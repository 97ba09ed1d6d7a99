#pragma once
// What the export tests share: a scratch folder, file bytes, and a main window's grid.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

inline const std::string kData = TALLYHOUND_TEST_DATA;
using Cells = std::vector<std::string>;

inline std::string readBytes(const std::string& path) {
    std::ostringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A main window's components on scripted ports, with the grid set up as at start, and a
// fresh folder under the system's temporary folder, removed at the end.
struct FormFixture {
    ScriptedPorts ports;
    MainForm form{ports.ports};
    FlexGrid& grid = form.vsFlexGrid1;
    std::filesystem::path dir = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallyhound-export-XXXXXX").string();
        return std::filesystem::path(::mkdtemp(pattern.data()));
    }();
    FormFixture() { form.setUpGrid(); }
    ~FormFixture() { std::filesystem::remove_all(dir); }
    // How many entries the folder holds, to see that nothing was left behind.
    long entries() const { return std::distance(std::filesystem::directory_iterator(dir), {}); }

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
