#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <filesystem>
#include <fstream>

#include "app/StatisticsDialog.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/Files.h"

namespace th {
namespace {

namespace fs = std::filesystem;

struct Window : test::Window {
    QStringList recent() {
        emit window.recentMenu()->aboutToShow();
        QStringList out;
        for (QAction* a : window.recentMenu()->actions()) out << a->text();
        return out;
    }
};

TEST(WindowSettings, RecentLogsOpenAndAMissingOneLeavesTheListWithOneMessage) {
    QSettings().clear();
    test::ScratchFolder folder;
    const fs::path dir = folder.dir;
    for (const char* name : {"a.log", "b&c.log"}) std::ofstream(dir / name) << "\n";
    Window w;
    EXPECT_FALSE(w.window.recentMenu()->isEnabled());
    w.scripted.files.answers = {{(dir / "a.log").string()}, {(dir / "b&c.log").string()}};
    w.window.cmdQuelvane_Click(0);
    EXPECT_TRUE(w.window.recentMenu()->isEnabled()) << "it once stayed grey until a restart";
    w.window.cmdQuelvane_Click(0);
    const QString d = QString::fromStdString(dir.string());
    EXPECT_EQ(w.recent(), QStringList({"&1 " + d + "/b&&c.log", "&2 " + d + "/a.log"}));

    fs::remove(dir / "a.log");
    w.window.recentMenu()->actions().at(0)->trigger();  // still there: Load Log's effect
    EXPECT_EQ(w.window.form().pnlLogPathToFile.caption(), (dir / "b&c.log").string());
    w.window.recentMenu()->actions().at(1)->trigger();  // gone
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "The log " + (dir / "a.log").string() +
                  " is no longer there; it has been taken off the recent list.        ");
    EXPECT_EQ(w.recent(), QStringList({"&1 " + d + "/b&&c.log"}));
    EXPECT_EQ(w.window.form().pnlLogPathToFile.caption(), (dir / "b&c.log").string());

    // A long path keeps its file name in view; a tab shows as a space.
    const fs::path deep = dir / std::string(200, 'd') / std::string(200, 'e');
    fs::create_directories(deep);
    std::ofstream(deep / "tab\there.log") << "\n";
    w.scripted.files.answers = {{(deep / "tab\there.log").string()}};
    w.window.cmdQuelvane_Click(0);
    const QString shown = w.recent().at(0);
    EXPECT_TRUE(shown.endsWith("tab here.log")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LT(shown.size(), 120);
    EXPECT_EQ(w.window.recentMenu()->actions().at(0)->statusTip().toStdString(),
              (deep / "tab\there.log").string());
}

// A window remembered on a larger monitor comes back no larger than this screen, and on it;
// the statistics, designed larger than a small screen, fit it too. Their buttons were out
// of reach.
TEST(WindowSettings, WindowsFitTheScreen) {
    QSettings().clear();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    {
        QMainWindow larger;
        larger.setGeometry(-300, -200, work.width() * 3, work.height() * 2);
        QSettings().setValue("window/geometry", larger.saveGeometry());
    }
    Window w;
    const auto fits = [&](const QWidget& window) {
        return window.width() <= work.width() && window.height() <= work.height() &&
               work.contains(window.pos());
    };
    EXPECT_TRUE(fits(w.window)) << w.window.width() << "x" << w.window.height();
    StatisticsDialog statistics(w.window.form(), &w.window);
    EXPECT_TRUE(fits(statistics)) << statistics.width() << "x" << statistics.height();
    QSettings().clear();
}

// Settings that cannot be written are said at exit, once, and the window still goes; they
// were lost without a word.
TEST(WindowSettings, SettingsThatCannotBeSavedAreSaidAtExit) {
    QSettings().clear();
    const std::string file = QFile::encodeName(QSettings().fileName()).toStdString();
    fs::remove(file);
    fs::create_directories(file + "/blocked");  // a folder where the file should be
    Window w;
    ASSERT_TRUE(w.shown());
    w.window.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.window.isVisible(); }));
    fs::remove_all(file);
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "The window's size, columns, recent logs and choices could not be saved to " + file +
                  ": the next start will not remember this session's changes.        ");
    QSettings().clear();
}

}  // namespace
}  // namespace th
