#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/MainCommands.h"
#include "tests/app/GridFixture.h"

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

    ASSERT_EQ(f.scripted.files.requests.size(), 1u);
    const FileChooserRequest& r = f.scripted.files.requests[0];
    EXPECT_EQ(r.title, "Select Punkbuster log");
    EXPECT_EQ(r.filters, (decltype(r.filters){{"Punkbuster log (*.log)", "*.log"}}));
    EXPECT_EQ(r.defaultExt, "log");
    EXPECT_EQ(r.flags, 0x181808u | 0x20u);  // centring adds the hook bit
    EXPECT_TRUE(!r.save && r.center && r.owner == 7);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/srv/pb/logs/pb000123.log");
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 1);

    cmdQuelvane_Click(f.form, cmd::kLoadLog);  // cancelled
    EXPECT_EQ(f.scripted.files.requests.size(), 2u);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/srv/pb/logs/pb000123.log");
    EXPECT_TRUE(f.scripted.messages.shown.empty());

    // A trapped error shows the error box and ends the command: the dialog refuses an
    // owner that names no live window.
    f.form.hWnd = 99;
    cmdQuelvane_Click(f.form, cmd::kLoadLog);
    EXPECT_EQ(boxes(f.scripted.messages.shown),
              std::vector{box("An error unhandled error has occured        \r\n"
                              "Invalid window handle -2147204043        ",
                              MsgButtons::Ok, MsgIcon::Exclamation, "        ")});
    EXPECT_EQ(f.scripted.files.requests.size(), 2u);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/srv/pb/logs/pb000123.log");
}

TEST(Scan, RunsFromThePathThroughTheQuestionsToTheReport) {
    const auto ok = MsgButtons::Ok, yesNo = MsgButtons::YesNo;
    const auto info = MsgIcon::Information, question = MsgIcon::Question;
    const std::string notFound = box(
        "Selected log file not found, this file may have been moved or deleted        ", ok, info);
    const std::string askScan = box("Scan selected log?        ", yesNo, question);
    const std::string askClear = box("Clear grid of all records?        ", yesNo, question);
    const std::string none = box("No violations added to grid        ", ok, info);
    const std::string one = box("1 violations found and added to grid        ", ok, info);
    const std::string quiet = "a log without violations\n";
    const std::string violation =
        "[07.12.2002 21:14:03] VIOLATION (AIMBOT) #50001: Alpha (slot #1) Aimbot detected "
        "[0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]\n";
    const std::string kLog = "<the log>", folder = std::filesystem::temp_directory_path();
    const auto yes = MsgResult::Yes, no = MsgResult::No;
    struct Case {
        std::string path, log;
        bool filled;
        std::vector<MsgResult> answers;
        std::vector<std::string> shown;
        int32_t rowsAfter;
        int events;  // the command's pass before the scan, then the scanner's own
    };
    const Case cases[] = {
        {"", "", true, {}, {}, 5, 0},
        {"/no/such/folder/server.log", "", true, {}, {notFound}, 5, 0},
        {folder, "", true, {}, {notFound}, 5, 0},
        {kLog, quiet, true, {no}, {askScan}, 5, 0},
        {kLog, quiet, true, {yes, yes}, {askScan, askClear, none}, 1, 2},
        {kLog, quiet, true, {yes, no}, {askScan, askClear, none}, 5, 2},
        {kLog, violation, true, {yes, yes}, {askScan, askClear, one}, 3, 2},
        {kLog, quiet, false, {}, {askScan, none}, 1, 2},  // an empty grid is not offered
    };
    const auto logPath = std::filesystem::temp_directory_path() /
                         ("tallyhound-dispatch-" + std::to_string(::getpid()) + ".log");
    for (const Case& c : cases) {
        GridFixture f;
        if (c.filled) f.addSampleRows();
        std::ofstream(logPath, std::ios::binary) << c.log;
        f.form.pnlLogPathToFile.setCaption(c.path == kLog ? logPath.string() : c.path);
        f.scripted.messages.answers = {c.answers.begin(), c.answers.end()};
        cmdQuelvane_Click(f.form, cmd::kScan);
        SCOPED_TRACE(c.path + " " + c.log);
        EXPECT_EQ(boxes(f.scripted.messages.shown), c.shown);
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), c.rowsAfter);
        EXPECT_EQ(f.scripted.events.processed, c.events);
    }
    std::filesystem::remove(logPath);
}

TEST(Dispatch, ExitUnloadsUnaskedGridCommandsNeedRowsAndUnknownIndexesDoNothing) {
    for (int16_t index :
         {cmd::kExit, cmd::kHtml, cmd::kMerge, cmd::kSave, int16_t{7}, int16_t{-1}, int16_t{100}}) {
        GridFixture f;
        int unloads = 0;
        f.form.unload = [&] { ++unloads; };
        cmdQuelvane_Click(f.form, index);
        EXPECT_EQ(unloads, index == cmd::kExit ? 1 : 0) << index;
        EXPECT_TRUE(f.scripted.messages.shown.empty() && f.scripted.files.requests.empty() &&
                    f.scripted.cursor.history.empty())
            << index;
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), 1) << index;
    }
}

}  // namespace
}  // namespace th
