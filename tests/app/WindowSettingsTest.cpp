#include <gtest/gtest.h>

#include <QMenu>
#include <QSettings>
#include <filesystem>
#include <fstream>

#include "tests/app/WindowFixture.h"
#include "tests/support/Files.h"

namespace th {
namespace {

namespace fs = std::filesystem;

struct Window : test::Window {
    QStringList recent() {
        emit window.recentMenu()->aboutToShow();
        QStringList out;
        for (QAction* a : window.recentMenu()->actions()) out << a->text();
        return out;
    }
};

TEST(WindowSettings, RecentLogsOpenAndAMissingOneLeavesTheListWithOneMessage) {
    QSettings().clear();
    test::ScratchFolder folder;
    const fs::path dir = folder.dir;
    for (const char* name : {"a.log", "b&c.log"}) std::ofstream(dir / name) << "\n";
    Window w;
    w.scripted.files.answers = {{(dir / "a.log").string()}, {(dir / "b&c.log").string()}};
    w.window.cmdQuelvane_Click(0);
    w.window.cmdQuelvane_Click(0);
    const QString d = QString::fromStdString(dir.string());
    EXPECT_EQ(w.recent(), QStringList({"&1 " + d + "/b&&c.log", "&2 " + d + "/a.log"}));

    fs::remove(dir / "a.log");
    w.window.recentMenu()->actions().at(0)->trigger();  // still there: Load Log's effect
    EXPECT_EQ(w.window.form().pnlLogPathToFile.caption(), (dir / "b&c.log").string());
    w.window.recentMenu()->actions().at(1)->trigger();  // gone
    ASSERT_EQ(w.scripted.messages.shown.size(), 1u);
    EXPECT_EQ(w.scripted.messages.shown[0].prompt,
              "The log " + (dir / "a.log").string() +
                  " is no longer there; it has been taken off the recent list.        ");
    EXPECT_EQ(w.recent(), QStringList({"&1 " + d + "/b&&c.log"}));
    EXPECT_EQ(w.window.form().pnlLogPathToFile.caption(), (dir / "b&c.log").string());
}

}  // namespace
}  // namespace th
