#pragma once
// What the export tests share: a scratch folder, file bytes, and grids filled from
// sample rows.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tallyhound-export-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Makes writes beyond a size fail as on a full disk, for as long as it lives.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

using Cells = std::vector<std::string>;

// The data rows of a grid, group rows left out.
inline std::vector<Cells> dataRows(const FlexGrid& grid) {
    std::vector<Cells> rows;
    for (int32_t r = 1; r < grid.rows(); ++r) {
        if (grid.isSubtotal(r)) continue;
        Cells cells;
        for (int32_t c = 0; c < grid.cols(); ++c) cells.emplace_back(grid.cell(r, c));
        rows.push_back(std::move(cells));
    }
    return rows;
}

inline void addRows(FlexGrid& grid, const std::vector<Cells>& rows) {
    for (const Cells& row : rows) {
        std::vector<std::string_view> views(row.begin(), row.end());
        grid.addRow(views);
    }
}

// Rows of a sample file: one row a line, cells separated by tabs.
inline std::vector<Cells> tsvRows(const std::filesystem::path& path) {
    std::vector<Cells> rows;
    std::istringstream lines(readBytes(path));
    for (std::string line; std::getline(lines, line);) {
        Cells cells;
        size_t start = 0;
        for (;;) {
            size_t tab = line.find('\t', start);
            cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

// A main window's components on scripted ports, with the grid set up as at start.
struct FormFixture {
    ScriptedPorts ports;
    MainForm form{ports.ports};
    FormFixture() {
        form.setUpGrid();
        form.hWnd = 4242;
        ports.files.liveWindows.push_back(form.hWnd);
    }
    FlexGrid& grid() { return form.vsFlexGrid1; }
    void arrange() {
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
};

inline const std::string kData = TALLYHOUND_TEST_DATA;

}  // namespace th::test
