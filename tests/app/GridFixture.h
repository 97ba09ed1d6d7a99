#pragma once
// The grid form with sample rows; and message boxes as one line each, so a sequence
// compares at once.

#include <string>
#include <vector>

#include "tests/support/GridForm.h"

namespace th::test {

struct GridFixture : GridForm {
    // Three players, Alice twice.
    void addSampleRows() {
        add({"Bob", "(AIMBOT)", "50001", "[2024.01.02 10:00:00]", "(slot #3)", "bbbb", "b:1"});
        add({"Alice", "(WALLHACK)", "50002", "[2024.01.01 09:00:00]", "(slot #1)", "aaaa", "a:1"});
        add({"Carol", "(AIMBOT)", "50001", "[2024.01.03 11:00:00]", "(slot #5)", "cccc", "c:1"});
        add({"Alice", "(WALLHACK)", "50002", "[2024.01.01 09:30:00]", "(slot #1)", "aaaa", "a:1"});
    }
};

inline std::string box(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                       const std::string& title = "Quelvane - tallyhound") {
    return prompt + " | " + std::to_string(static_cast<int>(buttons)) + " " +
           std::to_string(static_cast<int>(icon)) + " | " + title;
}

// A report, a question, and the box of an error a command trapped (its title blank).
inline std::string info(const std::string& prompt) {
    return box(prompt, MsgButtons::Ok, MsgIcon::Information);
}
inline std::string question(const std::string& prompt) {
    return box(prompt, MsgButtons::YesNo, MsgIcon::Question);
}
inline std::string trapped(const std::string& prompt) {
    return box(prompt, MsgButtons::Ok, MsgIcon::Exclamation, "        ");
}

inline std::vector<std::string> boxes(const std::vector<ShownBox>& shown) {
    std::vector<std::string> out;
    for (const ShownBox& b : shown) out.push_back(box(b.prompt, b.buttons, b.icon, b.title));
    return out;
}

}  // namespace th::test
