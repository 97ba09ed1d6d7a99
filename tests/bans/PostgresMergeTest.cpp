// The merge with a shared PostgreSQL database: the same file as with SQLite, and a
// server that goes away in the middle of a merge.

#include <gtest/gtest.h>

#include <sstream>

#include "bans/Database.h"
#include "bans/Merge.h"
#include "bans/PostgresBanStore.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/postgres/PostgresCluster.h"

namespace th::test {
namespace {

class PostgresMerge : public BanFolderTest {
  protected:
    // The sample's ban file in place, its grid in the window, the dialog answered.
    void prepare(TestWindow& w) {
        writeBytes(bans, readBytes(dataPath("bans/sample.pbbans.dat")));
        std::istringstream in(readBytes(dataPath("bans/sample.grid.tsv")));
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string_view> cells;
            for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1)
                cells.push_back(
                    std::string_view(line).substr(start, (tab = line.find('\t', start)) - start));
            w.form.vsFlexGrid1.addRow(cells);
        }
        w.scripted.files.answers.push_back({bans});
    }
    // The ban file a merge of the sample gives with the SQLite database.
    std::string mergedWithSqlite() {
        TestWindow w;
        prepare(w);
        g_MergeIntoBanFile(w.form);
        return readBytes(bans);
    }
    PostgresCluster& cluster = PostgresCluster::shared();
};

TEST_F(PostgresMerge, AServerStoppedMidMergeLeavesTheFileAndTheNextRunCompletes) {
    const std::string expected = mergedWithSqlite();
    const std::string uri = cluster.freshDatabaseUri();
    createBanDatabase(uri);
    setDatabasePath(uri);

    TestWindow w;
    prepare(w);
    const std::string before = readBytes(bans);
    bool stopped = false;
    w.scripted.events.onRepaint = [&] {
        if (stopped || !g_cnnDatabase) return;  // once connected, before anything is stored
        stopped = true;
        cluster.stop();
    };
    g_MergeIntoBanFile(w.form);
    cluster.start();
    ASSERT_TRUE(stopped);
    const ShownBox& failure = w.scripted.messages.shown.back();
    EXPECT_TRUE(failure.prompt.starts_with("An error has occured during a merge of this log"))
        << failure.prompt;
    EXPECT_NE(failure.prompt.find("postgresql://***@/"), std::string::npos) << failure.prompt;
    EXPECT_EQ(readBytes(bans), before);
    EXPECT_FALSE(g_cnnDatabase);

    TestWindow again;
    prepare(again);
    g_MergeIntoBanFile(again.form);
    EXPECT_TRUE(again.scripted.messages.shown.back().prompt.starts_with("Merge complete"))
        << again.scripted.messages.shown.back().prompt;
    EXPECT_EQ(readBytes(bans), expected) << "the same file as with SQLite";
}

// Another server hears of new bans once they are committed, and of nothing else.
TEST_F(PostgresMerge, ListenersHearOfCommittedNewBansOnly) {
    const std::string uri = cluster.freshDatabaseUri();
    createBanDatabase(uri);
    PostgresBanStore listener(uri), writer(uri);
    EXPECT_FALSE(listener.waitForNewBans(0));
    const std::vector<Ban> bans = {{"abc", "[04.16.2017 21:03:11]", "\"n\"", "\"a\"", ""}};
    {
        StoreTransaction t(writer);
        writer.addBans(bans, [](int64_t) {});
        EXPECT_FALSE(listener.waitForNewBans(200)) << "not before the commit";
        t.commit();
    }
    EXPECT_TRUE(listener.waitForNewBans(5000));
    writer.addBans(bans, [](int64_t) {});  // known already: nothing new
    EXPECT_FALSE(listener.waitForNewBans(200));
}

}  // namespace
}  // namespace th::test
