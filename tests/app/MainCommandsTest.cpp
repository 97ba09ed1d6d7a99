#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/MainCommands.h"
#include "platform/CFileOpenSaveDialog.h"
#include "tests/app/GridFixture.h"

namespace th {
namespace {

using test::GridFixture;

const std::string kPadded = "        ";

struct TempLog {
    std::filesystem::path path;
    explicit TempLog(const std::string& content) {
        path = std::filesystem::temp_directory_path() /
               ("tallyhound-dispatch-" + std::to_string(::getpid()) + ".log");
        std::ofstream(path, std::ios::binary) << content;
    }
    ~TempLog() { std::filesystem::remove(path); }
};

TEST(LoadLog, AsksForALogAndShowsItsPathWithoutScanning) {
    GridFixture f;
    f.form.hWnd = 7;
    f.scripted.files.liveWindows = {7};
    f.scripted.files.answers.push_back({"/srv/pb/logs/pb000123.log"});
    cmdQuelvane_Click(f.form, cmd::kLoadLog);

    ASSERT_EQ(f.scripted.files.requests.size(), 1u);
    const FileChooserRequest& r = f.scripted.files.requests[0];
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, "Select Punkbuster log");
    ASSERT_EQ(r.filters.size(), 1u);
    EXPECT_EQ(r.filters[0].first, "Punkbuster log (*.log)");
    EXPECT_EQ(r.filters[0].second, "*.log");
    EXPECT_EQ(r.defaultExt, "log");
    EXPECT_EQ(r.flags, 0x181808u | 0x20u);  // centring adds the hook bit
    EXPECT_TRUE(r.center);
    EXPECT_EQ(r.owner, 7);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/srv/pb/logs/pb000123.log");
    EXPECT_TRUE(f.scripted.messages.shown.empty());
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 1);
}

TEST(LoadLog, CancelKeepsThePathPanel) {
    GridFixture f;
    f.form.pnlLogPathToFile.setCaption("/old/server.log");
    f.scripted.files.answers.push_back({});
    cmdQuelvane_Click(f.form, cmd::kLoadLog);
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/old/server.log");
    EXPECT_TRUE(f.scripted.messages.shown.empty());
}

TEST(Dispatch, ATrappedErrorShowsTheErrorBoxAndEndsTheCommand) {
    GridFixture f;
    f.form.hWnd = 99;  // names no live window: the dialog refuses it as owner
    f.form.pnlLogPathToFile.setCaption("/old/server.log");
    cmdQuelvane_Click(f.form, cmd::kLoadLog);

    ASSERT_EQ(f.scripted.messages.shown.size(), 1u);
    const auto& box = f.scripted.messages.shown[0];
    EXPECT_EQ(box.prompt, "An error unhandled error has occured" + kPadded +
                              "\r\nInvalid window handle -2147204043" + kPadded);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, kPadded);
    EXPECT_TRUE(f.scripted.files.requests.empty());
    EXPECT_EQ(f.form.pnlLogPathToFile.caption(), "/old/server.log");
}

TEST(Scan, EmptyPathDoesNothing) {
    GridFixture f;
    cmdQuelvane_Click(f.form, cmd::kScan);
    EXPECT_TRUE(f.scripted.messages.shown.empty());
    EXPECT_EQ(f.scripted.events.processed, 0);
}

TEST(Scan, AMissingLogIsReportedAndTheGridKept) {
    GridFixture f;
    f.addSampleRows();
    f.form.pnlLogPathToFile.setCaption("/no/such/folder/server.log");
    cmdQuelvane_Click(f.form, cmd::kScan);
    ASSERT_EQ(f.scripted.messages.shown.size(), 1u);
    const auto& box = f.scripted.messages.shown[0];
    EXPECT_EQ(box.prompt,
              "Selected log file not found, this file may have been moved or deleted" + kPadded);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.title, "Quelvane - tallyhound");
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 5);
}

TEST(Scan, AFolderIsNotALogFile) {
    GridFixture f;
    f.form.pnlLogPathToFile.setCaption(std::filesystem::temp_directory_path().string());
    cmdQuelvane_Click(f.form, cmd::kScan);
    ASSERT_EQ(f.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(f.scripted.messages.shown[0].prompt.rfind("Selected log file not found", 0), 0u);
}

TEST(Scan, NoToScanSelectedLogEndsWithoutTouchingAnything) {
    GridFixture f;
    f.addSampleRows();
    TempLog log("nothing to see here\n");
    f.form.pnlLogPathToFile.setCaption(log.path.string());
    f.scripted.messages.answers = {MsgResult::No};
    cmdQuelvane_Click(f.form, cmd::kScan);
    ASSERT_EQ(f.scripted.messages.shown.size(), 1u);
    const auto& box = f.scripted.messages.shown[0];
    EXPECT_EQ(box.prompt, "Scan selected log?" + kPadded);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.title, "Quelvane - tallyhound");
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 5);
    EXPECT_EQ(f.scripted.events.processed, 0);
}

TEST(Scan, AsksToClearAFilledGridAndReportsWhatTheScanAdded) {
    struct Case {
        MsgResult clear;
        int32_t rowsAfter;
    };
    for (Case c : {Case{MsgResult::Yes, 1}, Case{MsgResult::No, 5}}) {
        GridFixture f;
        f.addSampleRows();
        TempLog log("a log without violations\n");
        f.form.pnlLogPathToFile.setCaption(log.path.string());
        f.scripted.messages.answers = {MsgResult::Yes, c.clear};
        cmdQuelvane_Click(f.form, cmd::kScan);

        const auto& shown = f.scripted.messages.shown;
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[1].prompt, "Clear grid of all records?" + kPadded);
        EXPECT_EQ(shown[1].buttons, MsgButtons::YesNo);
        EXPECT_EQ(shown[1].icon, MsgIcon::Question);
        EXPECT_EQ(shown[2].prompt, "No violations added to grid" + kPadded);
        EXPECT_EQ(shown[2].icon, MsgIcon::Information);
        EXPECT_EQ(shown[2].buttons, MsgButtons::Ok);
        EXPECT_EQ(f.scripted.events.processed, 1);  // one pass before the scan
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), c.rowsAfter);
    }
}

TEST(Scan, AnEmptyGridIsNotOfferedForClearing) {
    GridFixture f;
    TempLog log("a log without violations\n");
    f.form.pnlLogPathToFile.setCaption(log.path.string());
    cmdQuelvane_Click(f.form, cmd::kScan);
    ASSERT_EQ(f.scripted.messages.shown.size(), 2u);
    EXPECT_EQ(f.scripted.messages.shown[0].prompt, "Scan selected log?" + kPadded);
    EXPECT_EQ(f.scripted.messages.shown[1].prompt, "No violations added to grid" + kPadded);
}

TEST(Dispatch, ExitUnloadsTheWindowWithoutAsking) {
    GridFixture f;
    f.addSampleRows();
    int unloads = 0;
    f.form.unload = [&] { ++unloads; };
    cmdQuelvane_Click(f.form, cmd::kExit);
    EXPECT_EQ(unloads, 1);
    EXPECT_TRUE(f.scripted.messages.shown.empty());
}

TEST(Dispatch, GridCommandsDoNothingOnAnEmptyGridAndUnknownIndexesNothingAtAll) {
    for (int16_t index :
         {cmd::kHtml, cmd::kMerge, cmd::kSave, int16_t{7}, int16_t{-1}, int16_t{100}}) {
        GridFixture f;
        int unloads = 0;
        f.form.unload = [&] { ++unloads; };
        cmdQuelvane_Click(f.form, index);
        EXPECT_TRUE(f.scripted.messages.shown.empty()) << index;
        EXPECT_TRUE(f.scripted.files.requests.empty()) << index;
        EXPECT_EQ(f.scripted.cursor.history.size(), 0u) << index;
        EXPECT_EQ(unloads, 0) << index;
        EXPECT_EQ(f.form.vsFlexGrid1.rows(), 1) << index;
    }
}

}  // namespace
}  // namespace th
