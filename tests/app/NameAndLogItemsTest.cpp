#include <gtest/gtest.h>

#include <QAction>
#include <QSettings>

#include "app/ViolationGridView.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"

namespace th {
namespace {

QString text(const QModelIndex& i) {
    return i.data().toString();
}

// The item folds the grid's names: a player's colourings group as one and show without
// codes (how, and that the cells keep them: the colour codes' test), and the filter finds
// a folded name by the text the user sees.
TEST(NameAndLogItems, FoldColourCodesRegroupsAndShowsFolded) {
    QSettings().clear();
    test::Window w;
    // One player under three colourings and another player: four groups as written, two
    // when folded.
    const std::string guid = "0123456789abcdef0123456789abcdef";
    for (const char* name : {"^4[^3Jayyz^4]", "Bravo", "[Jayyz]", "^1[^7Jayyz^1]"})
        w.window.form().vsFlexGrid1.addRow({name, "(AIMBOT)", "50001", "[04.16.2017 21:03:11]",
                                            "(slot #3)", name[0] == 'B' ? "bbbb" : guid,
                                            "198.51.100.7:28960"});
    test::arrange(w.window.form());
    ViolationGridModel& model = w.window.vsFlexGrid1()->gridModel();
    ASSERT_EQ(model.rowCount(), 4);
    model.setFilter(QStringLiteral("[jayyz]"));
    EXPECT_EQ(model.shownDataRows(), 1);

    w.window.foldColoursItem()->trigger();
    EXPECT_EQ(model.shownDataRows(), 3);
    model.setFilter({});
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(text(model.index(0, 0)), "[Jayyz]  (3)");
    EXPECT_EQ(text(model.index(2, 0, model.index(0, 0))), "[Jayyz]");
    // Unfolded at once, each colouring its own group again.
    w.window.foldColoursItem()->trigger();
    EXPECT_EQ(model.rowCount(), 4);
}

}  // namespace
}  // namespace th
