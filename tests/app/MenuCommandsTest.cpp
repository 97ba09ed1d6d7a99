#include <gtest/gtest.h>

#include <tuple>

#include "app/MenuCommands.h"
#include "bans/Paths.h"
#include "platform/CCursor.h"
#include "tests/app/GridFixture.h"

namespace th {
namespace {

using test::box;
using test::boxes;

// One data row, and stand-ins for the database routines that note
// what they were asked to do.
struct MenuFixture : test::GridFixture {
    MenuFixture() {
        add({"Bob", "(AIMBOT)", "50001", "[x]", "(slot #3)", "bbbb", "10.0.0.2:1"});
        form.unload = [this] { effects += "unload "; };
        // The hourglass shows while each runs: a reset of many bans takes seconds.
        actions.resetDatabase = [this](MainForm&) { return effects += busy("reset "), result; };
        actions.backupDatabase = [this](MainForm&, std::string& path) {
            path = "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip";
            return effects += busy("backup "), result;
        };
    }
    std::string busy(const std::string& what) {
        return scripted.cursor.current == CCursor::kHourglass ? what : what + "(no hourglass) ";
    }
    void click(const std::string& id) { SSActiveToolBars1_ToolClick(form, id, actions); }

    MenuActions actions;
    std::string effects;
    bool result = true;
};

TEST(MenuCommands, OnlyTheExactToolIdsRunTheirToolsAndTheDatabaseToolsReport) {
    const auto ok = MsgButtons::Ok;
    const auto yes = MsgResult::Yes;
    const auto info = MsgIcon::Information, warning = MsgIcon::Exclamation;
    const std::string ask = box("WARNING, all data will be lost, continue?        ",
                                MsgButtons::YesNo, MsgIcon::Question);
    const std::string reset = box("Database has been successfully reset        ", ok, info);
    const std::string backedUp =
        box("Database has been successfully backed up to "
            "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip        ",
            ok, info);
    // A failed backup says what to do under its own words.
    const std::string notBackedUp =
        box("Database could not be backed up        \r\nCheck that "
            "the ban database is at " +
                databasePath() + " and that its folder can be written to.        ",
            ok, warning);
    // Tool, answers to questions, the database routine's result, boxes shown, what ran.
    const std::vector<std::tuple<std::string, std::vector<MsgResult>, bool,
                                 std::vector<std::string>, std::string>>
        cases = {
            // Return on the question presses its default, No: the ban table is kept.
            {"ID_ResetDatabase", {}, true, {ask}, ""},
            {"ID_ResetDatabase", {yes}, true, {ask, reset}, "reset "},
            // A failed reset has shown its own report: no second box.
            {"ID_ResetDatabase", {yes}, false, {ask}, "reset "},
            {"ID_Backup", {yes}, true, {backedUp}, "backup "},
            {"ID_Backup", {yes}, false, {notBackedUp}, "backup "},
            {"ID_Exit", {yes}, true, {}, "unload "},
            {"id_exit", {yes}, true, {}, ""},  // a near miss does nothing
        };
    for (const auto& [id, answers, result, shown, effects] : cases) {
        MenuFixture f;
        f.scripted.messages.answers = {answers.begin(), answers.end()};
        f.result = result;
        f.click(id);
        EXPECT_EQ(boxes(f.scripted.messages.shown), shown) << id;
        EXPECT_EQ(f.effects, effects) << id;
        EXPECT_EQ(f.scripted.cursor.current, CCursor::kDefault) << id;
    }
}

// A shared PostgreSQL database is not zipped: the box says how to back it up, where it once
// told the user to check a folder it has not got.
TEST(MenuCommands, APostgresDatabaseIsBackedUpWithItsOwnTools) {
    MenuFixture f;
    f.actions.backupDatabase = nullptr;
    setDatabasePath("postgresql://fleet@db.example/bans");
    f.click("ID_Backup");
    setDatabasePath({});
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              (std::vector<std::string>{
                  box("Database could not be backed up        \r\npostgresql://***@db.example/bans "
                      "is a PostgreSQL database; back it up with pg_dump        ",
                      MsgButtons::Ok, MsgIcon::Exclamation)}));
}

TEST(MenuCommands, AWebLinkThatFailsIsReportedAndTheProgramGoesOn) {
    MenuFixture f;
    f.scripted.shell.result = 28;  // the shell timed out
    runMenuTool(f.form, "ID_Oakmere", f.actions);
    f.scripted.shell.result = 31;  // an address nothing handles is not an error
    runMenuTool(f.form, "ID_Punkbuster", f.actions);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{box("The menu command could not be completed        \r\n"
                              "DDE timeout -2147203456        \r\n"
                              "Open the address in your web browser yourself.        ",
                              MsgButtons::Ok, MsgIcon::Exclamation, "        ")});
}

}  // namespace
}  // namespace th
