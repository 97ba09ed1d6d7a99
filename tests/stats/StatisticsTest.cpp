#include <gtest/gtest.h>

#include <filesystem>

#include "bans/SchemaMigration.h"
#include "scan/ColourCodes.h"
#include "scan/GridColumns.h"
#include "stats/Statistics.h"
#include "tests/app/GridFixture.h"
#include "tests/bans/BanTestSupport.h"

namespace th {
namespace {

TEST(Statistics, TheGridCountsByKindDayAndPlayerWhereverItsColumnsStand) {
    test::GridFixture grid;
    FlexGrid& g = grid.form.vsFlexGrid1;
    auto add = [&](std::string_view name, const char* kind, const char* stamp) {
        grid.add({name, kind, "50000", stamp, "s", "g", "i"});
    };
    add("Bob", "(AIMBOT)", "[04.16.2017 21:03:11]");
    add("Alice", "(WALLHACK)", "[04.16.2017 22:00:00]");
    add("Alice", "(AIMBOT)", "[04.17.2017 01:00:00]");
    add("Carol", "VIOLATION", "[03.02.2017 10:00:00]");
    add("Carol", "(AIMBOT)", "not a stamp");
    // Days that never were: charted, they bridged the quiet days around them.
    add("Dave", "(AIMBOT)", "[02.30.2017 10:00:00]");
    add("Dave", "(AIMBOT)", "[02.29.2017 10:00:00]");
    for (int i = 0; i < 25; ++i)
        add("P" + std::to_string(100 + i), "(SPEEDHACK)", "[05.01.2017 00:00:00]");
    g.moveColumn(3, 0);  // Timestamp to the front, then arranged into groups
    grid.arrange();

    const GridFigures f = gridFigures(g);
    EXPECT_EQ(f.violations, 32);
    EXPECT_EQ(f.undated, 3);
    EXPECT_EQ(f.perKind,
              (std::vector<Tally>{
                  {"(SPEEDHACK)", 25}, {"(AIMBOT)", 5}, {"(WALLHACK)", 1}, {"VIOLATION", 1}}));
    // Quiet days between are zero where they begin and end: a line drawn straight across
    // them read as violations every day.
    EXPECT_EQ(f.perDay, (std::vector<Tally>{{"2017-03-02", 1},
                                            {"2017-03-03", 0},
                                            {"2017-04-15", 0},
                                            {"2017-04-16", 2},
                                            {"2017-04-17", 1},
                                            {"2017-04-18", 0},
                                            {"2017-04-30", 0},
                                            {"2017-05-01", 25}}));
    std::vector<Tally> top = {{"Alice", 2}, {"Carol", 2}, {"Dave", 2}, {"Bob", 1}};  // first 20
    for (int i = 100; i <= 115; ++i) top.push_back({"P" + std::to_string(i), 1});
    EXPECT_EQ(f.topPlayers, top);

    // With colour codes folded, a player is counted under the name the grid shows.
    GridColumns(g).addRow(
        g, {"^1Ali^7ce", "(AIMBOT)", "50000", "[04.18.2017 01:00:00]", "s", "g", "i"});
    setFoldColours(g, true);
    grid.arrange();
    EXPECT_EQ(gridFigures(g).topPlayers[0], (Tally{"Alice", 3}));
}

using BanStatistics = test::BanFolderTest;

TEST_F(BanStatistics, TheDatabaseCountsBansByMonthAndReason) {
    test::sql(db,
              "INSERT INTO tblVandrel (GUID, TimeStamp, ViolationReason) VALUES "
              "('a', '[04.16.2017 21:03:11]', '\"VIOLATION DETECTED -> (AIMBOT) #50000\"'),"
              "('b', '[04.30.2017 01:00:00]', '\"VIOLATION DETECTED -> (AIMBOT) #50000\"'),"
              "('c', '[05.01.2017 01:00:00]', ''),"
              "('d', 'yesterday', '\"manual\"'),"
              "('e', '[01.02.0999 01:00:00]', '\"manual\"')");
    const BanFigures f = banFigures(db);
    EXPECT_EQ(f.bans, 5);
    EXPECT_EQ(f.undated, 1);
    EXPECT_EQ(f.perMonth,
              (std::vector<Tally>{{"0999-01", 1}, {"2017-04", 2}, {"2017-05", 1}}));  // in order
    EXPECT_EQ(f.perReason, (std::vector<Tally>{{"VIOLATION DETECTED -> (AIMBOT) #50000", 2},
                                               {"manual", 2},
                                               {"(no reason)", 1}}));
    EXPECT_THROW(banFigures(dir + "/none.mdb"), Error);
    // A newer Tallyhound's database is refused, as every other reader refuses it.
    const std::string newer = dir + "/newer.mdb";
    std::filesystem::copy_file(db, newer);
    test::sql(newer, "PRAGMA user_version = 99");
    try {
        banFigures(newer);
        ADD_FAILURE() << "read";
    } catch (const Error& e) {
        EXPECT_EQ(e.description(), newerSchemaText(newer, 99));
    }

    // Past kTopBars reasons the rest are one bar: every reason its own once made a bar
    // each, which took the window minutes and gigabytes to lay out.
    for (int i = 0; i < 40; ++i)
        test::sql(db, "INSERT INTO tblVandrel (GUID, ViolationReason) VALUES ('x" +
                          std::to_string(i) + "', '\"r" + std::to_string(100 + i) + "\"')");
    std::vector<Tally> top = f.perReason;
    for (int i = 100; top.size() < kTopBars; ++i) top.push_back({"r" + std::to_string(i), 1});
    top.push_back({"(13 other reasons)", 13});
    EXPECT_EQ(banFigures(db).perReason, top);
}

}  // namespace
}  // namespace th
