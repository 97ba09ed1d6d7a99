#include <gtest/gtest.h>

#include "bans/SchemaMigration.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/faults/FaultShim.h"

namespace th::test {
namespace {

using faults::Mode;

class UpgradeFaults : public BanFolderTest {
  protected:
    void SetUp() override {
        faults::install();
        BanFolderTest::SetUp();
        std::filesystem::remove(db);
        sql(db, schemaUpTo(1) + "INSERT INTO tblVandrel (GUID) VALUES ('kept')");
        old = readBytes(db);
    }
    // Connects in a child, with call k failed (Count: none failed): "+" when the upgrade went
    // through, else "-", then the number of calls.
    std::string upgrade(Mode mode, int k) {
        const auto said = inChild(dir, [=] {
            TestWindow w;
            faults::arm(mode, k);
            const bool connected = g_blnConnectToDatabase(w.form);
            g_CloseDatabase();
            const std::string out = (connected ? "+" : "-") + std::to_string(faults::calls());
            faults::disarm();
            return out;
        });
        return said.value_or("");
    }
    std::string old;
};

// An upgrade with each of its calls failed in turn (a full disk): a failed one leaves the old
// database and keeps no copy of it, so that follow, trying every few minutes, cannot fill the
// disk with copies; the next one upgrades it and keeps one. The copy once stayed whenever the
// commit failed, which it does when the copy took the room the commit needed.
TEST_F(UpgradeFaults, AFailedUpgradeKeepsNoCopyAndTheNextOneUpgrades) {
    const std::string counted = upgrade(Mode::Count, 0);
    ASSERT_TRUE(counted.starts_with("+")) << counted;
    const int points = std::stoi(counted.substr(1));
    ASSERT_GT(points, 5);
    int failed = 0;
    for (int k = 1; k <= points; ++k) {
        SCOPED_TRACE("call " + std::to_string(k));
        for (const auto& e : std::filesystem::directory_iterator(dir))
            std::filesystem::remove(e.path());
        writeBytes(db, old);
        const bool upgraded = upgrade(Mode::NoSpace, k).starts_with("+");
        failed += !upgraded;
        EXPECT_EQ(
            sql(db, "PRAGMA integrity_check; PRAGMA user_version; SELECT GUID FROM tblVandrel"),
            (Rows{"ok", upgraded ? std::to_string(latestSchemaVersion()) : "1", "kept"}));
        EXPECT_EQ(filesIn(".zip").size(), upgraded ? 1u : 0u);
        // (Once upgraded, only a failed deleting of the copy could leave it.)
        EXPECT_TRUE(upgraded || filesIn(".tmp").empty());
        EXPECT_TRUE(upgrade(Mode::Count, 0).starts_with("+")) << "the next run";
        EXPECT_EQ(filesIn(".zip").size(), 1u);
    }
    EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace th::test
