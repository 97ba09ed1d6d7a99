#include <gtest/gtest.h>

#include <QChartView>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include "app/StatisticsDialog.h"
#include "bans/Paths.h"
#include "tests/app/GridFixture.h"
#include "tests/support/Files.h"

namespace th {
namespace {

TEST(StatisticsDialog, DrawsTheGridAndTheDatabaseAndSavesATabAsPngOrSvg) {
    test::GridFixture f;
    f.addSampleRows();
    f.arrange();
    test::ScratchFolder folder;
    const std::string& dir = folder.dir;
    setDatabasePath(dir + "/none.mdb");  // a database that is not there
    StatisticsDialog dialog(f.form);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTabWidget* tabs = dialog.tabs();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->widget(0)->findChild<QLabel*>("summary")->text(),
              "4 violations in the grid; 4 without a readable time stamp are left out of the "
              "days.");
    EXPECT_EQ(tabs->widget(0)->findChildren<QChartView*>().size(), 3);
    // The database's failure is said on its own tab, not in a box.
    EXPECT_TRUE(tabs->widget(1)->findChild<QLabel*>("summary")->text().startsWith(
        "The ban database " + QString::fromStdString(dir + "/none.mdb") + " could not be read: "));
    EXPECT_TRUE(f.scripted.messages.shown.empty());

    for (const char* name : {"/grid.png", "/grid.svg", "/no/such/folder.png"})
        EXPECT_EQ(dialog.saveCurrentTab(QString::fromStdString(dir + name)), name[1] == 'g');
    EXPECT_TRUE(test::readBytes(dir + "/grid.png").starts_with("\x89PNG\r\n"));
    const std::string svg = test::readBytes(dir + "/grid.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("Violations per kind"), std::string::npos);
    setDatabasePath({});
}

}  // namespace
}  // namespace th
