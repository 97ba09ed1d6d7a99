#include <gtest/gtest.h>
#include <unistd.h>

#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/GuiThreadPorts.h"
#include "app/MainCommands.h"
#include "app/ViolationGridView.h"
#include "app/frmMain.h"
#include "bans/NewDatabase.h"
#include "bans/Paths.h"
#include "platform/Error.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"

namespace th {
namespace {

namespace fs = std::filesystem;
using test::box;
using test::boxes;

// Message boxes that note the thread they were shown on and can act when one is asked.
struct WatchedMessages : test::ScriptedMessages {
    std::vector<bool> onGuiThread;
    std::function<void(const std::string&)> onShow;
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title, MsgResult defaultButton) override {
        onGuiThread.push_back(QThread::currentThread() == qApp->thread());
        if (onShow) onShow(prompt);
        return ScriptedMessages::show(prompt, buttons, icon, title, defaultButton);
    }
};

// A log of about 3 MB: many quiet lines with a violation every hundred, so a scan
// spans many blocks and a stop lands in the middle of it.
fs::path writeLongLog(int violations) {
    const fs::path path =
        fs::temp_directory_path() / ("tallyhound-long-" + std::to_string(::getpid()) + ".log");
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < violations; ++i) {
        for (int q = 0; q < 99; ++q) out << "[04.16.2017 21:03:11] PunkBuster Server: quiet line\n";
        out << "[04.16.2017 21:03:11] VIOLATION (AIMBOT) #50001: Player_" << i % 50
            << " (slot #1) Aimbot [0123456789abcdef0123456789abcd" << i % 50
            << "(VALID) 192.0.2.1:27960]\n";
    }
    return path;
}

TEST(GuiThreadPorts, AWorkersCallsRunOnTheGuiThreadAndTheirAnswersAndFailuresComeBack) {
    test::ScriptedPorts scripted;
    WatchedMessages messages;
    struct FailingFiles : test::ScriptedFiles {
        std::vector<std::string> choose(const FileChooserRequest&) override {
            throw Error(5, "tallyhound", "refused");
        }
    } files;
    Ports inner{messages, files, scripted.cursor, scripted.events, scripted.shell};
    GuiThreadPorts gui(inner);
    messages.answers = {MsgResult::No};
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
    EXPECT_EQ(messages.onGuiThread, std::vector<bool>{true});
    EXPECT_EQ(scripted.cursor.history, std::vector<int16_t>{11});
    EXPECT_EQ(scripted.events.processed + scripted.events.repaints, 0);
    EXPECT_EQ(failure, "refused");
    // On the GUI thread itself the calls go straight through.
    gui.ports().events.processEvents();
    EXPECT_EQ(scripted.events.processed, 1);
}

struct WorkingWindow : test::DatabaseBesideProgram {
    test::ScriptedPorts scripted;
    WatchedMessages messages;
    Ports ports{messages, scripted.files, scripted.cursor, scripted.events, scripted.shell};
    frmMain window{&ports};
    WorkingWindow() { scripted.files.liveWindows = {window.hWnd()}; }
    bool finish() {
        return QTest::qWaitFor([&] { return !window.busy(); }, 20000);
    }
    std::vector<QWidget*> starters() {
        std::vector<QWidget*> out{window.menuBar()};
        for (int i = 0; i < 7; ++i) out.push_back(window.cmdQuelvane(i));
        return out;
    }
};

TEST(BackgroundWork, AScanRunsOffTheGuiThreadWithNothingElseStartableMeanwhile) {
    const fs::path log = writeLongLog(300);
    WorkingWindow w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    w.window.form().pnlLogPathToFile.setCaption(log.string());
    w.window.cmdQuelvane_Click(cmd::kScan);
    ASSERT_TRUE(w.window.busy());
    for (QWidget* starter : w.starters()) EXPECT_FALSE(starter->isEnabled());
    EXPECT_TRUE(w.window.cmdCancel()->isVisible());
    w.window.cmdQuelvane_Click(cmd::kImport);  // refused while the scan runs
    ASSERT_TRUE(w.finish());
    EXPECT_TRUE(w.scripted.files.requests.empty());
    EXPECT_EQ(boxes(w.messages.shown),
              (std::vector<std::string>{
                  box("Scan selected log?        ", MsgButtons::YesNo, MsgIcon::Question),
                  box("300 violations found and added to grid        ", MsgButtons::Ok,
                      MsgIcon::Information)}));
    EXPECT_EQ(w.messages.onGuiThread, (std::vector<bool>{true, true}));
    for (QWidget* starter : w.starters()) EXPECT_TRUE(starter->isEnabled());
    EXPECT_FALSE(w.window.cmdCancel()->isVisible());
    // The view shows the arranged grid again: 50 players.
    EXPECT_EQ(w.window.vsFlexGrid1()->model()->rowCount(), 50);
    EXPECT_TRUE(w.window.form().unsavedRows);
    fs::remove(log);
}

TEST(BackgroundWork, ACancelledScanKeepsItsRowsOnlyWhenTheUserSaysSo) {
    const fs::path log = writeLongLog(2000);
    for (MsgResult keep : {MsgResult::No, MsgResult::Yes}) {
        WorkingWindow w;
        w.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
        w.window.form().pnlLogPathToFile.setCaption(log.string());
        // Cancel is pressed as soon as the scan is confirmed: it stops after its first block.
        w.messages.onShow = [&](const std::string& prompt) {
            if (prompt.starts_with("Scan selected log?")) w.window.cmdCancel()->click();
        };
        w.messages.answers = {MsgResult::Yes, keep};
        w.window.cmdQuelvane_Click(cmd::kScan);
        ASSERT_TRUE(w.finish());
        ASSERT_EQ(w.messages.shown.size(), 2u);
        const std::string asked = w.messages.shown[1].prompt;
        EXPECT_TRUE(asked.starts_with("Scan cancelled. Keep the ") &&
                    asked.ends_with(" violations found so far?        "))
            << asked;
        const int found = std::stoi(asked.substr(25));
        EXPECT_GT(found, 0);
        EXPECT_LT(found, 2000);
        const FlexGrid& g = w.window.form().vsFlexGrid1;
        if (keep == MsgResult::No) {
            EXPECT_EQ(g.rows(), 1);
            EXPECT_FALSE(w.window.form().unsavedRows);
        } else {
            // Kept rows are arranged into their groups.
            EXPECT_EQ(g.rows(), 1 + found + w.window.vsFlexGrid1()->model()->rowCount());
            EXPECT_TRUE(g.isSubtotal(1));
            EXPECT_TRUE(w.window.form().unsavedRows);
        }
    }
    fs::remove(log);
}

TEST(BackgroundWork, ACancelledMergeChangesNeitherTheBanFileNorTheDatabase) {
    test::GridFixture f;
    f.addSampleRows();
    const fs::path dir =
        fs::temp_directory_path() / ("tallyhound-cancel-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string bans = (dir / "pbbans.dat").string(), db = (dir / "Vandrel.mdb").string();
    std::ofstream(bans, std::ios::binary)
        << "[06.01.2003 20:09:59] 0123456789abcdef0123456789abcdef \"Old\" \"1.2.3.4\" \"x\"\r\n";
    ASSERT_TRUE(createDatabase(db));
    setDatabasePath(db);
    const auto before = fs::last_write_time(bans);
    f.scripted.files.answers = {{bans}};
    f.form.cancel.request();  // Cancel pressed once the merge is under way
    cmdQuelvane_Click(f.form, cmd::kMerge);
    EXPECT_EQ(boxes(f.scripted.messages.shown).back(),
              box("Merge cancelled: the ban file and the ban database are as they were.        ",
                  MsgButtons::Ok, MsgIcon::Information));
    EXPECT_EQ(fs::last_write_time(bans), before);
    EXPECT_FALSE(f.form.prgScanning.visible());
    setDatabasePath({});
    fs::remove_all(dir);
}

}  // namespace
}  // namespace th
