#include <gtest/gtest.h>

#include "bans/NewDatabase.h"
#include "stats/Statistics.h"
#include "tests/bans/BanTestSupport.h"

namespace th {
namespace {

using BanStatistics = test::BanFolderTest;

TEST_F(BanStatistics, TheDatabaseCountsBansByMonthAndReason) {
    test::sql(db,
              "INSERT INTO tblVandrel (GUID, TimeStamp, ViolationReason) VALUES "
              "('a', '[04.16.2017 21:03:11]', '\"VIOLATION DETECTED -> (AIMBOT) #50000\"'),"
              "('b', '[04.30.2017 01:00:00]', '\"VIOLATION DETECTED -> (AIMBOT) #50000\"'),"
              "('c', '[05.01.2017 01:00:00]', ''),"
              "('d', 'yesterday', '\"manual\"')");
    const BanFigures f = banFigures(db);
    EXPECT_EQ(f.bans, 4);
    EXPECT_EQ(f.undated, 1);
    EXPECT_EQ(f.perMonth, (std::vector<Tally>{{"2017-04", 2}, {"2017-05", 1}}));
    EXPECT_EQ(f.perReason, (std::vector<Tally>{{"VIOLATION DETECTED -> (AIMBOT) #50000", 2},
                                               {"(no reason)", 1},
                                               {"manual", 1}}));
    EXPECT_THROW(banFigures(dir + "/none.mdb"), Error);
}

}  // namespace
}  // namespace th
