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

TEST(frmMain, OpensCaptionedCentredAndAsHighAsDesigned) {
    Window w;
    EXPECT_EQ(w.window.windowTitle(), "Quelvane tallyhound");
    EXPECT_EQ(w.window.frameGeometry().height(), 8925 / 15);

    // Centred in the work area before the height was set, as whole twips halved.
    QRect work = w.window.screen()->availableGeometry();
    int width = w.window.frameGeometry().width();
    EXPECT_EQ(w.window.frameGeometry().left(), ((work.width() * 15) / 2 - (width * 15) / 2) / 15);

    EXPECT_EQ(w.window.vsFlexGrid1()->model()->columnCount(), 7);
    EXPECT_EQ(w.window.vsFlexGrid1()->model()->headerData(3, Qt::Horizontal).toString(),
              "Timestamp");
    EXPECT_EQ(w.window.vsFlexGrid1()->model()->rowCount(), 0);
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "");
}

TEST(frmMain, ControlsStandWhereTheLayoutPutsThem) {
    Window w;
    struct Place {
        QWidget* widget;
        QRect twips;
    };
    const Place places[] = {
        {w.window.picHeader(), {0, 0, 10440, 945}},
        {w.window.lblHeader(), {180, 150, 3300, 285}},
        {w.window.fraLog(), {60, 1050, 10350, 5850}},
        {w.window.cmdQuelvane(0), {210, 420, 1365, 375}},
        {w.window.pnlLogPathToFile(), {1740, 420, 8265, 375}},
        {w.window.vsFlexGrid1(), {210, 990, 9825, 4365}},
        {w.window.lblNumberLinesScanned(), {1590, 5460, 1890, 195}},
        {w.window.SSPanel1(), {60, 6990, 10350, 885}},
    };
    for (const auto& p : places)
        EXPECT_EQ(p.widget->geometry(), QRect(p.twips.x() / 15, p.twips.y() / 15,
                                              p.twips.width() / 15, p.twips.height() / 15))
            << p.widget->objectName().toStdString();

    struct Button {
        const char* caption;
        const char* toolTip;
        int left;
    };
    const Button buttons[] = {
        {"&Load Log...", "", 210},
        {"&Scan", "", 7410},
        {"E&xit", "", 8940},
        {"&HTML...", "Generate HTML page from violations listed", 60},
        {"&Merge...", "Merge grid with pbbans.dat", 1605},
        {"&Save...", "Save grid to file", 3135},
        {"&Import...", "Load grid from file", 4680},
    };
    for (int i = 0; i < 7; ++i) {
        QPushButton* b = w.window.cmdQuelvane(i);
        EXPECT_EQ(b->text(), buttons[i].caption);
        EXPECT_EQ(b->toolTip(), buttons[i].toolTip);
        EXPECT_EQ(b->geometry(), QRect(buttons[i].left / 15, (i == 0 ? 420 : 240) / 15, 91, 25));
        EXPECT_EQ(b->parentWidget(),
                  i == 0 ? static_cast<QWidget*>(w.window.fraLog()) : w.window.SSPanel1());
    }
    EXPECT_EQ(w.window.fraLog()->title(), "Settings");
    EXPECT_EQ(w.window.lblHeader()->text(), "Tallyhound");
}

TEST(frmMain, EveryControlGetsTheFormFontAndTheHeaderItsLargerBoldOne) {
    Window w;
    const QString family = formFontFamily();
    EXPECT_EQ(w.window.lblHeader()->font().pointSize(), 12);
    EXPECT_TRUE(w.window.lblHeader()->font().bold());
    EXPECT_EQ(w.window.lblHeader()->font().family(), family);
    for (QWidget* c : {static_cast<QWidget*>(w.window.cmdQuelvane(3)),
                       static_cast<QWidget*>(w.window.pnlLogPathToFile()),
                       static_cast<QWidget*>(w.window.vsFlexGrid1()),
                       static_cast<QWidget*>(w.window.fraLog())}) {
        EXPECT_EQ(c->font().pointSize(), 8) << c->objectName().toStdString();
        EXPECT_EQ(c->font().family(), family) << c->objectName().toStdString();
    }
}

TEST(frmMain, TheTitleBarCannotCloseItButExitDoes) {
    Window w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    EXPECT_FALSE(w.window.windowFlags() & Qt::WindowCloseButtonHint);

    EXPECT_FALSE(w.window.close());
    QCloseEvent refused;
    QCoreApplication::sendEvent(&w.window, &refused);
    EXPECT_FALSE(refused.isAccepted());
    QTest::keyClick(&w.window, Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(w.window.isVisible());

    QTest::mouseClick(w.window.cmdQuelvane(2), Qt::LeftButton);
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_TRUE(w.scripted.messages.shown.empty());
}

TEST(frmMain, LoadLogShowsTheChosenPathInThePathPanel) {
    Window w;
    w.scripted.files.answers.push_back({"/srv/pb/logs/pb000123.log"});
    QTest::mouseClick(w.window.cmdQuelvane(0), Qt::LeftButton);
    ASSERT_EQ(w.scripted.files.requests.size(), 1u);
    EXPECT_EQ(w.scripted.files.requests[0].title, "Select Punkbuster log");
    EXPECT_EQ(w.scripted.files.requests[0].owner, w.window.hWnd());
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "/srv/pb/logs/pb000123.log");
}

TEST(frmMain, AccessKeysPressTheButtons) {
    Window w;
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.scripted.files.answers.push_back({"/var/log/a.log"});
    // A mnemonic presses its button the way a click animates it, a moment later.
    QTest::keyClick(w.window.windowHandle(), Qt::Key_L, Qt::AltModifier);
    (void)QTest::qWaitFor([&] { return !w.window.pnlLogPathToFile()->text().isEmpty(); }, 2000);
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), "/var/log/a.log");
    QTest::keyClick(w.window.windowHandle(), Qt::Key_X, Qt::AltModifier);
    (void)QTest::qWaitFor([&] { return !w.window.isVisible(); }, 2000);
    EXPECT_FALSE(w.window.isVisible());
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
    // The count follows at display rate; the last one shows once events run.
    form.lblNumberLinesScanned.setCaption("13");
    (void)QTest::qWaitFor([&] { return w.window.lblNumberLinesScanned()->text() == "13"; }, 1000);
    EXPECT_EQ(w.window.lblNumberLinesScanned()->text(), "13");
    form.pnlLogPathToFile.setCaption("C:\\logs\\J\xFCrgen.log");
    EXPECT_EQ(w.window.pnlLogPathToFile()->text(), QString::fromUtf8("C:\\logs\\Jürgen.log"));
}

}  // namespace
}  // namespace th
