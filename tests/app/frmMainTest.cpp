#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "app/frmMain.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

struct Window {
    test::ScriptedPorts scripted;
    frmMain window{&scripted.ports};
    Window() { scripted.files.liveWindows = {window.hWnd()}; }
};

// One line per tool: depth, caption and ID; "-" for a separator.
QStringList tree(const QList<QAction*>& actions, int depth = 0) {
    QStringList out;
    for (QAction* a : actions) {
        out << QString::number(depth) + " " +
                   (a->isSeparator() ? "-" : a->text() + " " + a->property("toolId").toString());
        if (a->menu()) out << tree(a->menu()->actions(), depth + 1);
    }
    return out;
}

TEST(frmMain, OpensCaptionedWithItsButtonsAndMenusThatReachTheHandler) {
    Window w;
    EXPECT_EQ(w.window.windowTitle(), "Quelvane tallyhound");
    EXPECT_EQ(w.window.fraLog()->title(), "Settings");
    EXPECT_EQ(w.window.lblHeader()->text(), "Tallyhound");
    QStringList buttons;
    for (int i = 0; i < 7; ++i)
        buttons << w.window.cmdQuelvane(i)->text() + " | " + w.window.cmdQuelvane(i)->toolTip();
    EXPECT_EQ(buttons,
              QStringList({"&Load Log... | ", "&Scan | ", "E&xit | ",
                           "&HTML... | Generate HTML page from violations listed",
                           "&Merge... | Merge grid with pbbans.dat", "&Save... | Save grid to file",
                           "&Import... | Load grid from file"}));
    EXPECT_EQ(
        tree(w.window.menuBar()->actions()),
        QStringList({"0 &File ID_File", "1 &Load Log... ID_LoadLog...",
                     "1 Generate HTML... ID_GenerateHTML...", "1 -", "1 E&xit ID_Exit",
                     "0 Utilities ID_Tool1", "1 Database ID_Database", "2 Backup ID_Backup", "2 -",
                     "2 Reset ID_ResetDatabase", "0 &Help ID_Help", "1 Web Links ID_WebLinks",
                     "2 &Oakmere ID_Oakmere", "2 -", "2 Quelvane ID_Quelvane",
                     "2 Even Balance ID_Punkbuster", "1 -", "1 &About ID_About"}));

    // A tool reaches the handler; opening a menu does nothing.
    for (QMenu* menu : w.window.menuBar()->findChildren<QMenu*>()) emit menu->aboutToShow();
    EXPECT_TRUE(w.scripted.files.requests.empty());
    for (QAction* a : w.window.menuBar()->findChildren<QAction*>())
        if (a->property("toolId").toString() == "ID_LoadLog..." && !a->menu()) a->trigger();
    ASSERT_EQ(w.scripted.files.requests.size(), 1u);
    EXPECT_EQ(w.scripted.files.requests[0].owner, w.window.hWnd());
}

TEST(frmMain, TheTitleBarCannotCloseItExitClosesAndTheIndicatorsShow) {
    Window w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    EXPECT_FALSE(w.window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.window.close());

    w.window.form().lblNumberLinesScanned.setCaption("13");  // follows at display rate
    (void)QTest::qWaitFor([&] { return w.window.lblNumberLinesScanned()->text() == "13"; });
    EXPECT_EQ(w.window.lblNumberLinesScanned()->text(), "13");
    w.window.form().pnlLogPathToFile.setCaption("/var/log/a.log");
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "/var/log/a.log");

    QTest::mouseClick(w.window.cmdQuelvane(2), Qt::LeftButton);
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_TRUE(w.scripted.messages.shown.empty());
}

// The Merge button end to end: a grid row whose name holds a forged ban line and which has
// no time stamp, a ban file with a line of no known shape and lone CR line ends.
struct WindowMerge : test::BanFolderTest {};

TEST_F(WindowMerge, TheMergeButtonKeepsEveryBanOnItsLineAndReports) {
    Window w;
    test::writeBytes(bans,
                     "[04.16.2017 21:03:11] aaaa1111 \"One\" \"192.0.2.1:1\" \"r\"\r"
                     " 0123cdef \"Jayyz\" \"198.51.100.7:28960\"\r;temp\r");
    w.window.form().vsFlexGrid1.addRow({"x\r\n[01.01.2003 00:00:00] f0f0f0f0 \"forged", "(AIMBOT)",
                                        "50001", "", "(slot #1)", "bbbb2222", "198.51.100.7:1"});
    w.scripted.files.answers.push_back({bans});
    w.scripted.messages.answers = {MsgResult::Ok, MsgResult::No};
    w.window.show();
    QTest::mouseClick(w.window.cmdQuelvane(4), Qt::LeftButton);
    ASSERT_EQ(w.scripted.messages.shown.size(), 2u);
    EXPECT_EQ(w.scripted.messages.shown[1].prompt,
              "Merge complete. 2 bans have been written to 'pbbans.dat'        \r\n"
              "1 ban had no time stamp and got the time of this merge.        \r\n"
              "1 line that is not a ban line was kept as it is, after the bans.        \r\n\r\n"
              "Would you like to open this file now?        ");
    const std::string file = test::readBytes(bans);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 5) << file;
    EXPECT_TRUE(file.ends_with("\r\n\r\n 0123cdef \"Jayyz\" \"198.51.100.7:28960\"\r\n;temp\r\n"));
    EXPECT_EQ(test::sql(db, "SELECT GUID FROM tblVandrel ORDER BY GUID"),
              (test::Rows{"aaaa1111", "bbbb2222"}));
    EXPECT_FALSE(w.window.form().prgScanning.visible());
}

}  // namespace
}  // namespace th
