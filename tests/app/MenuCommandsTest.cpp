#include <gtest/gtest.h>

#include "app/MenuCommands.h"
#include "platform/Error.h"
#include "tests/app/GridFixture.h"

namespace th {
namespace {

using test::box;
using test::boxes;

// The window's components over one data row, and stand-ins for the database routines and
// the About box that count their calls.
struct MenuFixture : test::GridFixture {
    MenuFixture() {
        add({"Bob", "(AIMBOT)", "50001", "[x]", "(slot #3)", "bbbb", "10.0.0.2:1"});
        form.unload = [this] { ++unloads; };
        actions.showAbout = [this] { ++abouts; };
        actions.resetDatabase = [this](MainForm&) { return ++resets, resetResult; };
        actions.backupDatabase = [this](MainForm&, std::string& path) {
            path = "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip";
            return ++backups, backupResult;
        };
    }
    void click(const std::string& id) { SSActiveToolBars1_ToolClick(form, id, actions); }
    // What a click set going, in a few words.
    std::string effects() const {
        std::string s;
        for (const auto& r : scripted.files.requests) s += r.save ? "save " : "open ";
        for (const auto& c : scripted.shell.calls) s += c.kind + " " + c.target + " ";
        if (unloads) s += "unload ";
        if (abouts) s += "about ";
        if (resets + backups) s += "database ";
        if (!scripted.messages.shown.empty()) s += "box ";
        return s;
    }

    MenuActions actions;
    int unloads = 0, abouts = 0, resets = 0, backups = 0;
    bool resetResult = true, backupResult = true;
};

TEST(MenuCommands, ResetAsksFirstAndBackupTellsTheArchiveAndBothReportFailure) {
    const auto ok = MsgButtons::Ok;
    const auto info = MsgIcon::Information, warning = MsgIcon::Exclamation;
    const std::string ask = box("WARNING, all data will be lost, continue?        ",
                                MsgButtons::YesNo, MsgIcon::Question);
    const std::string reset = box("Database has been successfully reset        ", ok, info);
    const std::string notReset = box("Database could not be reset        ", ok, warning);
    const std::string backedUp =
        box("Database has been successfully backed up to "
            "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip        ",
            ok, info);
    const std::string notBackedUp = box("Database could not be backed up        ", ok, warning);
    struct Case {
        const char* id;
        MsgResult answer;
        bool result;
        std::vector<std::string> shown;
        int calls;
    };
    const Case cases[] = {
        {"ID_ResetDatabase", MsgResult::No, true, {ask}, 0},
        {"ID_ResetDatabase", MsgResult::Yes, true, {ask, reset}, 1},
        {"ID_ResetDatabase", MsgResult::Yes, false, {ask, notReset}, 1},
        {"ID_Backup", MsgResult::Yes, true, {backedUp}, 1},
        {"ID_Backup", MsgResult::Yes, false, {notBackedUp}, 1},
    };
    for (const Case& c : cases) {
        MenuFixture f;
        f.scripted.messages.answers = {c.answer};
        f.resetResult = f.backupResult = c.result;
        f.click(c.id);
        EXPECT_EQ(boxes(f.scripted.messages.shown), c.shown) << c.id;
        EXPECT_EQ(f.resets + f.backups, c.calls) << c.id;
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), 2) << c.id;  // neither touches the grid
    }
}

TEST(MenuCommands, OnlyTheExactToolIdsDoAnything) {
    const std::pair<const char*, const char*> tools[] = {
        {"ID_LoadLog...", "open "},
        {"ID_GenerateHTML...", "save "},
        {"ID_Exit", "unload "},
        {"ID_About", "about "},
        {"ID_Quelvane", "url http://www.quelvane.net/ "},
        {"ID_Punkbuster", "url http://www.evenbalance.com/ "},
        {"ID_Oakmere", "url http://www.oakmere.net/ "},
    };
    std::vector<std::pair<std::string, std::string>> cases(std::begin(tools), std::end(tools));
    // Menu titles, and near misses of every tool.
    for (const char* id : {"ID_File", "ID_Help", "ID_Tool1", "ID_Database", "ID_WebLinks",
                           "ID_LoadLog", "ID_GenerateHTML", "id_exit", "ID_Exit ", " ID_About",
                           "ID_ABOUT", "ID_Reset", "ID_backup", "ID_Oakmere.", ""})
        cases.emplace_back(id, "");
    for (const auto& [id, effect] : cases) {
        MenuFixture f;
        f.click(id);
        EXPECT_EQ(f.effects(), effect) << id;
    }
}

TEST(MenuCommands, AWebLinkThatFailsIsReportedAndTheProgramGoesOn) {
    MenuFixture f;
    f.scripted.shell.result = 28;  // the shell timed out
    EXPECT_THROW(f.click("ID_Quelvane"), Error);
    runMenuTool(f.form, "ID_Oakmere", f.actions);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{box("The menu command could not be completed        \r\n"
                              "DDE timeout -2147203456        ",
                              MsgButtons::Ok, MsgIcon::Exclamation, "        ")});
    f.scripted.shell.result = 31;  // an address nothing handles is not an error
    runMenuTool(f.form, "ID_Punkbuster", f.actions);
    EXPECT_EQ(f.scripted.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace th
