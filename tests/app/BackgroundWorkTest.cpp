#include <gtest/gtest.h>

#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <thread>

#include "app/GuiThreadPorts.h"
#include "app/MainCommands.h"
#include "app/ViolationGridView.h"
#include "bans/NewDatabase.h"
#include "platform/Error.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/Files.h"

namespace th {
namespace {

using test::box;
using test::boxes;

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

// Whether each box was shown on the GUI thread.
void noteThreads(test::ScriptedMessages& messages, std::vector<bool>& onGui) {
    messages.onShow = [&onGui](const std::string&) {
        onGui.push_back(QThread::currentThread() == qApp->thread());
    };
}

TEST(GuiThreadPorts, AWorkersCallsRunOnTheGuiThreadAndTheirAnswersAndFailuresComeBack) {
    test::ScriptedPorts scripted;
    std::vector<bool> onGui;
    noteThreads(scripted.messages, onGui);
    struct FailingFiles : test::ScriptedFiles {
        std::vector<std::string> choose(const FileChooserRequest&) override {
            throw Error(5, "tallyhound", "refused");
        }
    } files;
    Ports inner{scripted.messages, files, scripted.cursor, scripted.events, scripted.shell};
    GuiThreadPorts gui(inner);
    scripted.messages.answers = {MsgResult::No};
    MsgResult answer = MsgResult::Ok;
    std::string failure;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        answer = gui.ports().messages.show("Scan selected log?", MsgButtons::YesNo,
                                           MsgIcon::Question, kMsgTitle);
        gui.ports().cursor.setShape(11);
        gui.ports().events.processEvents();  // a worker runs no events
        gui.ports().events.repaintNow();
        try {
            gui.ports().files.choose({});
        } catch (const Error& e) {
            failure = e.description();
        }
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answer, MsgResult::No);
    EXPECT_EQ(onGui, std::vector<bool>{true});
    EXPECT_EQ(scripted.cursor.history, std::vector<int16_t>{11});
    EXPECT_EQ(scripted.events.processed + scripted.events.repaints, 0);
    EXPECT_EQ(failure, "refused");
    // On the GUI thread itself the calls go straight through.
    gui.ports().events.processEvents();
    EXPECT_EQ(scripted.events.processed, 1);
}

// A scan runs on a worker with nothing else startable meanwhile. Cancel pressed as soon as
// it is confirmed stops it after its first block, and the rows found so far stay only
// when the user says so.
TEST(BackgroundWork, AScanRunsOffTheGuiThreadAndACancelledOneKeepsRowsOnlyOnYes) {
    test::ScratchFolder folder;
    const std::string shortLog = writeLongLog(folder.dir + "/300.log", 300),
                      longLog = writeLongLog(folder.dir + "/2000.log", 2000);
    {
        test::Window w;
        ASSERT_TRUE(w.shown());
        std::vector<QWidget*> starters{w.window.menuBar()};
        for (int i = 0; i < 7; ++i) starters.push_back(w.window.cmdQuelvane(i));
        w.window.form().pnlLogPathToFile.setCaption(shortLog);
        w.window.cmdQuelvane_Click(cmd::kScan);
        ASSERT_TRUE(w.window.busy());
        for (QWidget* starter : starters) EXPECT_FALSE(starter->isEnabled());
        EXPECT_TRUE(w.window.cmdCancel()->isVisible());
        w.window.cmdQuelvane_Click(cmd::kImport);  // refused while the scan runs
        ASSERT_TRUE(w.finished());
        EXPECT_TRUE(w.scripted.files.requests.empty());
        EXPECT_EQ(w.scripted.messages.shown.back().prompt,
                  "300 violations found and added to grid        ");
        for (QWidget* starter : starters) EXPECT_TRUE(starter->isEnabled());
        EXPECT_FALSE(w.window.cmdCancel()->isVisible());
        // The view shows the arranged grid again: 50 players.
        EXPECT_EQ(w.window.vsFlexGrid1()->model()->rowCount(), 50);
        EXPECT_TRUE(w.window.form().unsavedRows);
    }
    for (MsgResult keep : {MsgResult::No, MsgResult::Yes}) {
        test::Window w;
        ASSERT_TRUE(w.shown());
        w.window.form().pnlLogPathToFile.setCaption(longLog);
        w.scripted.messages.onShow = [&](const std::string& prompt) {
            if (prompt.starts_with("Scan selected log?")) w.window.cmdCancel()->click();
        };
        w.scripted.messages.answers = {MsgResult::Yes, keep};
        w.window.cmdQuelvane_Click(cmd::kScan);
        ASSERT_TRUE(w.finished());
        ASSERT_EQ(w.scripted.messages.shown.size(), 2u);
        const std::string asked = w.scripted.messages.shown[1].prompt;
        EXPECT_TRUE(asked.starts_with("Scan cancelled. Keep the ") &&
                    asked.ends_with(" violations found so far?        "))
            << asked;
        const int found = std::stoi(asked.substr(25));
        EXPECT_GT(found, 0);
        EXPECT_LT(found, 2000);
        const FlexGrid& g = w.window.form().vsFlexGrid1;
        EXPECT_EQ(w.window.form().unsavedRows, keep == MsgResult::Yes);
        // Kept rows are arranged into their groups.
        if (keep == MsgResult::No)
            EXPECT_EQ(g.rows(), 1);
        else
            EXPECT_EQ(g.rows(), 1 + found + w.window.vsFlexGrid1()->model()->rowCount());
    }
}

TEST(BackgroundWork, ACancelledMergeChangesNeitherTheBanFileNorTheDatabase) {
    test::GridFixture f;
    f.addSampleRows();
    test::ScratchFolder folder;
    const std::string bans = folder.dir + "/pbbans.dat", db = folder.dir + "/Vandrel.mdb";
    test::writeBytes(bans,
                     "[06.01.2003 20:09:59] 0123456789abcdef0123456789abcdef \"Old\" "
                     "\"1.2.3.4\" \"x\"\r\n");
    ASSERT_TRUE(createDatabase(db));
    setDatabasePath(db);
    const auto before = std::filesystem::last_write_time(bans);
    f.scripted.files.answers = {{bans}};
    f.form.cancel.request();  // Cancel pressed once the merge is under way
    cmdQuelvane_Click(f.form, cmd::kMerge);
    EXPECT_EQ(boxes(f.scripted.messages.shown).back(),
              box("Merge cancelled: the ban file and the ban database are as they were.        ",
                  MsgButtons::Ok, MsgIcon::Information));
    EXPECT_EQ(std::filesystem::last_write_time(bans), before);
    EXPECT_FALSE(f.form.prgScanning.visible());
    setDatabasePath({});
}

}  // namespace
}  // namespace th
