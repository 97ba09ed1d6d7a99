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

TEST(frmAbout, ShowsItsTextsInPlaceAndOnlyOkClosesIt) {
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Quelvane - tallyhound"));
    EXPECT_EQ(box.lblTitle->text(), QStringLiteral("Quelvane - tallyhound"));
    EXPECT_EQ(box.lblVersion->text(), QStringLiteral("Version 1.0.0"));
    EXPECT_EQ(box.cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(box.cmdSysInfo->text(), QStringLiteral("&System Info..."));
    const QStringList description = rows(box.lblDescription);
    ASSERT_EQ(description.size(), 15);
    EXPECT_TRUE(description[0].startsWith(QStringLiteral("Quelvane - tallyhound - written by ")));
    EXPECT_EQ(
        description.mid(1),
        QStringList({"This program is designed to scan a Punkbuster *.log and build a list of "
                     "violations with a violation number equal to or greater than 50000.",
                     "NOTE: #9001 ogc_* violations are also saved.", "",
                     "Common Violations:        ", "==================", "50000     Aimbot",
                     "60000     Wallhack", "70000     Multihack", "80000     Gamehack",
                     "90000     'Cheat' Video Drivers", "100000   Speedhack", "110000   Autofire",
                     "120000   Game Hook", "130000   Attempted PB Hack"}));
    const QStringList disclaimer = rows(box.lblDisclaimer);
    ASSERT_EQ(disclaimer.size(), 4);
    EXPECT_TRUE(disclaimer[0].contains(QStringLiteral("Copyright")));
    EXPECT_EQ(disclaimer[1], QStringLiteral("Oakmere is in no way affiliated with Even Balance."));
    EXPECT_EQ(disclaimer[2], QString());
    EXPECT_TRUE(disclaimer[3].contains(QLatin1Char('@')));

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
    EXPECT_GE(box.lblDescription->height(), 15 * box.lblDescription->fontMetrics().lineSpacing());
    EXPECT_EQ(box.cmdOK->font().family(), QString::fromUtf8(formFontFamily()));
    EXPECT_EQ(box.cmdOK->font().pointSize(), 8);

    EXPECT_FALSE(box.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(box.close());
    setenv("PATH", "/nonexistent-folder", 1);
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(ports.messages.shown.size(), 1u);
    EXPECT_EQ(ports.messages.shown[0].prompt, about::kSysInfoUnavailable);
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(box.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace th
