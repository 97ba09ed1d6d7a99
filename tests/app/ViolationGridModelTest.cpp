#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QMap>
#include <QSettings>
#include <QTest>

#include "app/ViolationGridView.h"
#include "tests/app/GridFixture.h"
#include "tests/app/WindowFixture.h"

namespace th::test {
namespace {

QString text(const QModelIndex& i) {
    return i.data().toString();
}

// A header section dragged with the mouse, as a hand drags it: pressed in its middle,
// moved in steps and let go over the first section's left edge.
void dragSectionToFront(QHeaderView* header, int position) {
    QWidget* bar = header->viewport();
    const int y = header->height() / 2;
    const QPoint start(
        header->sectionViewportPosition(position) + header->sectionSize(position) / 2, y);
    const QPoint end(header->sectionViewportPosition(0) + 2, y);
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 10; ++step) QTest::mouseMove(bar, start + (end - start) * step / 10);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, end);
}

TEST(ViolationGridModel, FollowsRowsAddedAndCutAndReadsNothingPastTheGridWhileDrawingIsOff) {
    GridFixture f;
    f.addSampleRows();
    ViolationGridModel model(f.form.vsFlexGrid1);
    QModelIndex last = model.index(3, 0);
    f.form.vsFlexGrid1.setRedraw(false);
    f.form.vsFlexGrid1.setRows(2);
    EXPECT_FALSE(last.data().isValid());
    f.form.vsFlexGrid1.setRedraw(true);
    EXPECT_EQ(model.rowCount(), 1);
    f.add({"Dave", "(AIMBOT)", "50001", "[x]", "(slot #9)", "dddd", "d:1"});
    EXPECT_EQ(text(model.index(1, 0)), "Dave");
}

TEST(ViolationGridModel, TheFilterKeepsRowsHoldingTheTextAnywhereWithTheirGroups) {
    GridFixture f;
    f.addSampleRows();
    f.add({"J\xFCrgen", "(SPEEDHACK)", "100000", "[2024.01.04 12:00:00]", "(slot #7)", "dddd",
           "d:1"});
    ViolationGridModel model(f.form.vsFlexGrid1);
    f.arrange();
    // Each shown group and its shown rows' Timestamp, as "Group: stamp stamp".
    auto shown = [&] {
        QStringList out;
        for (int g = 0; g < model.rowCount(); ++g) {
            QString line = text(model.index(g, 0)) + ":";
            for (int r = 0; r < model.rowCount(model.index(g, 0)); ++r)
                line += " " + text(model.index(r, 3, model.index(g, 0)));
            out << line;
        }
        return out.join(" | ");
    };
    const std::pair<QString, QString> cases[] = {
        {"aLI", "Alice  (2): [2024.01.01 09:00:00] [2024.01.01 09:30:00]"},
        {"(aimbot)", "Bob  (1): [2024.01.02 10:00:00] | Carol  (1): [2024.01.03 11:00:00]"},
        {QString::fromUtf8("\xC3\x9C"),
         QString::fromUtf8("J\xC3\xBCrgen  (1): [2024.01.04 12:00:00]")},
        {"09:30", "Alice  (1 of 2): [2024.01.01 09:30:00]"},
        {"no such text", ""},
    };
    for (const auto& [filter, rows] : cases) {
        model.setFilter(filter);
        EXPECT_EQ(shown(), rows) << filter.toStdString();
    }
    model.setFilter("");
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.shownDataRows(), 5);
    EXPECT_EQ(f.form.vsFlexGrid1.rows(), 10);  // the grid itself keeps every row

    // A name that turned the text after it around, its group's count too ("Evil(1)
    // reverse"), or held control characters (drawn as empty boxes) is shown written out.
    f.add({"Evil\xE2\x80\xAE" "esrever\x1B", "(AIMBOT)", "50001", "[x]", "s", "eeee", "e:1"});
    f.arrange();
    model.setFilter("Evil");
    EXPECT_EQ(shown(), "Evil\\u202Eesrever\\x1B  (1): [x]");
}

// A column dragged to the front through the header with the mouse keeps its width, before
// any row is there to size it by (the widths once stayed with the positions); with rows, a
// column dragged to the front becomes the grouping key.
TEST(ViolationGridView, ADraggedColumnKeepsItsWidthAndRegroupsAtTheFront) {
    GridFixture f;
    ViolationGridView view{f.form};
    view.resize(500, 300);  // narrower than the columns: the last one is not stretched
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QHeaderView* header = view.header();
    auto title = [&](int c) {
        return view.gridModel().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    QMap<QString, int> widths;
    for (int c = 0; c < header->count(); ++c) {
        header->resizeSection(c, 60 + 10 * c);
        widths[title(c)] = 60 + 10 * c;
    }
    dragSectionToFront(header, 5);
    ASSERT_EQ(title(0), "GUID");
    for (int c = 0; c < header->count(); ++c)
        EXPECT_EQ(header->sectionSize(c), widths[title(c)]) << title(c).toStdString();

    f.addSampleRows();
    f.arrange();
    dragSectionToFront(header, 6);
    QStringList groups;  // the grouping column's value in each group row
    for (int i = 0; i < view.gridModel().rowCount(); ++i)
        groups << text(view.gridModel().index(i, 0));
    EXPECT_EQ(groups, (QStringList{"a:1  (2)", "b:1  (1)", "c:1  (1)"}));
}

// The item folds the grid's names: a player's colourings group as one and show without
// codes (how, and that the cells keep them: the colour codes' test), and the filter finds
// a folded name by the text the user sees.
TEST(NameAndLogItems, FoldColourCodesRegroupsAndShowsFolded) {
    QSettings().clear();
    Window w;
    // One player under three colourings and another player: four groups as written, two
    // when folded.
    const std::string guid = "0123456789abcdef0123456789abcdef";
    for (const char* name : {"^4[^3Jayyz^4]", "Bravo", "[Jayyz]", "^1[^7Jayyz^1]"})
        w.window.form().vsFlexGrid1.addRow({name, "(AIMBOT)", "50001", "[04.16.2017 21:03:11]",
                                            "(slot #3)", name[0] == 'B' ? "bbbb" : guid,
                                            "198.51.100.7:28960"});
    arrange(w.window.form());
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
}  // namespace th::test
