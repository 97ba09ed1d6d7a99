#pragma once
// A main form with scripted ports and a grid of violation rows, arranged as the window
// arranges it; and message boxes as one line each, so a sequence compares at once.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "scan/MainForm.h"
#include "tests/support/ScriptedPorts.h"

namespace th::test {

// Arranges the grid into groups by its first column, as the window does after a scan.
inline void arrange(MainForm& form) {
    int32_t position = 0;
    vsFlexGrid1_AfterMoveColumn(form, 0, position);
}

struct GridFixture {
    ScriptedPorts scripted;
    MainForm form{scripted.ports};

    GridFixture() { form.setUpGrid(); }
    void add(std::initializer_list<std::string_view> cells) { form.vsFlexGrid1.addRow(cells); }
    // Three players, Alice twice.
    void addSampleRows() {
        add({"Bob", "(AIMBOT)", "50001", "[2024.01.02 10:00:00]", "(slot #3)", "bbbb", "b:1"});
        add({"Alice", "(WALLHACK)", "50002", "[2024.01.01 09:00:00]", "(slot #1)", "aaaa", "a:1"});
        add({"Carol", "(AIMBOT)", "50001", "[2024.01.03 11:00:00]", "(slot #5)", "cccc", "c:1"});
        add({"Alice", "(WALLHACK)", "50002", "[2024.01.01 09:30:00]", "(slot #1)", "aaaa", "a:1"});
    }
    void arrange() { test::arrange(form); }
};

inline std::string box(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                       const std::string& title = "Quelvane - tallyhound") {
    return prompt + " | " + std::to_string(static_cast<int>(buttons)) + " " +
           std::to_string(static_cast<int>(icon)) + " | " + title;
}

inline std::vector<std::string> boxes(const std::vector<ShownBox>& shown) {
    std::vector<std::string> out;
    for (const ShownBox& b : shown) out.push_back(box(b.prompt, b.buttons, b.icon, b.title));
    return out;
}

}  // namespace th::test
