#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "app/MainCommands.h"
#include "app/MenuCommands.h"
#include "tests/app/GridFixture.h"
#include "tests/support/Files.h"

namespace th {
namespace {

using test::box;
using test::boxes;
using test::GridFixture;

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
              std::vector{box("An error unhandled error has occured        \r\n"
                              "Invalid window handle -2147204043        \r\n"
                              "Check the file named above (is it there, can it be read or "
                              "written?) and try again.        ",
                              MsgButtons::Ok, MsgIcon::Exclamation, "        ")});
    EXPECT_EQ(f.scripted.files.requests.size(), 2u);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/srv/pb/logs/pb000123.log");
}

// Save and HTML refuse a log loaded for scanning, alone or in its folder, whatever name
// leads to it: a Yes to "replace?" replaced the server's log with the rows found in it.
TEST(SaveAndHtml, ALogLoadedForScanningIsNotWrittenOver) {
    test::ScratchFolder folder;
    const std::string log = folder.dir + "/a.log", other = folder.dir + "/B.LOG",
                      link = folder.dir + "/link.html";
    test::writeBytes(log, "the server's log\n");
    test::writeBytes(other, "another\n");
    std::filesystem::create_symlink(log, link);
    const auto refused = [](const std::string& path, const std::string& advice) {
        return box("An error " +
                       std::string(path.ends_with(".html") ? "has occured during a "
                                                             "creating of this HTML file"
                                                           : "unhandled error has occured") +
                       "        \r\nNot written: " + path + " is a log loaded for scanning 68" +
                       "        \r\n" + advice + "        ",
                   MsgButtons::Ok, MsgIcon::Exclamation, "        ");
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
    EXPECT_EQ(
        boxes(f.scripted.messages.shown),
        (std::vector{refused(log, "Choose another name and try again; nothing was written."),
                     refused(link, "Choose another name and try again; no page was written."),
                     refused(other, "Choose another name and try again; nothing was written.")}));
    EXPECT_EQ(test::readBytes(log), "the server's log\n");
    EXPECT_EQ(test::readBytes(other), "another\n");
}

// A file of another kind chosen for Import is said to be so, not to be checked for being
// there and readable, as the other failures are.
TEST(Import, AFileOfAnotherKindIsSaidToBeSo) {
    GridFixture f;
    const std::string log = test::dataPath("logs/sample.log");
    f.scripted.files.answers = {{log}};
    cmdQuelvane_Click(f.form, cmd::kImport);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{box("An error unhandled error has occured        \r\n"
                              "Not a scan file: " +
                                  log +
                                  " 321        \r\n"
                                  "The file named above is not one this command reads; choose "
                                  "another and try again.        ",
                              MsgButtons::Ok, MsgIcon::Exclamation, "        ")});
}

TEST(Scan, RunsFromThePathThroughTheQuestionsToTheReport) {
    const auto ok = MsgButtons::Ok, yesNo = MsgButtons::YesNo;
    const auto info = MsgIcon::Information, question = MsgIcon::Question;
    const std::string notFound =
        box("Selected log file not found, this file may have been moved or deleted        \r\n"
            "Choose the log again with Load Log.        ",
            ok, info);
    const std::string askScan = box("Scan selected log?        ", yesNo, question);
    const std::string askClear = box("Clear grid of all records?        ", yesNo, question);
    const std::string none = box("No violations added to grid        ", ok, info);
    const std::string one = box("1 violations found and added to grid        ", ok, info);
    const std::string quiet = "a log without violations\n", kLog = "<the log>";
    const std::string cheat = test::violation("Alpha", "0123456789abcdef0123456789abcdef");
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
            {kLog, quiet, false, {}, {askScan, none}, 1},  // an empty grid is not offered
        };
    test::ScratchFolder folder;
    const std::string logPath = folder.dir + "/server.log";
    for (const auto& [path, log, filled, answers, shown, rowsAfter] : cases) {
        GridFixture f;
        if (filled) f.addSampleRows();
        std::ofstream(logPath, std::ios::binary) << log;
        f.form.pnlLogPathToFile.setCaption(path == kLog ? logPath : path);
        f.scripted.messages.answers = {answers.begin(), answers.end()};
        cmdQuelvane_Click(f.form, cmd::kScan);
        SCOPED_TRACE(path + " " + log);
        EXPECT_EQ(boxes(f.scripted.messages.shown), shown);
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), rowsAfter);
    }
}

// Load log folder names the folder and its number of logs; Scan reads its logs into one
// arranged grid (in name order: the log folder's test).
TEST(LoadLogFolder, ScanReadsEveryLogOfTheFolder) {
    test::ScratchFolder folder;
    const std::string& dir = folder.dir;
    std::filesystem::create_directories(dir + "/empty");
    auto line = [](const std::string& name) {
        return test::violation(name, "0123456789abcdef0123456789abcdef");
    };
    std::ofstream(dir + "/10.log") << line("Zed");
    std::ofstream(dir + "/2.log") << line("Amy") << line("Zed");
    std::ofstream(dir + "/notes.txt") << line("Nobody");
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
              (std::vector<std::string>{box(
                  "The folder holds no .log files; choose another with Load log folder.        ",
                  MsgButtons::Ok, MsgIcon::Information)}));
    SSActiveToolBars1_ToolClick(f.form, "ID_LoadLogFolder...", {});  // cancelled: kept
    EXPECT_EQ(f.form.logFolder, dir + "/empty");
}

}  // namespace
}  // namespace th
