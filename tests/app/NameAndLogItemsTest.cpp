#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <filesystem>

#include "app/MainCommands.h"
#include "app/ViolationGridModel.h"
#include "app/ViolationGridView.h"
#include "app/frmMain.h"
#include "scan/ColourCodes.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/ColumnMoves.h"
#include "tests/support/Files.h"
#include "tests/support/LocalFileTime.h"

namespace th {
namespace {

namespace fs = std::filesystem;

QString text(const QModelIndex& i, int role = Qt::DisplayRole) {
    return i.data(role).toString();
}

// One player under three colourings and another player: four groups as written, two
// when folded.
void addColouredRows(FlexGrid& grid) {
    const std::string guid = "0123456789abcdef0123456789abcdef";
    for (const char* name : {"^4[^3Jayyz^4]", "Bravo", "[Jayyz]", "^1[^7Jayyz^1]"})
        grid.addRow({name, "(AIMBOT)", "50001", "[04.16.2017 21:03:11]", "(slot #3)",
                     name[0] == 'B' ? "bbbb" : guid, "198.51.100.7:28960"});
}

QStringList topLevel(const QAbstractItemModel& model) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << text(model.index(r, 0));
    return out;
}

// The two check items of the Utilities menu are off at first; each is remembered for the
// next window. Folding groups a player's colourings as one, shows names without
// codes and keeps the raw name in the tool tip (the cells keep it: the colour codes' test).
TEST(NameAndLogItems, FoldColourCodesRegroupsShowsFoldedAndIsRemembered) {
    QSettings().clear();
    {
        test::Window w;
        const auto items = w.window.menuBar()->findChild<QMenu*>("ID_Tool1")->actions();
        EXPECT_TRUE(items.contains(w.window.foldColoursItem()) &&
                    items.contains(w.window.consoleLinesItem()));
        EXPECT_FALSE(w.window.foldColoursItem()->isChecked());
        EXPECT_FALSE(w.window.consoleLinesItem()->isChecked());

        FlexGrid& grid = w.window.form().vsFlexGrid1;
        addColouredRows(grid);
        test::arrange(w.window.form());
        const QAbstractItemModel& model = *w.window.vsFlexGrid1()->model();
        EXPECT_EQ(topLevel(model), (QStringList{"[Jayyz]  (1)", "^1[^7Jayyz^1]  (1)",
                                                "^4[^3Jayyz^4]  (1)", "Bravo  (1)"}));

        w.window.foldColoursItem()->trigger();
        EXPECT_EQ(topLevel(model), (QStringList{"[Jayyz]  (3)", "Bravo  (1)"}));
        const QModelIndex group = model.index(0, 0);
        QStringList shown, tips;
        for (int r = 0; r < model.rowCount(group); ++r) {
            shown << text(model.index(r, 0, group));
            tips << text(model.index(r, 0, group), Qt::ToolTipRole);
        }
        EXPECT_EQ(shown, (QStringList{"[Jayyz]", "[Jayyz]", "[Jayyz]"}));
        // Equal folded names keep the order they stood in.
        EXPECT_EQ(tips, (QStringList{"[Jayyz]", "^1[^7Jayyz^1]", "^4[^3Jayyz^4]"}));
        // Equal shown names merge as equal names do.
        EXPECT_TRUE(model.index(1, 0, group).data(ViolationGridModel::MergedRole).toBool());
    }
    {
        test::Window again;
        EXPECT_TRUE(again.window.foldColoursItem()->isChecked());
        addColouredRows(again.window.form().vsFlexGrid1);
        test::arrange(again.window.form());
        EXPECT_EQ(topLevel(*again.window.vsFlexGrid1()->model()),
                  (QStringList{"[Jayyz]  (3)", "Bravo  (1)"}));
        // Unfolded at once, each colouring its own group again.
        again.window.foldColoursItem()->trigger();
        EXPECT_EQ(again.window.vsFlexGrid1()->model()->rowCount(), 4);
    }
    EXPECT_FALSE(QSettings().value("names/foldColours").toBool());
}

// The filter finds a folded name by the text the user sees.
TEST(NameAndLogItems, TheFilterMatchesFoldedNamesAsShown) {
    test::GridFixture f;
    addColouredRows(f.form.vsFlexGrid1);
    ViolationGridModel model(f.form.vsFlexGrid1);
    f.arrange();
    model.setFilter(QStringLiteral("[jayyz]"));
    EXPECT_EQ(model.shownDataRows(), 1);
    setFoldColours(f.form.vsFlexGrid1, true);
    f.arrange();
    model.setFilter({});
    model.setFilter(QStringLiteral("[jayyz]"));
    EXPECT_EQ(model.shownDataRows(), 3);
}

// Under the remembered item a scan in the window reads a game console's lines.
TEST(NameAndLogItems, ReadGameConsoleLinesIsUsedByTheNextScanAndRemembered) {
    QSettings().clear();
    test::ScratchFolder folder;
    const std::string log = folder.dir + "/console.log";
    fs::copy_file(TALLYHOUND_TEST_DATA "/logs/console.log", log);
    ASSERT_TRUE(test::setModified(log, test::consoleLogTime()));
    auto scan = [&log](test::Window& w) {
        w.window.form().pnlLogPathToFile.setCaption(log);
        w.window.cmdQuelvane_Click(cmd::kScan);
        EXPECT_TRUE(w.finished());
        return test::dataRowsByTitle(w.window.form().vsFlexGrid1).size();
    };
    {
        test::Window w;
        EXPECT_EQ(scan(w), 1u);  // the anti-cheat's own line only
        w.window.consoleLinesItem()->trigger();
        EXPECT_TRUE(w.window.form().scanOptions.consoleLines);
    }
    {
        test::Window again;
        EXPECT_TRUE(again.window.consoleLinesItem()->isChecked());
        EXPECT_EQ(scan(again), 7u);
        again.window.consoleLinesItem()->trigger();
        EXPECT_FALSE(again.window.form().scanOptions.consoleLines);
    }
    EXPECT_FALSE(QSettings().value("reading/consoleLines").toBool());
}

}  // namespace
}  // namespace th
