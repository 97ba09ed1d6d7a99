#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "about/AboutTexts.h"
#include "about/frmAbout.h"
#include "app/WindowSetup.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

QStringList rows(const QLabel* label) {
    return label->text().split(QLatin1Char('\n'));
}

TEST(frmAbout, ShowsItsTextsRowByRow) {
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Quelvane - tallyhound"));
    EXPECT_EQ(box.lblTitle->text(), QStringLiteral("Quelvane - tallyhound"));
    EXPECT_EQ(box.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    EXPECT_EQ(box.cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(box.cmdSysInfo->text(), QStringLiteral("&System Info..."));

    const QStringList description = rows(box.lblDescription);
    ASSERT_EQ(description.size(), 15);
    EXPECT_EQ(description[4], QStringLiteral("Common Violations:        "));
    EXPECT_EQ(description[5], QString(18, QLatin1Char('=')));
    EXPECT_EQ(description[6], QStringLiteral("50000     Aimbot"));
    EXPECT_EQ(description[10], QStringLiteral("90000     'Cheat' Video Drivers"));
    EXPECT_EQ(description[11], QStringLiteral("100000   Speedhack"));
    EXPECT_EQ(description[14], QStringLiteral("130000   Attempted PB Hack"));

    const QStringList disclaimer = rows(box.lblDisclaimer);
    ASSERT_EQ(disclaimer.size(), 4);
    EXPECT_EQ(disclaimer[1], QStringLiteral("Oakmere is in no way affiliated with Even Balance."));
    EXPECT_EQ(disclaimer[2], QString());
}

TEST(frmAbout, LaysOutIconTextsLineAndButtons) {
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const auto rect = [&](QWidget* w) { return QRect(w->mapTo(&box, QPoint(0, 0)), w->size()); };
    EXPECT_LT(rect(box.picIcon).right(), rect(box.lblTitle).left());
    EXPECT_LT(rect(box.lblTitle).bottom(), rect(box.lblVersion).top() + 1);
    EXPECT_LT(rect(box.lblVersion).bottom(), rect(box.lblDescription).top());
    EXPECT_LT(rect(box.lblDescription).bottom(), rect(box.Line1).top());
    EXPECT_LT(rect(box.Line1).bottom(), rect(box.lblDisclaimer).top());
    EXPECT_LT(rect(box.lblDisclaimer).right(), rect(box.cmdOK).left());
    EXPECT_LT(rect(box.cmdOK).bottom(), rect(box.cmdSysInfo).top());
    // Every row of the violation list fits on its own line of the label.
    const int lineHeight = box.lblDescription->fontMetrics().lineSpacing();
    EXPECT_GE(box.lblDescription->height(), 15 * lineHeight);
    box.close();
}

TEST(frmAbout, OkClosesTheBox) {
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    box.show();
    ASSERT_TRUE(box.isVisible());
    QTest::mouseClick(box.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_TRUE(ports.messages.shown.empty());
}

TEST(frmAbout, TheTitleBarCannotCloseItAndItsFontIsTheFormFont) {
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    box.show();
    EXPECT_FALSE(box.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(box.close());
    EXPECT_TRUE(box.isVisible());
    for (QWidget* w :
         {static_cast<QWidget*>(box.lblDescription), static_cast<QWidget*>(box.cmdOK)}) {
        EXPECT_EQ(w->font().family(), QString::fromUtf8(formFontFamily()));
        EXPECT_EQ(w->font().pointSize(), 8);
    }
    QTest::mouseClick(box.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
}

TEST(frmAbout, SystemInfoWithoutAProgramSaysSo) {
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent-folder", 1);
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    box.show();
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(ports.messages.shown.size(), 1u);
    EXPECT_EQ(ports.messages.shown[0].prompt, about::kSysInfoUnavailable);
    EXPECT_EQ(ports.messages.shown[0].title, "");
    EXPECT_TRUE(box.isVisible());  // the box stays open
    box.close();
}

}  // namespace
}  // namespace th
