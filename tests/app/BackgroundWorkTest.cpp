#include <gtest/gtest.h>

#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <fstream>

#include "app/MainCommands.h"
#include "app/ViolationGridView.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/ThreadLimit.h"

namespace th::test {
namespace {

// A log of many quiet lines with a violation every hundred, so a scan spans many blocks
// and a stop lands in the middle of it.
std::string writeLongLog(const std::string& path, int violations) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < violations; ++i) {
        for (int q = 0; q < 99; ++q) out << "[04.16.2017 21:03:11] PunkBuster Server: quiet line\n";
        out << "[04.16.2017 21:03:11] VIOLATION (AIMBOT) #50001: Player_" << i % 50
            << " (slot #1) Aimbot [0123456789abcdef0123456789abcd" << i % 50
            << "(VALID) 192.0.2.1:27960]\n";
    }
    return path;
}

TEST(BackgroundWork, AScanRunsOffTheGuiThreadAndACancelledOneKeepsRowsOnlyOnYes) {
    ScratchFolder folder;
    const std::string shortLog = writeLongLog(folder.dir + "/300.log", 300),
                      longLog = writeLongLog(folder.dir + "/2000.log", 2000);
    {
        Window w;
        ASSERT_TRUE(w.shown());
        std::vector<QWidget*> starters{w.window.menuBar()};
        for (int i = 0; i < 7; ++i) starters.push_back(w.window.cmdQuelvane(i));
        w.window.form().pnlLogPathToFile.setCaption(shortLog);
        w.window.cmdQuelvane_Click(cmd::kScan);
        ASSERT_TRUE(w.window.busy());
        for (QWidget* starter : starters) EXPECT_FALSE(starter->isEnabled());
        w.window.close();  // Alt+F4 while the scan runs: refused, and said why
        EXPECT_TRUE(w.window.isVisible());
        EXPECT_EQ(w.window.statusBar()->currentMessage(),
                  "Still working: press Cancel, then close.");
        w.window.cmdQuelvane_Click(cmd::kImport);  // refused while the scan runs
        ASSERT_TRUE(w.finished());
        EXPECT_TRUE(w.scripted.files.requests.empty());
        EXPECT_EQ(w.scripted.messages.shown.back().prompt,
                  "300 violations found and added to grid        ");
        for (QWidget* starter : starters) EXPECT_TRUE(starter->isEnabled());
        EXPECT_TRUE(w.window.form().unsavedRows);

        // Asked whether to clear the grid, the user still sees its rows: the view let go of
        // the grid before the question, and showed an empty one. Nor does a bar run while
        // the work waits on the answer.
        int shownWhileAsked = -1;
        bool barWhileAsked = true;
        w.scripted.messages.onShow = [&](const std::string& prompt) {
            if (!prompt.starts_with("Clear grid of all records?")) return;
            shownWhileAsked = w.window.vsFlexGrid1()->model()->rowCount();
            barWhileAsked = w.window.prgScanning()->isVisible();
        };
        const int shownBefore = w.window.vsFlexGrid1()->model()->rowCount();
        w.scripted.messages.answers = {MsgResult::Yes, MsgResult::No};
        w.window.cmdQuelvane_Click(cmd::kScan);
        ASSERT_TRUE(w.finished());
        EXPECT_GT(shownBefore, 0);
        EXPECT_EQ(shownWhileAsked, shownBefore);
        EXPECT_FALSE(barWhileAsked);
    }
    for (MsgResult keep : {MsgResult::No, MsgResult::Yes}) {
        Window w;
        ASSERT_TRUE(w.shown());
        w.window.form().pnlLogPathToFile.setCaption(longLog);
        // Cancel pressed, or Escape; a close asked for then is told that the work is
        // stopping (the greyed Cancel could not be pressed again).
        std::string closing;
        w.scripted.messages.onShow = [&](const std::string& prompt) {
            if (!prompt.starts_with("Scan selected log?")) return;
            if (keep == MsgResult::No)
                QTest::keyClick(&w.window, Qt::Key_Escape);
            else
                w.window.cmdCancel()->click();
            w.window.close();
            closing = w.window.statusBar()->currentMessage().toStdString();
        };
        w.scripted.messages.answers = {MsgResult::Yes, keep};
        w.window.cmdQuelvane_Click(cmd::kScan);
        ASSERT_TRUE(w.finished());
        EXPECT_EQ(closing, "Stopping: close once it has stopped.");
        ASSERT_EQ(w.scripted.messages.shown.size(), 2u);
        const std::string asked = w.scripted.messages.shown[1].prompt;
        const int found = std::atoi(asked.c_str() + 25);
        EXPECT_EQ(asked, "Scan cancelled. Keep the " + std::to_string(found) +
                             " violations found so far?        ");
        EXPECT_TRUE(found > 0 && found < 2000) << found;
        EXPECT_EQ(w.window.form().unsavedRows, keep == MsgResult::Yes);
        EXPECT_FALSE(w.window.form().cancel.requested()) << "a later lifting would stop at once";
        // Kept rows are arranged into their groups.
        EXPECT_EQ(
            w.window.form().vsFlexGrid1.rows(),
            keep == MsgResult::No ? 1 : 1 + found + w.window.vsFlexGrid1()->model()->rowCount());
    }
}

// Where no thread can be started for a command (a limit on a user's threads), the window
// runs it itself rather than waiting for a thread that never comes. The child only checks
// the window, never lets it paint: Qt paints on threads of its own.
TEST(BackgroundWork, ACommandWithoutAThreadRunsAndTheWindowComesBack) {
    ScratchFolder folder;
    const std::string log = writeLongLog(folder.dir + "/30.log", 30);
    Window w;
    ASSERT_TRUE(w.shown());
    w.window.form().pnlLogPathToFile.setCaption(log);
    const int status = underThreadLimit({folder.dir, log}, [&] {
        w.window.cmdQuelvane_Click(cmd::kScan);
        return w.finished() && w.window.cmdQuelvane(cmd::kScan)->isEnabled() &&
               w.window.form().vsFlexGrid1.rows() > 30 &&
               w.scripted.messages.shown.back().prompt ==
                   "30 violations found and added to grid        ";
    });
    if (status == kNoThreadLimit) GTEST_SKIP() << "no limit on threads could be set";
    EXPECT_EQ(status, 0);
}

using BackgroundMerge = BanFolderTest;

// Cancel pressed once the merge is under way leaves the ban file as it was, and says so.
TEST_F(BackgroundMerge, ACancelledMergeChangesNeitherTheBanFileNorTheDatabase) {
    GridFixture f;
    f.addSampleRows();
    writeBytes(bans,
               "[06.01.2003 20:09:59] 0123456789abcdef0123456789abcdef \"Old\" \"1.2.3.4\" "
               "\"x\"\r\n");
    const auto before = std::filesystem::last_write_time(bans);
    f.scripted.files.answers = {{bans}};
    f.form.cancel.request();
    cmdQuelvane_Click(f.form, cmd::kMerge);
    EXPECT_EQ(boxes(f.scripted.messages.shown).back(),
              info("Merge cancelled: the ban file and the ban database are as they were.        "));
    EXPECT_EQ(std::filesystem::last_write_time(bans), before);
}

}  // namespace
}  // namespace th::test
