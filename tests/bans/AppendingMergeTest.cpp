#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "bans/Merge.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

// The ban lines of GUID numbers n, n + 1, ...: count of them.
std::string lineOf(int n, int count = 1) {
    std::string out;
    for (int i = n; i < n + count; ++i)
        out += "[04.16.2017 21:03:11] " + guidOf(i) + " \"P\" \"192.0.2.1:1\" \"VIOLATION\"\r\n";
    return out;
}

class AppendingMerge : public BanFolderTest {
  protected:
    // One appending merge (else a sorted rewrite, backed up) of a grid holding the ban of GUID
    // number n (none for 0).
    void merge(int n, bool appending = true) {
        MergeOptions options;
        options.banFile = bans;
        options.appendOnly = appending;
        options.backUp = !appending;
        options.known = &known;
        const std::vector<GridRow> grid = {violationRow(guidOf(n), "P" + std::to_string(n))};
        const Merged merged = mergeRows(bans, n > 0 ? grid : std::vector<GridRow>{}, options);
        EXPECT_TRUE(merged.outcome.completed) << merged.said();
    }
    KnownBanFile known;
};

// follow's appending merges, one after another, keep what they knew of the ban file and
// read only what was added since. The grid's ban is one the file already holds (written
// there by another program): appended again, it would be there twice.
TEST_F(AppendingMerge, AppendingMergesReadOnlyWhatWasAdded) {
    struct Step {
        const char* what;
        std::function<void()> change;
        int grid;  // the GUID number in the grid
    };
    const std::vector<Step> steps = {
        {"the first run reads it whole", [&] { writeBytes(bans, lineOf(1000, 100) + lineOf(1)); },
         1},
        {"grown by the game server", [&] { appendBytes(bans, lineOf(2)); }, 2},
        {"half a line, then its end",
         [&] {
             const std::string line = lineOf(3);
             appendBytes(bans, line.substr(0, 40));
             merge(0);
             appendBytes(bans, line.substr(40));
         },
         3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const std::string before = readBytes(bans);
        merge(step.grid);
        EXPECT_EQ(readBytes(bans), before) << "held already: not appended";
    }
    // A ban the file lacks is appended once.
    std::string before = readBytes(bans);
    merge(8);
    EXPECT_EQ(readBytes(bans), before + violationLine(guidOf(8), "P8") + "\r\n");

    // A ban the database holds already (through another ban file) but this file lacks is
    // appended too, as the database has it.
    sql(db, "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) VALUES ('" +
                guidOf(9) +
                "', '[04.16.2017 21:03:11]', '\"P\"', '\"192.0.2.1:1\"', "
                "'\"VIOLATION\"')");
    before = readBytes(bans);
    merge(9);
    merge(9);
    EXPECT_EQ(readBytes(bans), before + lineOf(9)) << "once";
    EXPECT_TRUE(filesIn(".zip").empty());
}

// A ban file that is no longer the one the last run knew, grown (an older copy put back
// while follow runs, a rewrite in place, a cut) may lack bans the database holds, and one
// still known may hold a ban lifted since it was last rewritten (on another server of a
// fleet): the next merge rewrites it sorted, backed up as any, and the appending merges go
// on from there. They waited for the next daily rewrite, the players unbanned in the game
// meanwhile.
TEST_F(AppendingMerge, AFileThatIsNotTheOneKnownIsRewrittenWithEveryBan) {
    const std::string many = lineOf(1000, 100);  // past the hashed first bytes
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"an older copy put back",
         [&] {
             writeBytes(bans + ".old", many);
             std::filesystem::rename(bans + ".old", bans);
         }},
        {"first line changed in place",
         [&] { writeBytes(bans, lineOf(5) + readBytes(bans).substr(lineOf(5).size())); }},
        {"a line before where the reading stopped changed in place",
         [&] {
             const std::string bytes = readBytes(bans);
             const size_t at = bytes.rfind(lineOf(1099));
             ASSERT_NE(at, std::string::npos);
             writeBytes(bans,
                        bytes.substr(0, at) + lineOf(6) + bytes.substr(at + lineOf(6).size()));
         }},
        {"shrunk", [&] { writeBytes(bans, lineOf(7)); }},
        {"a ban lifted elsewhere",
         [&] {
             sql(db, "DELETE FROM tblVandrel WHERE GUID = '" + guidOf(1000) +
                         "'; INSERT INTO tblLiftedBans (GUID, LiftedAt) VALUES ('" + guidOf(1000) +
                         "', '[04.17.2017 00:00:00]')");
         }},
    };
    const auto guidsIn = [](const std::string& bytes) {
        Rows guids;
        for (size_t at = 0; (at = bytes.find("] ", at)) != std::string::npos; at += 2)
            guids.push_back(bytes.substr(at + 2, bytes.find(' ', at + 2) - at - 2));
        std::sort(guids.begin(), guids.end());
        return guids;
    };
    writeBytes(bans, many);
    merge(0);
    size_t zips = 0;
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        merge(20 + static_cast<int>(zips));  // a new ban, appended to the file as known
        change();
        merge(0);
        EXPECT_EQ(guidsIn(readBytes(bans)), sql(db, "SELECT GUID FROM tblVandrel ORDER BY GUID"));
        EXPECT_EQ(filesIn(".zip").size(), ++zips);
        const std::string rewritten = readBytes(bans);
        merge(0);  // then known again: nothing more to do
        EXPECT_EQ(readBytes(bans), rewritten);
        EXPECT_EQ(filesIn(".zip").size(), zips);
    }
}

// The game server's own bans, appended to the file between two merges, are stored by the
// next appending merge, after a sorted rewrite as after an appending merge, and not
// appended again. They waited for the next sorted rewrite (a day, with follow), and the
// other servers of a fleet with them.
TEST_F(AppendingMerge, TheGameServersOwnBansAreStoredAtTheNextMerge) {
    writeBytes(bans, lineOf(1000));
    merge(1, false);  // follow's first merge
    const auto stored = [&] { return sql(db, "SELECT GUID FROM tblVandrel ORDER BY GUID"); };
    Rows expected = {guidOf(1), guidOf(1000)};
    for (int n : {2, 4}) {
        SCOPED_TRACE(n);
        appendBytes(bans, lineOf(n));
        merge(n + 1);
        expected.insert(expected.end(), {guidOf(n), guidOf(n + 1)});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(stored(), expected);
        EXPECT_EQ(sql(db, "SELECT PlayerName FROM tblAliases WHERE GUID = '" + guidOf(n) + "'"),
                  Rows{"\"P\""});
        const std::string file = readBytes(bans);
        EXPECT_EQ(file.find(guidOf(n)), file.rfind(guidOf(n))) << "appended once";
    }
    const std::string file = readBytes(bans);
    merge(0);
    EXPECT_EQ(readBytes(bans), file);
    EXPECT_EQ(stored(), expected);
    // One appended while follow was not running, which knows nothing of the file at start.
    appendBytes(bans, lineOf(7));
    known = {};
    merge(0);
    expected.push_back(guidOf(7));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(stored(), expected);
}

}  // namespace
}  // namespace th::test
