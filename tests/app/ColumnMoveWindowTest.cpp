#include <gtest/gtest.h>

#include <QPushButton>

#include "app/ViolationGridView.h"
#include "app/frmMain.h"
#include "tests/app/HeaderDrag.h"
#include "tests/app/WindowFixture.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

using ColumnMoveInTheWindow = BanFolderTest;

// The window end to end: a log scanned, the GUID column dragged to the front with the
// mouse; then HTML and Merge through the buttons read every cell under its title and give
// what they give with the columns as at start. (Save and Import after any move are the
// scan file's tests.)
TEST_F(ColumnMoveInTheWindow, EveryCommandReadsCellsByTitleAfterADragToTheFront) {
    Window w;
    setDatabasePath(db);  // this folder's database, not the one beside the program
    w.window.resize(800, 600);
    ASSERT_TRUE(w.shown());
    frmMain& window = w.window;
    ScriptedPorts& scripted = w.scripted;
    auto click = [&](int button, std::vector<std::string> chosen, std::deque<MsgResult> answers) {
        if (!chosen.empty()) scripted.files.answers.push_back(std::move(chosen));
        scripted.messages.answers = std::move(answers);
        QTest::mouseClick(window.cmdQuelvane(button), Qt::LeftButton);
        ASSERT_TRUE(w.finished());
    };
    const FlexGrid& grid = window.form().vsFlexGrid1;

    click(0, {dataPath("bans/cli.log")}, {});
    click(1, {}, {MsgResult::Yes, MsgResult::Ok});
    EXPECT_EQ(scripted.messages.shown.back().prompt,
              "4 violations found and added to grid        ");
    click(3, {dir + "/before.html"}, {MsgResult::No});

    QHeaderView* header = window.vsFlexGrid1()->header();
    dragSectionToFront(header, 5);
    EXPECT_EQ(grid.textMatrix(0, 0), "GUID");
    EXPECT_EQ(header->model()->headerData(0, Qt::Horizontal).toString(), "GUID");
    EXPECT_TRUE(grid.isSubtotal(1));
    EXPECT_EQ(grid.textMatrix(1, 0), "1111111111111111111111111111aaaa");

    click(3, {dir + "/after.html"}, {MsgResult::No});
    EXPECT_EQ(readBytes(dir + "/after.html"), readBytes(dir + "/before.html"));

    writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
    click(4, {bans}, {MsgResult::Ok, MsgResult::No});
    EXPECT_EQ(scripted.messages.shown.back().prompt,
              "Merge complete. 5 bans have been written to 'pbbans.dat'        \r\n\r\n"
              "Would you like to open this file now?        ");
    EXPECT_EQ(readBytes(bans), readBytes(dataPath("bans/cli.expected.dat")));
}

}  // namespace
}  // namespace th::test
