#include <gtest/gtest.h>

#include "app/MenuCommands.h"
#include "platform/Error.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

using test::ShownBox;

// A main window's components with scripted ports, and stand-ins for the database
// routines and the About box that count their calls.
struct MenuFixture {
    MenuFixture() : form(ports.ports) {
        form.setUpGrid();
        form.unload = [this] { ++unloads; };
        actions.showAbout = [this] { ++abouts; };
        actions.resetDatabase = [this](MainForm&) {
            ++resets;
            return resetResult;
        };
        actions.backupDatabase = [this](MainForm&, std::string& path) {
            ++backups;
            path = backupPath;
            return backupResult;
        };
    }
    void click(const std::string& id) { SSActiveToolBars1_ToolClick(form, id, actions); }
    bool nothingHappened() const {
        return ports.messages.shown.empty() && ports.files.requests.empty() &&
               ports.shell.calls.empty() && unloads == 0 && abouts == 0 && resets == 0 &&
               backups == 0;
    }

    test::ScriptedPorts ports;
    MainForm form;
    MenuActions actions;
    int unloads = 0, abouts = 0, resets = 0, backups = 0;
    bool resetResult = true, backupResult = true;
    std::string backupPath;
};

void expectBox(const ShownBox& box, const std::string& prompt, MsgButtons buttons, MsgIcon icon) {
    EXPECT_EQ(box.prompt, prompt);
    EXPECT_EQ(box.buttons, buttons);
    EXPECT_EQ(box.icon, icon);
    EXPECT_EQ(box.title, "Quelvane - tallyhound");
}

TEST(MenuCommands, ResetAsksFirstAndReportsTheOutcome) {
    {
        MenuFixture f;
        f.ports.messages.answers = {MsgResult::No};
        f.click("ID_ResetDatabase");
        ASSERT_EQ(f.ports.messages.shown.size(), 1u);
        expectBox(f.ports.messages.shown[0], "WARNING, all data will be lost, continue?        ",
                  MsgButtons::YesNo, MsgIcon::Question);
        EXPECT_EQ(f.resets, 0);
    }
    {
        MenuFixture f;
        f.click("ID_ResetDatabase");
        ASSERT_EQ(f.ports.messages.shown.size(), 2u);
        EXPECT_EQ(f.resets, 1);
        expectBox(f.ports.messages.shown[1], "Database has been successfully reset        ",
                  MsgButtons::Ok, MsgIcon::Information);
    }
    {
        MenuFixture f;
        f.resetResult = false;
        f.click("ID_ResetDatabase");
        ASSERT_EQ(f.ports.messages.shown.size(), 2u);
        expectBox(f.ports.messages.shown[1], "Database could not be reset        ", MsgButtons::Ok,
                  MsgIcon::Exclamation);
    }
}

TEST(MenuCommands, BackupReportsTheArchiveOrTheFailure) {
    {
        MenuFixture f;
        f.backupPath = "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip";
        f.click("ID_Backup");
        EXPECT_EQ(f.backups, 1);
        ASSERT_EQ(f.ports.messages.shown.size(), 1u);
        expectBox(f.ports.messages.shown[0],
                  "Database has been successfully backed up to "
                  "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip        ",
                  MsgButtons::Ok, MsgIcon::Information);
    }
    {
        MenuFixture f;
        f.backupResult = false;
        f.click("ID_Backup");
        ASSERT_EQ(f.ports.messages.shown.size(), 1u);
        expectBox(f.ports.messages.shown[0], "Database could not be backed up        ",
                  MsgButtons::Ok, MsgIcon::Exclamation);
    }
    MenuFixture f;
    f.form.vsFlexGrid1.addItem("a\tb\tc\td\te\tf\tg");
    f.click("ID_Backup");
    f.click("ID_ResetDatabase");
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 2);  // neither touches the grid
}

TEST(MenuCommands, FileEntriesPressTheButtons) {
    MenuFixture f;
    f.ports.files.answers = {{"/logs/server.log"}};
    f.click("ID_LoadLog...");
    ASSERT_EQ(f.ports.files.requests.size(), 1u);
    EXPECT_EQ(f.ports.files.requests[0].title, "Select Punkbuster log");
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/logs/server.log");

    // HTML on a grid of the header row alone does nothing, as its button.
    f.click("ID_GenerateHTML...");
    EXPECT_EQ(f.ports.files.requests.size(), 1u);
    EXPECT_TRUE(f.ports.messages.shown.empty());

    f.click("ID_Exit");
    EXPECT_EQ(f.unloads, 1);
}

TEST(MenuCommands, HelpEntriesOpenTheWebLinksAndTheAboutBox) {
    MenuFixture f;
    f.click("ID_Quelvane");
    f.click("ID_Punkbuster");
    f.click("ID_Oakmere");
    ASSERT_EQ(f.ports.shell.calls.size(), 3u);
    for (const auto& call : f.ports.shell.calls) EXPECT_EQ(call.kind, "url");
    EXPECT_EQ(f.ports.shell.calls[0].target, "http://www.quelvane.net/");
    EXPECT_EQ(f.ports.shell.calls[1].target, "http://www.evenbalance.com/");
    EXPECT_EQ(f.ports.shell.calls[2].target, "http://www.oakmere.net/");
    EXPECT_EQ(f.abouts, 0);
    f.click("ID_About");
    EXPECT_EQ(f.abouts, 1);
    EXPECT_TRUE(f.ports.messages.shown.empty());
}

TEST(MenuCommands, TitlesAndInexactIdsDoNothing) {
    for (const char* id : {"ID_File", "ID_Help", "ID_Tool1", "ID_Database", "ID_WebLinks",
                           "ID_LoadLog", "ID_GenerateHTML", "id_exit", "ID_Exit ", " ID_About",
                           "ID_ABOUT", "ID_Reset", "ID_backup", "ID_Oakmere.", ""}) {
        MenuFixture f;
        f.click(id);
        EXPECT_TRUE(f.nothingHappened()) << id;
    }
}

TEST(MenuCommands, AWebLinkThatFailsIsReportedAndTheProgramGoesOn) {
    MenuFixture f;
    f.ports.shell.result = 28;  // the shell timed out
    EXPECT_THROW(f.click("ID_Quelvane"), Error);

    runMenuTool(f.form, "ID_Oakmere", f.actions);
    ASSERT_EQ(f.ports.messages.shown.size(), 1u);
    const ShownBox& box = f.ports.messages.shown[0];
    EXPECT_EQ(box.prompt,
              "The menu command could not be completed        \r\nDDE timeout -2147203456        ");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, "        ");

    // An address nothing handles is not an error.
    f.ports.shell.result = 31;
    runMenuTool(f.form, "ID_Punkbuster", f.actions);
    EXPECT_EQ(f.ports.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace th
