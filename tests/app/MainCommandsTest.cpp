#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "app/MainCommands.h"
#include "app/MenuCommands.h"
#include "bans/Paths.h"
#include "platform/CCursor.h"
#include "tests/app/GridFixture.h"
#include "tests/support/Files.h"

namespace th::test {
namespace {

TEST(LoadLog, AsksForALogAndShowsItsPathWithoutScanningAndCancelOrAnErrorKeepsIt) {
    GridFixture f;
    f.form.hWnd = 7;
    f.scripted.files.liveWindows = {7};
    f.scripted.files.answers = {{"/srv/pb/logs/pb000123.log"}, {}};
    cmdQuelvane_Click(f.form, cmd::kLoadLog);
    cmdQuelvane_Click(f.form, cmd::kLoadLog);  // cancelled
    ASSERT_EQ(f.scripted.files.requests.size(), 2u);
    const FileChooserRequest& r = f.scripted.files.requests[0];
    EXPECT_TRUE(!r.save && r.center && r.owner == 7);
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 1);

    // A trapped error shows the error box and ends the command: the dialog refuses an
    // owner that names no live window.
    f.form.hWnd = 99;
    cmdQuelvane_Click(f.form, cmd::kLoadLog);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{trapped("An error unhandled error has occured        \r\n"
                                  "Invalid window handle -2147204043        \r\n"
                                  "Check the file named above (is it there, can it be read or "
                                  "written?) and try again.        ")});
    EXPECT_EQ(f.scripted.files.requests.size(), 2u);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/srv/pb/logs/pb000123.log");
}

// Save and HTML refuse a log loaded for scanning, alone or in its folder, whatever name
// leads to it: a Yes to "replace?" replaced the server's log with the rows found in it.
TEST(SaveAndHtml, ALogLoadedForScanningIsNotWrittenOver) {
    ScratchFolder folder;
    const std::string log = folder.dir + "/a.log", other = folder.dir + "/B.LOG",
                      link = folder.dir + "/link.html";
    writeBytes(log, "the server's log\n");
    writeBytes(other, "another\n");
    std::filesystem::create_symlink(log, link);
    const auto refused = [](const std::string& what, const std::string& path,
                            const std::string& written) {
        return trapped("An error " + what + "        \r\nNot written: " + path +
                       " is a log loaded for scanning 68        \r\nChoose another name and "
                       "try again; " +
                       written + " was written.        ");
    };
    GridFixture f;
    f.addSampleRows();
    f.form.pnlLogPathToFile.setCaption(log);
    f.scripted.files.answers = {{log}, {link}};
    cmdQuelvane_Click(f.form, cmd::kSave);
    cmdQuelvane_Click(f.form, cmd::kHtml);
    f.form.logFolder = folder.dir;
    f.scripted.files.answers = {{other}};
    cmdQuelvane_Click(f.form, cmd::kSave);
    const std::string unhandled = "unhandled error has occured";
    EXPECT_EQ(
        boxes(f.scripted.messages.shown),
        (std::vector{refused(unhandled, log, "nothing"),
                     refused("has occured during a creating of this HTML file", link, "no page"),
                     refused(unhandled, other, "nothing")}));
    EXPECT_EQ(readBytes(log), "the server's log\n");
    EXPECT_EQ(readBytes(other), "another\n");
}

// A file of another kind chosen for Import is said to be so, not to be checked for being
// there and readable, as the other failures are.
TEST(Import, AFileOfAnotherKindIsSaidToBeSo) {
    GridFixture f;
    const std::string log = dataPath("logs/sample.log");
    f.scripted.files.answers = {{log}};
    cmdQuelvane_Click(f.form, cmd::kImport);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{trapped("An error unhandled error has occured        \r\nNot a scan "
                                  "file: " +
                                  log +
                                  " 321        \r\nThe file named above is not one this command "
                                  "reads; choose another and try again.        ")});
}

TEST(Scan, RunsFromThePathThroughTheQuestionsToTheReport) {
    const std::string notFound = info(
        "Selected log file not found, this file may have been moved or deleted        \r\n"
        "Choose the log again with Load Log.        ");
    const std::string askScan = question("Scan selected log?        "),
                      askClear = question("Clear grid of all records?        "),
                      none = info("No violations added to grid        "),
                      one = info("1 violations found and added to grid        ");
    const std::string quiet = "a log without violations\n", kLog = "<the log>",
                      cheat = violation("Alpha", "0123456789abcdef0123456789abcdef");
    const auto yes = MsgResult::Yes, no = MsgResult::No;
    // Path, log, whether the grid holds rows, answers, boxes shown, and rows after.
    const std::tuple<std::string, std::string, bool, std::vector<MsgResult>,
                     std::vector<std::string>, int32_t>
        cases[] = {
            {"", "", true, {}, {}, 5},
            {"/no/such/folder/server.log", "", true, {}, {notFound}, 5},
            {kLog, quiet, true, {no}, {askScan}, 5},
            {kLog, quiet, true, {yes, no}, {askScan, askClear, none}, 5},
            {kLog, cheat, true, {yes, yes}, {askScan, askClear, one}, 3},
            // Cleared, nothing is left to lose: leaving once asked all the same.
            {kLog, quiet, true, {yes, yes}, {askScan, askClear, none}, 1},
            {kLog, quiet, false, {}, {askScan, none}, 1},  // an empty grid is not offered
        };
    ScratchFolder folder;
    const std::string logPath = folder.dir + "/server.log";
    for (const auto& [path, log, filled, answers, shown, rowsAfter] : cases) {
        GridFixture f;
        if (filled) f.addSampleRows();
        f.form.unsavedRows = filled;
        std::ofstream(logPath, std::ios::binary) << log;
        f.form.pnlLogPathToFile.setCaption(path == kLog ? logPath : path);
        f.scripted.messages.answers = {answers.begin(), answers.end()};
        cmdQuelvane_Click(f.form, cmd::kScan);
        SCOPED_TRACE(path + " " + log);
        EXPECT_EQ(boxes(f.scripted.messages.shown), shown);
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), rowsAfter);
        EXPECT_EQ(f.form.unsavedRows, rowsAfter > 1);
    }
}

// Load log folder names the folder and its number of logs; Scan reads its logs into one
// arranged grid (in name order: the log folder's test).
TEST(LoadLogFolder, ScanReadsEveryLogOfTheFolder) {
    ScratchFolder folder;
    const std::string& dir = folder.dir;
    std::filesystem::create_directories(dir + "/empty");
    const std::string guid = "0123456789abcdef0123456789abcdef";
    std::ofstream(dir + "/10.log") << violation("Zed", guid);
    std::ofstream(dir + "/2.log") << violation("Amy", guid) << violation("Zed", guid);
    std::ofstream(dir + "/notes.txt") << violation("Nobody", guid);
    GridFixture f;
    f.scripted.files.answers = {{dir}, {dir + "/empty"}, {}};
    f.scripted.messages.answers = {MsgResult::Yes};
    SSActiveToolBars1_ToolClick(f.form, "ID_LoadLogFolder...", {});
    ASSERT_EQ(f.scripted.files.requests.size(), 1u);
    EXPECT_TRUE(f.scripted.files.requests[0].folder);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), dir + " (2 log files)");
    cmdQuelvane_Click(f.form, cmd::kScan);  // asked first, as for a log
    EXPECT_EQ(f.scripted.messages.shown.back().prompt,
              "3 violations found and added to grid        ");
    // Arranged once: a group row for each player.
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 1 + 2 + 3);
    f.scripted.messages.shown.clear();
    SSActiveToolBars1_ToolClick(f.form, "ID_LoadLogFolder...", {});
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), dir + "/empty (0 log files)");
    cmdQuelvane_Click(f.form, cmd::kScan);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{info(
                  "The folder holds no .log files; choose another with Load log folder.        ")});
    SSActiveToolBars1_ToolClick(f.form, "ID_LoadLogFolder...", {});  // cancelled: kept
    EXPECT_EQ(f.form.logFolder, dir + "/empty");
}

// One data row, and stand-ins for the database routines that note
// what they were asked to do.
struct MenuFixture : GridFixture {
    MenuFixture() {
        add({"Bob", "(AIMBOT)", "50001", "[x]", "(slot #3)", "bbbb", "10.0.0.2:1"});
        form.unload = [this] { effects += "unload "; };
        // The hourglass shows while each runs: a reset of many bans takes seconds.
        actions.resetDatabase = [this](MainForm&) { return effects += busy("reset "), result; };
        actions.backUpBeforeReset = [this](MainForm&, std::string& path, std::string& why) {
            path = "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip";
            why = "it could not be backed up first: disk full";
            return effects += busy("zip "), zipped;
        };
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
    bool result = true, zipped = true;
};

TEST(MenuCommands, OnlyTheExactToolIdsRunTheirToolsAndTheDatabaseToolsReport) {
    const auto yes = MsgResult::Yes;
    const std::string ask = question("WARNING, all data will be lost, continue?        "),
                      reset = info(
                          "Database has been successfully reset        \r\nThe bans were zipped "
                          "first to /opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip        "),
                      notReset = box("Database could not be reset        ", MsgButtons::Ok,
                                     MsgIcon::Exclamation),
                      backedUp = info(
                          "Database has been successfully backed up to "
                          "/opt/tallyhound/05-12-2003_20-09-59_Vandrel.zip        ");
    // A failed backup says what to do under its own words.
    const std::string notBackedUp =
        box("Database could not be backed up        \r\nCheck that the ban database is at " +
                databasePath() + " and that its folder can be written to.        ",
            MsgButtons::Ok, MsgIcon::Exclamation);
    // Tool, answers to questions, the database routine's result, boxes shown, what ran.
    const std::vector<std::tuple<std::string, std::vector<MsgResult>, bool,
                                 std::vector<std::string>, std::string>>
        cases = {
            // Return on the question presses its default, No: the ban table is kept.
            {"ID_ResetDatabase", {}, true, {ask}, ""},
            // The bans are zipped before they go.
            {"ID_ResetDatabase", {yes}, true, {ask, reset}, "zip reset "},
            // After the failed reset's own report, a box says nothing was reset.
            {"ID_ResetDatabase", {yes}, false, {ask, notReset}, "zip reset "},
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
    // Bans that could not be zipped are not reset.
    MenuFixture f;
    f.scripted.messages.answers = {yes};
    f.zipped = false;
    f.click("ID_ResetDatabase");
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              (std::vector{ask,
                           box("Database not reset: it could not be backed up first: disk full  "
                               "      ",
                               MsgButtons::Ok, MsgIcon::Exclamation),
                           notReset}));
    EXPECT_EQ(f.effects, "zip ");
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
              std::vector{box("Database could not be backed up        \r\n"
                              "postgresql://***@db.example/bans is a PostgreSQL database; "
                              "back it up with pg_dump        ",
                              MsgButtons::Ok, MsgIcon::Exclamation)});
}

TEST(MenuCommands, AWebLinkThatFailsIsReportedAndTheProgramGoesOn) {
    MenuFixture f;
    f.scripted.shell.result = 28;  // the shell timed out
    runMenuTool(f.form, "ID_Oakmere", f.actions);
    f.scripted.shell.result = 31;  // an address nothing handles is not an error
    runMenuTool(f.form, "ID_Punkbuster", f.actions);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{trapped("The menu command could not be completed        \r\n"
                                  "DDE timeout -2147203456        \r\n"
                                  "Open the address in your web browser yourself.        ")});
}

}  // namespace
}  // namespace th::test
