#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include "app/ViolationGridView.h"
#include "app/frmMain.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

using test::Window;

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
                           "H&TML... | Generate HTML page from violations listed",
                           "&Merge... | Merge grid with pbbans.dat", "Sa&ve... | Save grid to file",
                           "&Import... | Load grid from file"}));
    EXPECT_EQ(tree(w.window.menuBar()->actions()),
              QStringList({"0 &File ID_File",
                           "1 &Load Log... ID_LoadLog...",
                           "1 Load log &folder... ID_LoadLogFolder...",
                           "1 &Recent ",
                           "1 Generate HTML... ID_GenerateHTML...",
                           "1 -",
                           "1 E&xit ID_Exit",
                           "0 Vie&w ",
                           "1 &Statistics... ",
                           "0 Utilities ID_Tool1",
                           "1 Database ID_Database",
                           "2 Browse bans... ",
                           "2 Import ban file... ",
                           "2 Export bans... ",
                           "2 -",
                           "2 Backup ID_Backup",
                           "2 -",
                           "2 Reset ID_ResetDatabase",
                           "1 -",
                           "1 Read game-console lines ",
                           "1 Fold colour codes ",
                           "0 &Help ID_Help",
                           "1 Web Links ID_WebLinks",
                           "2 &Oakmere ID_Oakmere",
                           "2 -",
                           "2 Quelvane ID_Quelvane",
                           "2 Even Balance ID_Punkbuster",
                           "1 -",
                           "1 &About ID_About"}));

    // A tool reaches the handler; opening a menu does nothing.
    for (QMenu* menu : w.window.menuBar()->findChildren<QMenu*>()) emit menu->aboutToShow();
    EXPECT_TRUE(w.scripted.files.requests.empty());
    for (QAction* a : w.window.menuBar()->findChildren<QAction*>())
        if (a->property("toolId").toString() == "ID_LoadLog..." && !a->menu()) a->trigger();
    ASSERT_EQ(w.scripted.files.requests.size(), 1u);
    EXPECT_EQ(w.scripted.files.requests[0].owner, w.window.hWnd());
}

TEST(frmMain, EveryAccessKeyIsUniqueAndTheShortcutsReachTheirCommands) {
    Window w;
    QStringList keys;
    auto accessKey = [](const QString& caption) {
        int at = caption.indexOf('&');
        return at < 0 ? QString() : caption.mid(at + 1, 1).toUpper();
    };
    for (QPushButton* b : w.window.findChildren<QPushButton*>())
        if (!accessKey(b->text()).isEmpty()) keys << accessKey(b->text());
    for (QAction* a : w.window.menuBar()->actions())
        if (!accessKey(a->text()).isEmpty()) keys << accessKey(a->text());
    keys.sort();
    EXPECT_EQ(keys.removeDuplicates(), 0) << keys.join(' ').toStdString();

    QStringList menuKeys;
    for (QAction* a : w.window.menuBar()->findChildren<QAction*>())
        if (!a->shortcut().isEmpty())
            menuKeys << a->property("toolId").toString() + " " + a->shortcut().toString();
    menuKeys.sort();
    EXPECT_EQ(menuKeys, QStringList({" Ctrl+B", "ID_About F1", "ID_GenerateHTML... Ctrl+H",
                                     "ID_LoadLog... Ctrl+O"}));

    ASSERT_TRUE(w.shown());
    w.window.activateWindow();
    w.window.form().vsFlexGrid1.addRow(
        std::vector<std::string_view>{"a", "b", "50000", "[x]", "s", "g", "i"});
    // Save asks for a file: Ctrl+S reaches it; Ctrl+I asks for a scan file to import.
    QTest::keyClick(&w.window, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window.busy(); }));
    QTest::keyClick(&w.window, Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.scripted.files.requests.size() == 2; }));
    EXPECT_TRUE(w.scripted.files.requests[0].save);
    EXPECT_FALSE(w.scripted.files.requests[1].save);
}

TEST(frmMain, TheTitleBarClosesAsExitDoesAndAsksFirstWhenRowsWereNotKept) {
    Window w;
    ASSERT_TRUE(w.shown());
    w.window.form().unsavedRows = true;
    w.scripted.messages.answers = {MsgResult::No};
    w.window.close();  // the title bar's button
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.scripted.messages.shown.size() == 1; }));
    EXPECT_TRUE(w.window.isVisible());
    const test::ShownBox& asked = w.scripted.messages.shown[0];
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

TEST(frmMain, TheFilterHidesRowsFromViewOnlyAndSaysSoAndTheIndicatorsFollowTheForm) {
    Window w;
    ASSERT_TRUE(w.shown());
    w.window.form().lblNumberLinesScanned.setCaption("13");  // follows at display rate
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.window.lblNumberLinesScanned()->text() == "13"; }));
    w.window.form().pnlLogPathToFile.setCaption("/var/log/a.log");
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "/var/log/a.log");
    for (const char* name : {"Alice", "Bob", "Alice"})
        w.window.form().vsFlexGrid1.addRow(
            std::vector<std::string_view>{name, "(AIMBOT)", "50000", "[x]", "s", "g", "i"});
    test::arrange(w.window.form());
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

// Where a widget stands in the window's client area.
QRect placeOf(QWidget* widget, QWidget* window) {
    return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

TEST(frmMain, TheLayoutFollowsTheWindowAndNothingIsCut) {
    for (double fontScale : {1.0, 1.5}) {
        SCOPED_TRACE(fontScale);
        Window w;
        QFont bigger = w.window.font();
        bigger.setPointSizeF(bigger.pointSizeF() * fontScale);
        for (QWidget* child : w.window.findChildren<QWidget*>()) {
            QFont f = child->font();
            f.setPointSizeF(f.pointSizeF() * fontScale);
            child->setFont(f);
        }
        ASSERT_TRUE(w.shown());
        w.window.form().lblLinesScanned.setVisible(true);
        w.window.form().lblNumberLinesScanned.setVisible(true);
        w.window.form().lblScanning.setVisible(true);
        w.window.form().vsFlexGrid1.addRow(std::vector<std::string_view>{
            "xX_Sniper_Xx \xc3\x84", "(AIMBOT)", "50000", "[04.16.2017 21:03:11]", "(slot #3)",
            "0123456789abcdef0123456789abcdef", "192.168.100.200:27960"});

        QSize gridAt1280;
        for (QSize size : {QSize(), QSize(1280, 900), QSize(1600, 1000)}) {
            if (size.isValid()) w.window.resize(size);
            QTest::qWait(20);
            QWidget* window = &w.window;
            SCOPED_TRACE(w.window.size().width());
            auto* grid = w.window.vsFlexGrid1();
            // Every column shows whole, Player IP included, at every size that the
            // screen leaves room for.
            QHeaderView* header = grid->header();
            const bool roomy =
                w.window.width() < w.window.screen()->availableGeometry().width() - 16;
            if (roomy || size.isValid()) {
                EXPECT_LE(header->sectionViewportPosition(6) + header->sectionSize(6),
                          grid->viewport()->width());
            }
            // The grid takes the room; the button panel sits at the bottom and Exit
            // at its right end.
            const QRect client = w.window.centralWidget()->geometry();
            const QRect panel = placeOf(w.window.SSPanel1(), window);
            EXPECT_LE(client.bottom() - panel.bottom(), 8);
            EXPECT_LE(panel.right() - placeOf(w.window.cmdQuelvane(2), window).right(), 12);
            EXPECT_GE(placeOf(grid, window).width(), client.width() - 40);
            EXPECT_GE(grid->height(), client.height() / 3);
            // Growing the window grows the grid by as much.
            if (size == QSize(1600, 1000)) {
                EXPECT_NEAR(grid->width() - gridAt1280.width(), 320, 2);
                EXPECT_NEAR(grid->height() - gridAt1280.height(), 100, 2);
            }
            if (size == QSize(1280, 900)) gridAt1280 = grid->size();
            // Labels and buttons get at least the room their text asks for.
            for (QWidget* label : std::initializer_list<QWidget*>{w.window.lblLinesScanned(),
                                                                  w.window.lblNumberLinesScanned(),
                                                                  w.window.lblHeader()})
                EXPECT_GE(label->width(), label->sizeHint().width())
                    << label->objectName().toStdString();
            for (QPushButton* b : w.window.findChildren<QPushButton*>()) {
                if (!b->isVisible()) continue;
                EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
            }
            // Rows leave room for accents and underscores.
            const QFontMetrics fm(grid->font());
            QModelIndex first = grid->model()->index(0, 0);
            EXPECT_GE(grid->visualRect(first).height(), fm.lineSpacing() + 2);
        }
    }
}

}  // namespace
}  // namespace th
