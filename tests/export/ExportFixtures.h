#pragma once
// What the export tests share: a scratch folder, file bytes, and grids filled from
// sample rows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

inline std::string readBytes(const std::filesystem::path& path) {
    std::ostringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallyhound-export-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // How many entries the folder holds, to see that no temporary was left behind.
    long entries() const { return std::distance(std::filesystem::directory_iterator(path_), {}); }

  private:
    std::filesystem::path path_;
};

using Cells = std::vector<std::string>;

// The data rows of a grid, group rows left out.
inline std::vector<Cells> dataRows(const FlexGrid& grid) {
    std::vector<Cells> rows;
    for (int32_t r = 1; r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        rows.emplace_back();
        for (int32_t c = 0; c < grid.cols(); ++c) rows.back().emplace_back(grid.cell(r, c));
    }
    return rows;
}

inline void addRows(FlexGrid& grid, const std::vector<Cells>& rows) {
    for (const Cells& row : rows)
        grid.addRow(std::vector<std::string_view>(row.begin(), row.end()));
}

// A main window's components on scripted ports, with the grid set up as at start.
struct FormFixture {
    ScriptedPorts ports;
    MainForm form{ports.ports};
    FormFixture() { form.setUpGrid(); }
    FlexGrid& grid() { return form.vsFlexGrid1; }
    // Group rows made the way the arrangement makes them, without its sort.
    void groupRows() {
        grid().select(1, 0);
        grid().subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor,
                        true);
    }
};

inline const std::string kData = TALLYHOUND_TEST_DATA;

}  // namespace th::test
