#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "about/frmAbout.h"
#include "bans/Paths.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

TEST(frmAbout, ShowsItsTextsAndOnlyOkClosesIt) {
    test::ScriptedPorts ports;
    frmAbout box(ports.ports);
    EXPECT_EQ(box.windowTitle() + "|" + box.lblTitle->text() + "|" + box.lblVersion->text() + "|" +
                  box.cmdOK->text() + "|" + box.cmdSysInfo->text(),
              "About Quelvane - tallyhound|Quelvane - tallyhound|Version 1.0.0|OK|&System Info...");
    EXPECT_EQ(box.lblDatabase->text().toStdString(), "Ban database: " + databasePath());
    EXPECT_EQ(
        box.lblDescription->text().split('\n'),
        QStringList({"Quelvane - tallyhound - written by Oakmere (tallyhound@oakmere.net)",
                     "This program is designed to scan a Punkbuster *.log and build a list "
                     "of violations with a violation number equal to or greater than 50000.",
                     "NOTE: #9001 ogc_* violations are also saved.", "",
                     "Common Violations:        ", "==================", "50000     Aimbot",
                     "60000     Wallhack", "70000     Multihack", "80000     Gamehack",
                     "90000     'Cheat' Video Drivers", "100000   Speedhack", "110000   Autofire",
                     "120000   Game Hook", "130000   Attempted PB Hack"}));
    EXPECT_EQ(box.lblDisclaimer->text().split('\n'),
              QStringList({"Copyright (C) 2003 Oakmere. All rights reserved.",
                           "Oakmere is in no way affiliated with Even Balance.", "",
                           "Please send questions, suggestions and problem reports to "
                           "tallyhound@oakmere.net"}));

    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_FALSE(box.close());  // the title bar cannot close it
    QTest::mouseClick(box.cmdSysInfo, Qt::LeftButton);
    // The button starts the system-information program or says there is none.
    EXPECT_EQ(ports.shell.calls.size() + ports.messages.shown.size(), 1u);
    QTest::mouseClick(box.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace th
