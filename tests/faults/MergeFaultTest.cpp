#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <functional>

#include "bans/DatabaseUtilities.h"
#include "bans/Merge.h"
#include "bans/SqliteConnection.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/faults/FaultShim.h"

namespace th::test {
namespace {

using faults::Mode;

const std::string kErrorLead = "An error has occured during a merge of this log        \r\n";
const std::string kConnectLead = "An unhandled error has occured {g_blnConnectToDatabase}\r\n";

// An access list giving one more account (nobody) read and write: the kernel's own form of
// `setfacl -m u:65534:rw`, as a game server's account might be let in. After the version,
// each entry is a tag, its permissions and an id, little-endian.
const std::string kAccessList(
    "\x02\0\0\0"
    "\x01\0\x06\0\xff\xff\xff\xff"   // the owner
    "\x02\0\x06\0\xfe\xff\0\0"       // nobody
    "\x04\0\x04\0\xff\xff\xff\xff"   // the group
    "\x10\0\x06\0\xff\xff\xff\xff"   // the mask
    "\x20\0\x04\0\xff\xff\xff\xff",  // others
    44);

std::string accessList(const std::string& path) {
    char bytes[256];
    const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", bytes, sizeof bytes);
    return n > 0 ? std::string(bytes, static_cast<size_t>(n)) : std::string();
}

// A small merge: a ban file of two bans and a temp ban, two new violations in the grid.
// The ban file has an access list, which a merge must keep or fail.
class MergeFaults : public BanFolderTest {
  protected:
    void SetUp() override {
        faults::install();
        BanFolderTest::SetUp();
        writeBans(crlf({"[04.16.2017 21:03:11] aaaa1111 \"One\" \"192.0.2.1:1\" \"r1\"",
                        "[05.01.2017 00:00:00] bbbb2222 \"Two\" \"192.0.2.2:2\" \"r2\"", "",
                        "; a temp ban"}));
        ASSERT_EQ(accessList(bans), kAccessList) << "this file system keeps no access lists";
        EXPECT_TRUE(merge().outcome.completed);  // the database agrees with the file
        oldBytes = readBytes(bans), oldDb = readBytes(db), grid = true;
        EXPECT_TRUE(merge().outcome.completed);
        newBytes = readBytes(bans);
        ASSERT_NE(newBytes, oldBytes);
    }
    void restore() {
        g_CloseDatabase();
        for (const auto& e : std::filesystem::directory_iterator(dir))
            std::filesystem::remove(e.path());
        writeBans(oldBytes);
        writeBytes(db, oldDb);
    }
    void writeBans(const std::string& bytes) {
        writeBytes(bans, bytes);
        ::setxattr(bans.c_str(), "system.posix_acl_access", kAccessList.data(), kAccessList.size(),
                   0);
    }
    Merged merge() {
        MergeOptions options;
        options.appendOnly = appending;
        options.backUp = !appending;
        // A game server that still holds the file open adds its line after the check.
        if (!writerLine.empty())
            options.beforeReplace = [&] {
                if (readBytes(bans).find(writerLine) != std::string::npos) return;
                appendBytes(bans, writerLine);  // its calls are the C++ library's: never failed
                writerWrote = true;
            };
        return mergeRows(bans, grid ? newRows : std::vector<GridRow>{}, options);
    }
    // Runs the merge in a child whose call k fails (or ends it); what the child reported.
    struct Run {
        bool exited = false, completed = false, replaced = false, wrote = false;
        std::string box;
    };
    Run faulty(Mode mode, int k) {
        const std::optional<std::string> text = inChild(dir, [&] {
            writerWrote = false;
            faults::arm(mode, k);
            const Merged m = merge();
            faults::disarm();
            return std::string(m.outcome.completed ? "C" : "-") +
                   (m.outcome.fileReplaced ? "R" : "-") + (writerWrote ? "W" : "-") +
                   (m.shown.empty() ? "" : m.shown.back().prompt);
        });
        if (!text) return {};
        return {true, text->at(0) == 'C', text->at(1) == 'R', text->at(2) == 'W', text->substr(3)};
    }
    // The file holds the old or the new bytes, the database is whole, and (unless the
    // run was ended) holds the bans and temp ban of that file, and nothing temporary is left.
    void expectSound(bool ended) {
        const std::string file = readBytes(bans);
        EXPECT_TRUE(file == oldBytes || file == newBytes) << file;
        EXPECT_EQ(accessList(bans), kAccessList);
        EXPECT_EQ(sql(db, "PRAGMA integrity_check"), (Rows{"ok"}));
        if (ended) return;
        Rows guids = {"aaaa1111", "bbbb2222"};
        if (file == newBytes) guids.insert(guids.end(), {"cccc3333", "dddd4444"});
        EXPECT_EQ(sql(db, "SELECT GUID FROM tblVandrel ORDER BY GUID"), guids);
        EXPECT_EQ(sql(db, "SELECT TempBan FROM qrySelectAllTempBans"), (Rows{"; a temp ban"}));
        EXPECT_TRUE(filesIn(".tmp").empty() && filesIn("-journal").empty());
    }

    // Counts the calls of a clean merge, then runs it once per call and fault with that
    // call failed (ENOSPC) or ended, each from the old state: check judges the run,
    // the next merge must complete, and mended judges what it left. The number of calls.
    int forEachFault(const std::function<void(Mode, const Run&)>& check,
                     const std::function<void()>& mended) {
        restore();
        faults::arm(Mode::Count, 0);
        EXPECT_TRUE(merge().outcome.completed);
        const int points = faults::calls();
        faults::disarm();
        for (int k = 1; k <= points; ++k)
            for (Mode mode : {Mode::NoSpace, Mode::Kill}) {
                SCOPED_TRACE("call " + std::to_string(k) + " mode " +
                             std::to_string(static_cast<int>(mode)));
                restore();
                const Run run = faulty(mode, k);
                EXPECT_TRUE(run.exited || mode == Mode::Kill);
                // A database that cannot be opened is the connect's. A box never points to a
                // backup that is not there.
                if (mode != Mode::Kill && !run.completed) {
                    EXPECT_TRUE(run.box.starts_with(kErrorLead) ||
                                run.box.starts_with(kConnectLead))
                        << run.box;
                    EXPECT_TRUE(run.box.find("the dated zip") == std::string::npos ||
                                !filesIn(".zip").empty())
                        << run.box;
                }
                check(mode, run);
                EXPECT_TRUE(merge().outcome.completed) << "the next merge";
                mended();
            }
        return points;
    }

    // Two new violations, once the database agrees with the file.
    const std::vector<GridRow> newRows = {
        violationRow("cccc3333", "New"),
        violationRow("dddd4444", "Newer", "[06.02.2017 00:00:00]")};
    bool grid = false, appending = false, writerWrote = false;
    std::string writerLine, oldBytes, newBytes, oldDb;
};

// Every call the merge makes to the file system, failed in turn with ENOSPC and ended
// there as by a crash: the file is never half-written, the database never torn or
// out of step, the message tells what happened, and the next merge mends everything.
TEST_F(MergeFaults, EveryCallFailedOrEndedInTurnLeavesFileAndDatabaseSound) {
    int failed = 0;
    const int points = forEachFault(
        [&](Mode mode, const Run& run) {
            expectSound(mode == Mode::Kill);
            EXPECT_EQ(run.exited, mode != Mode::Kill) << "a killed run ends at the call";
            if (mode == Mode::Kill) return;
            failed += !run.completed;
            // The truth: a report when the file is new, an error box saying so when not.
            const bool isNew = readBytes(bans) == newBytes;
            EXPECT_EQ(std::pair(run.completed, run.replaced), std::pair(isNew, isNew)) << run.box;
        },
        [&] {
            EXPECT_EQ(readBytes(bans), newBytes);
            expectSound(false);
        });
    ASSERT_GT(points, 10);
    EXPECT_EQ(failed, points) << "every call of the merge matters";
}

// A writer adds a line just before the file is replaced, and every call fails in turn: a
// call of the merge that fails after the line came fails the merge, and the old file goes
// back with the line, also when the failure came before the merge read it. Only a run
// ended outright between the replacing and that reading loses it.
TEST_F(MergeFaults, ALineAddedBeforeTheReplacingSurvivesEveryFailedCall) {
    writerLine = "; added by the server\r\n";
    int afterTheLine = 0;
    forEachFault(
        [&](Mode mode, const Run& run) {
            if (mode == Mode::Kill) return;
            afterTheLine += run.wrote;  // else it failed before the writer came
            EXPECT_EQ(readBytes(bans), oldBytes + (run.wrote ? writerLine : "")) << run.box;
            EXPECT_FALSE(run.wrote && run.completed) << "a failed call went unreported";
        },
        [&] { EXPECT_EQ(readBytes(bans), newBytes + writerLine); });
    EXPECT_GT(afterTheLine, 0);
}

// The appending merge (follow's between two backups), every call failed or ended in turn:
// the ban file holds its old bytes or those and the whole new lines, never half a line; a
// failure is reported; the next run completes it, appending nothing twice.
TEST_F(MergeFaults, EveryCallOfTheAppendingMergeFailedOrEndedLeavesNoHalfLine) {
    appending = true;
    const std::string appended =
        oldBytes + crlf({violationLine("cccc3333", "New"),
                         violationLine("dddd4444", "Newer", "[06.02.2017 00:00:00]")});
    int failed = 0;
    forEachFault(
        [&](Mode mode, const Run& run) {
            const std::string file = readBytes(bans);
            EXPECT_TRUE(file == oldBytes || file == appended) << file;
            if (mode == Mode::Kill) return;
            failed += !run.completed;
            // Completed, it appended; else the box never says the file is as it was when it
            // holds the new bans.
            EXPECT_EQ(run.completed ||
                          run.box.find(merge_text::kErrorAdviceAppended) != std::string::npos,
                      file == appended)
                << run.box;
        },
        [&] {
            EXPECT_EQ(readBytes(bans), appended);
            EXPECT_EQ(sql(db,
                          "SELECT group_concat(GUID) FROM tblVandrel WHERE GUID IN "
                          "('cccc3333', 'dddd4444')"),
                      Rows{"cccc3333,dddd4444"});
        });
    EXPECT_GT(failed, 0);
}

// A backup that cannot write beside the database names the folder, not the database,
// which is sound and readable.
TEST_F(MergeFaults, ABackupThatCannotWriteBesideTheDatabaseNamesItsFolder) {
    const std::optional<std::string> why = inChild(dir, [] {
        TestWindow w;
        std::string archive, why;
        // The first call after those of the look whether it is a ban database.
        faults::arm(Mode::Count, 0);
        whyNotABanDatabase(databasePath());
        faults::arm(Mode::NoSpace, faults::calls() + 1);
        EXPECT_FALSE(g_blnBackupDatabase(w.form, archive, &why));
        faults::disarm();
        return why;
    });
    EXPECT_EQ(why, "No space left on device: " + dir);
}

}  // namespace
}  // namespace th::test
