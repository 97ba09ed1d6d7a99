#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "about/frmAbout.h"
#include "app/StatisticsDialog.h"
#include "app/ViolationGridView.h"
#include "bans/NewDatabase.h"
#include "bans/Paths.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/Files.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

// The recent logs' menu entries as it shows them.
QStringList recent(frmMain& window) {
    emit window.recentMenu()->aboutToShow();
    QStringList out;
    for (QAction* a : window.recentMenu()->actions()) out << a->text();
    return out;
}

TEST(frmMain, TheTitleBarClosesAsExitDoesAndAsksFirstWhenRowsWereNotKept) {
    Window w;
    ASSERT_TRUE(w.shown());
    w.window.form().unsavedRows = true;
    w.scripted.messages.answers = {MsgResult::No};
    w.window.close();  // the title bar's button
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.scripted.messages.shown.size() == 1; }));
    EXPECT_TRUE(w.window.isVisible());
    const ShownBox& asked = w.scripted.messages.shown[0];
    EXPECT_EQ(asked.prompt,
              "The grid holds violations that were not saved, exported or merged. Leave anyway?"
              "        ");
    EXPECT_TRUE(asked.buttons == MsgButtons::YesNo && asked.icon == MsgIcon::Question &&
                asked.defaultButton == MsgResult::No);

    w.scripted.messages.answers = {MsgResult::Yes};
    QTest::mouseClick(w.window.cmdQuelvane(2), Qt::LeftButton);  // Exit
    EXPECT_FALSE(w.window.isVisible());

    // Nothing unsaved: the title bar closes without a question.
    Window quiet;
    ASSERT_TRUE(quiet.shown());
    quiet.window.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !quiet.window.isVisible(); }));
    EXPECT_TRUE(quiet.scripted.messages.shown.empty());
}

// Import and Export from the menu run in the ban window, shown first with its progress and
// Cancel: they ran unseen, and meanwhile this window took a second change (two merges at
// once crashed) or Exit (the program hung with no window).
TEST(frmMain, BanImportAndExportFromTheMenuRunInTheBanWindowShownFirst) {
    Window w;
    ASSERT_TRUE(w.shown());
    ScratchFolder folder;
    createDatabase(folder.dir + "/Vandrel.mdb");
    setDatabasePath(folder.dir + "/Vandrel.mdb");
    for (const char* item : {"importBanFile", "exportBans"}) {
        QString shown;  // the window in front as the file chooser opens
        w.scripted.files.onChoose = [&] {
            if (QWidget* front = QApplication::activeModalWidget()) shown = front->windowTitle();
            QTimer::singleShot(0, [] {
                if (QWidget* open = QApplication::activeModalWidget()) open->close();
            });
        };
        w.scripted.files.answers = {{}};  // chooses nothing
        w.window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
        EXPECT_EQ(shown, "Ban database") << item;
    }
}

// Ctrl+F goes to the filter, and Tab from the log's button to the filter under it, then to
// the grid. The filter hides rows from view only and says so.
TEST(frmMain, TheFilterIsReachedByKeysAndHidesRowsFromViewOnly) {
    Window w;
    ASSERT_TRUE(w.shown());
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.window.cmdQuelvane(0)->setFocus();
    for (QWidget* next : std::vector<QWidget*>{w.window.txtFilter(), w.window.vsFlexGrid1()}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    for (const char* name : {"Alice", "Bob", "Alice"})
        w.window.form().vsFlexGrid1.addRow({name, "(AIMBOT)", "50000", "[x]", "s", "g", "i"});
    arrange(w.window.form());
    QTest::keyClick(&w.window, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(w.window.txtFilter()->hasFocus());
    QTest::keyClicks(w.window.txtFilter(), "bob");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window.vsFlexGrid1()->model()->rowCount() == 1; }));
    EXPECT_EQ(w.window.statusBar()->currentMessage(),
              "Filter on: 1 of 3 violations shown. Save, HTML and Merge still take every row.");
    QTest::keyClick(w.window.txtFilter(), Qt::Key_Escape);
    EXPECT_TRUE(w.window.txtFilter()->text().isEmpty());
    EXPECT_EQ(w.window.vsFlexGrid1()->model()->rowCount(), 2);
    EXPECT_TRUE(w.window.statusBar()->currentMessage().isEmpty());
}

// Every menu and menu command has an access key of its own within its menu, so the
// keyboard reaches each one (Alt+U, then D, then B browses the bans).
TEST(frmMain, EveryMenuEntryHasItsOwnAccessKey) {
    Window w;
    ASSERT_TRUE(w.shown());
    std::function<void(const QList<QAction*>&, const QString&)> check =
        [&](const QList<QAction*>& actions, const QString& where) {
            std::set<QChar> keys;
            for (const QAction* a : actions) {
                if (a->isSeparator() || !a->isVisible()) continue;
                const QString text = a->text();
                const qsizetype amp = text.indexOf(QLatin1Char('&'));
                EXPECT_TRUE(amp >= 0 && amp + 1 < text.size() &&
                            keys.insert(text.at(amp + 1).toLower()).second)
                    << where.toStdString() << ": " << text.toStdString();
                if (a->menu()) check(a->menu()->actions(), text);
            }
        };
    check(w.window.menuBar()->actions(), QStringLiteral("menu bar"));
}

// A name of thousands of characters (a hostile log) leaves the other columns in view.
TEST(frmMain, AVeryLongNameLeavesTheOtherColumnsInView) {
    Window w;
    ASSERT_TRUE(w.shown());
    const std::string name(5000, 'N');
    w.window.form().vsFlexGrid1.addRow({name, "(AIMBOT)", "50000", "[x]", "s", "g", "i"});
    arrange(w.window.form());
    const ViolationGridView& grid = *w.window.vsFlexGrid1();
    QTest::qWait(100);  // the sizing is asked for by a queued signal
    int shown = 0;
    for (int c = 0; c < grid.model()->columnCount(); ++c) shown += grid.columnWidth(c);
    EXPECT_LT(shown, w.window.width()) << "the first column " << grid.columnWidth(0);
}

TEST(WindowSettings, RecentLogsOpenAndAMissingOneLeavesTheListWithOneMessage) {
    QSettings().clear();
    ScratchFolder folder;
    const std::string a = folder.dir + "/a.log", bc = folder.dir + "/b&c.log";
    for (const std::string& log : {a, bc}) std::ofstream(log) << "\n";
    Window w;
    EXPECT_FALSE(w.window.recentMenu()->isEnabled());
    w.scripted.files.answers = {{a}, {bc}};
    w.window.cmdQuelvane_Click(0);
    EXPECT_TRUE(w.window.recentMenu()->isEnabled()) << "it once stayed grey until a restart";
    w.window.cmdQuelvane_Click(0);
    const QString d = QString::fromStdString(folder.dir);
    EXPECT_EQ(recent(w.window), QStringList({"&1 " + d + "/b&&c.log", "&2 " + d + "/a.log"}));

    fs::remove(a);
    fs::create_directory(a);                            // a folder now: it was said to be gone
    w.window.recentMenu()->actions().at(0)->trigger();  // still there: Load Log's effect
    EXPECT_EQ(w.window.form().pnlLogPathToFile.caption(), bc);
    w.window.recentMenu()->actions().at(1)->trigger();  // gone
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "The log " + a +
                  " is no longer there as a file; it has been taken off the recent list.        ");
    EXPECT_EQ(recent(w.window), QStringList({"&1 " + d + "/b&&c.log"}));
    EXPECT_EQ(w.window.form().pnlLogPathToFile.caption(), bc);

    // A long path keeps its file name in view; a tab shows as a space.
    const fs::path deep = fs::path(folder.dir) / std::string(200, 'd') / std::string(200, 'e');
    fs::create_directories(deep);
    const std::string tab = (deep / "tab\there.log").string();
    std::ofstream(tab) << "\n";
    w.scripted.files.answers = {{tab}};
    w.window.cmdQuelvane_Click(0);
    const QString shown = recent(w.window).at(0);
    EXPECT_TRUE(shown.endsWith("tab here.log")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LT(shown.size(), 120);
    EXPECT_EQ(w.window.recentMenu()->actions().at(0)->statusTip().toStdString(), tab);
}

// A window remembered on a larger monitor comes back no larger than this screen, and on it;
// the statistics, designed larger than a small screen, fit it too. Their buttons were out
// of reach.
// The About box names a fleet's database as every message does, without its user and key
// passphrase, which it showed to anyone looking at the screen.
TEST(frmMain, TheAboutBoxNamesAFleetDatabaseWithoutItsSecrets) {
    GridFixture f;
    setDatabasePath("postgresql://fleet@db.example/bans?sslpassword=KeyS3cret");
    frmAbout about(f.scripted.ports);
    setDatabasePath({});
    EXPECT_EQ(about.lblDatabase->text(),
              "Ban database: postgresql://***@db.example/bans?sslpassword=***");
}

TEST(WindowSettings, WindowsFitTheScreen) {
    QSettings().clear();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    {
        QMainWindow larger;
        larger.setGeometry(-300, -200, work.width() * 3, work.height() * 2);
        QSettings().setValue("window/geometry", larger.saveGeometry());
    }
    // A column as wide as a maximised window on a 4K screen made it scroll across on this one.
    QSettings().setValue("columns/width/Player IP", work.width() * 3);
    Window w;
    const auto fits = [&](const QWidget& window) {
        return window.width() <= work.width() && window.height() <= work.height() &&
               work.contains(window.pos());
    };
    EXPECT_TRUE(fits(w.window)) << w.window.width() << "x" << w.window.height();
    const ViolationGridView* grid = w.window.vsFlexGrid1();
    int widest = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        widest = std::max(widest, grid->columnWidth(c));
    EXPECT_LE(widest, work.width() / 2);
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
}  // namespace th::test
