#pragma once
// A main form's components on scripted ports with the grid set up as at start: rows in,
// arranged as the window arranges them, commands run on chosen files, and every row's
// cells out.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

using Cells = std::vector<std::string>;

// Arranges the grid into groups by its first column, as the window does after a scan.
inline void arrange(MainForm& form) {
    int32_t position = 0;
    vsFlexGrid1_AfterMoveColumn(form, 0, position);
}

struct GridForm {
    ScriptedPorts scripted;
    MainForm form{scripted.ports};
    FlexGrid& grid = form.vsFlexGrid1;

    GridForm() { form.setUpGrid(); }
    void add(std::initializer_list<std::string_view> cells) { grid.addRow(cells); }
    void addRows(const std::vector<Cells>& rows) {
        for (const Cells& row : rows)
            grid.addRow(std::vector<std::string_view>(row.begin(), row.end()));
    }
    void arrange() { test::arrange(form); }
    // Runs the command with the path as the file dialog's answer.
    void run(bool (*command)(MainForm&), const std::string& path) {
        scripted.files.answers.push_back({path});
        command(form);
    }
    // Every row's cells, the header's and group rows' too.
    std::vector<Cells> rows() const {
        std::vector<Cells> all(grid.rows());
        for (int32_t r = 0; r < grid.rows(); ++r)
            for (int32_t c = 0; c < grid.cols(); ++c) all[r].emplace_back(grid.cell(r, c));
        return all;
    }
};

// The form in a scratch folder of its own.
struct FormFixture : GridForm, ScratchFolder {};

}  // namespace th::test
