#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "app/ViolationGridView.h"
#include "app/WindowSetup.h"
#include "app/frmMain.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

struct Window {
    test::ScriptedPorts scripted;
    frmMain window{&scripted.ports};
    Window() { scripted.files.liveWindows = {window.hWnd()}; }
};

TEST(frmMain, OpensCaptionedCentredAndAsHighAsDesignedWithItsButtons) {
    Window w;
    EXPECT_EQ(w.window.windowTitle(), "Quelvane tallyhound");
    EXPECT_EQ(w.window.frameGeometry().height(), 8925 / 15);
    // Centred in the work area before the height was set, as whole twips halved.
    QRect work = w.window.screen()->availableGeometry();
    int width = w.window.frameGeometry().width();
    EXPECT_EQ(w.window.frameGeometry().left(), ((work.width() * 15) / 2 - (width * 15) / 2) / 15);

    EXPECT_EQ(w.window.vsFlexGrid1()->model()->headerData(3, Qt::Horizontal).toString(),
              "Timestamp");
    EXPECT_EQ(w.window.vsFlexGrid1()->model()->rowCount(), 0);
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "");
    EXPECT_EQ(w.window.fraLog()->title(), "Settings");
    EXPECT_EQ(w.window.lblHeader()->text(), "Tallyhound");
    EXPECT_TRUE(w.window.lblHeader()->font().bold());
    const std::pair<const char*, const char*> buttons[] = {
        {"&Load Log...", ""},
        {"&Scan", ""},
        {"E&xit", ""},
        {"&HTML...", "Generate HTML page from violations listed"},
        {"&Merge...", "Merge grid with pbbans.dat"},
        {"&Save...", "Save grid to file"},
        {"&Import...", "Load grid from file"},
    };
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(w.window.cmdQuelvane(i)->text(), buttons[i].first);
        EXPECT_EQ(w.window.cmdQuelvane(i)->toolTip(), buttons[i].second);
    }
}

TEST(frmMain, TheTitleBarCannotCloseItTheAccessKeysPressTheButtonsAndExitCloses) {
    Window w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    EXPECT_FALSE(w.window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(w.window.close());
    QTest::keyClick(&w.window, Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(w.window.isVisible());

    w.scripted.files.answers.push_back({"/var/log/a.log"});
    // A mnemonic presses its button the way a click animates it, a moment later.
    QTest::keyClick(w.window.windowHandle(), Qt::Key_L, Qt::AltModifier);
    (void)QTest::qWaitFor([&] { return !w.window.pnlLogPathToFile()->text().isEmpty(); }, 2000);
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "/var/log/a.log");
    ASSERT_EQ(w.scripted.files.requests.size(), 1u);
    EXPECT_EQ(w.scripted.files.requests[0].owner, w.window.hWnd());

    QTest::mouseClick(w.window.cmdQuelvane(2), Qt::LeftButton);
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_TRUE(w.scripted.messages.shown.empty());
}

TEST(frmMain, IndicatorsOfTheFormShowInTheWindow) {
    Window w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    MainForm& form = w.window.form();
    EXPECT_FALSE(w.window.lblNumberLinesScanned()->isVisible());
    form.lblNumberLinesScanned.setVisible(true);
    form.lblNumberLinesScanned.setCaption("12");
    EXPECT_TRUE(w.window.lblNumberLinesScanned()->isVisible());
    form.lblNumberLinesScanned.setCaption("13");  // follows at display rate
    (void)QTest::qWaitFor([&] { return w.window.lblNumberLinesScanned()->text() == "13"; }, 1000);
    EXPECT_EQ(w.window.lblNumberLinesScanned()->text(), "13");
    form.pnlLogPathToFile.setCaption("C:\\logs\\J\xFCrgen.log");
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), QString::fromUtf8("C:\\logs\\Jürgen.log"));
}

}  // namespace
}  // namespace th
