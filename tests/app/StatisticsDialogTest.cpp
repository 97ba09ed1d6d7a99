#include <gtest/gtest.h>
#include <unistd.h>

#include <QChartView>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/StatisticsDialog.h"
#include "bans/Paths.h"
#include "tests/app/GridFixture.h"

namespace th {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(StatisticsDialog, DrawsTheGridAndTheDatabaseAndSavesATabAsPngOrSvg) {
    test::GridFixture f;
    f.addSampleRows();
    f.arrange();
    const fs::path dir =
        fs::temp_directory_path() / ("tallyhound-stats-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    setDatabasePath((dir / "none.mdb").string());  // a database that is not there
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
        "The ban database " + QString::fromStdString((dir / "none.mdb").string()) +
        " could not be read: "));
    EXPECT_TRUE(f.scripted.messages.shown.empty());

    EXPECT_TRUE(dialog.saveCurrentTab(QString::fromStdString((dir / "grid.png").string())));
    EXPECT_TRUE(dialog.saveCurrentTab(QString::fromStdString((dir / "grid.svg").string())));
    EXPECT_TRUE(bytesOf(dir / "grid.png").starts_with("\x89PNG\r\n"));
    const std::string svg = bytesOf(dir / "grid.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("Violations per kind"), std::string::npos);
    EXPECT_FALSE(
        dialog.saveCurrentTab(QString::fromStdString((dir / "no/such/folder.png").string())));
    setDatabasePath({});
    fs::remove_all(dir);
}

}  // namespace
}  // namespace th
