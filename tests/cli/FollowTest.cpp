#include <signal.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <random>
#include <thread>
#include <tuple>

#include "bans/SchemaMigration.h"
#include "cli/AfterMerge.h"
#include "platform/OpenFileLimit.h"
#include "platform/StopSignals.h"
#include "platform/TempFile.h"
#include "platform/XZipper.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/postgres/PostgresCluster.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using cli::runAfterMerge;

// The command follow runs after each merge that added or lifted bans: its words and its
// outcome.
TEST(AfterMerge, WordsAreSplitAtSpacesAndNothingElse) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {" rcon  -p 'secret word'\tban ", {"rcon", "-p", "'secret", "word'", "ban"}},
        {"a;b $(x) `y` |z", {"a;b", "$(x)", "`y`", "|z"}},  // no shell reads them
    };
    for (const auto& [command, words] : cases)
        EXPECT_EQ(cli::commandWords(command), words) << command;
}

// Whether the process whose number the file holds has ended (a zombie has) within 5 s.
bool endsSoon(const std::string& pidFile) {
    const std::string stat = "/proc/" + std::to_string(std::stoi(readBytes(pidFile))) + "/stat";
    for (int i = 0; i < 100; ++i) {
        const std::string line = fs::exists(stat) ? readBytes(stat) : "";
        const size_t state = line.rfind(") ");
        if (state == std::string::npos || line[state + 2] == 'Z') return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

// The command's outcome in words, or nothing when it succeeded; one that takes too long
// is stopped.
TEST(AfterMerge, WhatWentWrongIsSaid) {
    const std::string bans = "/srv/pb/pbbans.dat";
    EXPECT_EQ(runAfterMerge({"/bin/true"}, bans, 3, 0, 5s), "");  // its environment: below
    EXPECT_EQ(runAfterMerge({"/bin/sh", "-c", "exit 7"}, bans, 1, 0, 5s),
              "/bin/sh exited with status 7");
    EXPECT_EQ(runAfterMerge({"/no/such/program"}, bans, 1, 0, 5s),
              "/no/such/program could not be started: No such file or directory");
    // It reads nothing of follow's standard input: one that read it (here a pipe kept
    // open) held up every ban until it was stopped.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const int input = ::dup(0);
    ::dup2(pipe[0], 0);
    EXPECT_EQ(runAfterMerge({"/bin/cat"}, bans, 1, 0, 5s), "");
    ::dup2(input, 0);
    for (int fd : {pipe[0], pipe[1], input}) ::close(fd);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runAfterMerge({"/bin/sleep", "30"}, bans, 1, 0, 300ms),
              "/bin/sleep did not finish within 0.3 seconds and was stopped");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    // What it started is stopped with it.
    const std::string started = ::testing::TempDir() + "/tallyhound-started";
    EXPECT_EQ(runAfterMerge({"/bin/sh", "-c", "sleep 30 & echo $! >" + started + "; wait"}, bans, 1,
                            0, 300ms),
              "/bin/sh did not finish within 0.3 seconds and was stopped");
    EXPECT_TRUE(endsSoon(started));

    // A stop lets it finish, for a while: a reload cut short was never made up for.
    const std::string reloaded = ::testing::TempDir() + "/tallyhound-reloaded";
    const int stopped = test::runInChild([&] {
        StopSignals stops;
        ::raise(SIGTERM);
        const bool finished = runAfterMerge({"/bin/sh", "-c", "sleep 0.2; touch " + reloaded}, bans,
                                            1, 0, 5s, 3s) == "" &&
                              fs::exists(reloaded);
        const bool cut = runAfterMerge({"/bin/sleep", "30"}, bans, 1, 0, 5s, 300ms) ==
                         "/bin/sleep was stopped: tallyhound-cli was asked to stop";
        return finished && cut ? 0 : 1;
    });
    EXPECT_EQ(stopped, 0);
    fs::remove(reloaded);
    // A second stop stops it and all it started at once, then ends the program as a second
    // stop does: it ended the program and left them running.
    const std::string sleeping = ::testing::TempDir() + "/tallyhound-sleeping";
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(test::runInChild([&] {
                  StopSignals stops;
                  ::raise(SIGTERM);
                  runAfterMerge({"/bin/sh", "-c",
                                 "echo $$ >" + sleeping + "; kill -TERM $PPID; exec sleep 30"},
                                bans, 1, 0, 60s, 30s);
                  return 0;
              }),
              128 + SIGTERM);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);
    EXPECT_TRUE(endsSoon(sleeping));
    fs::remove(sleeping);

    // It starts with the limit of open files this program started with, not the raised one.
    rlimit before{};
    ::getrlimit(RLIMIT_NOFILE, &before);
    const rlimit low{64, before.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    raiseOpenFileLimit();
    const std::string seen = ::testing::TempDir() + "/tallyhound-open-files";
    EXPECT_EQ(runAfterMerge({"/bin/sh", "-c", "ulimit -Sn >" + seen}, bans, 1, 0, 5s), "");
    EXPECT_EQ(readBytes(seen), "64\n");
    ::setrlimit(RLIMIT_NOFILE, &before);
    raiseOpenFileLimit();
}

// follow started for real on a scratch folder, its standard output and error in files.
class Follow : public CommandFolder {
  protected:
    void TearDown() override {
        for (pid_t pid : {pid_, other_})
            if (pid > 0) endOf(pid, SIGKILL);
        CommandFolder::TearDown();
    }
    void start(Rows extra = {}, ProgramStart how = {}) {
        pid_ = launch(bans, db, logs, extra, "", how);
    }
    // follow of one server: its output in dir/out<tag> (unless how sends it elsewhere), its
    // errors in dir/err<tag>.
    pid_t launch(const std::string& banFile, const std::string& database, const std::string& folder,
                 Rows args, const std::string& tag, ProgramStart how = {}) {
        args.insert(args.begin(),
                    {"follow", "--bans", banFile, "--db", database, "--interval", "0.2"});
        args.push_back(folder);
        if (how.out.empty()) how.out = dir + "/out" + tag;
        how.err = dir + "/err" + tag;
        return startProgram(args, how);
    }
    // follow started afresh (its errors so far removed) and stopped once done() holds; its
    // exit status.
    int followUntil(const std::function<bool()>& done, const std::string& banFile = {},
                    ProgramStart how = {}) {
        fs::remove(dir + "/err");
        pid_ = launch(banFile.empty() ? bans : banFile, db, logs, {}, "", how);
        EXPECT_TRUE(waitUntil(done)) << err();
        return stop(pid_);
    }
    std::string err() const { return readBytes(dir + "/err"); }
    size_t said(const std::string& text) const { return timesIn(dir + "/err", text); }
    // Sends a signal and gives the exit status (128 + a signal that ended it).
    static int stop(pid_t& pid, int signal = SIGTERM) {
        const int status = endOf(pid, signal);
        pid = -1;
        return status;
    }
    // Waits, at most 20 s, until done() holds; whether it did.
    static bool waitUntil(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!done() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(20ms);
        return done();
    }
    // Waits until the ban file holds every one of the GUIDs.
    static bool waitForBans(const std::string& banFile, const Rows& guids) {
        return waitUntil([&] {
            return std::ranges::all_of(guids, [&](auto& g) { return timesIn(banFile, g); });
        });
    }
    // How often a text is in a file.
    static size_t timesIn(const std::string& path, const std::string& text) {
        const std::string bytes = readBytes(path);
        size_t n = 0;
        for (size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1))
            ++n;
        return n;
    }
    // Run by root, follow runs as nobody, whom the permissions bind: the folder is nobody's.
    void giveToNobody() const {
        if (::geteuid() != 0) return;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
    }

    pid_t pid_ = -1, other_ = -1;
};

TEST_F(Follow, BansWhatIsAppendedAndStopsOnSigterm) {
    append("sv_viol.log", violation("Early", guidOf(1)));  // written while follow was not running
    // (${IFS} parts the words for the shell: follow splits the command at spaces.)
    start({"--after-merge", "/bin/sh -c env>>" + dir + "/after;echo${IFS}reloaded"});
    ASSERT_TRUE(waitForBans(bans, {guidOf(1)}));
    append("sv_viol.log", "chatter\n" + violation("Late", guidOf(2)));
    append("2.log", violation("Other", guidOf(3)));  // a new log in the folder
    ASSERT_TRUE(waitForBans(bans, {guidOf(2), guidOf(3)}));
    // The bans are in the file before the after-merge command runs: a stop asked for
    // meanwhile would stop it too, and say so. It has run for all three once their
    // counts add up.
    auto told = [&] {
        const std::string after = readBytes(dir + "/after");
        int bans = 0;
        for (size_t at = 0; (at = after.find("TALLYHOUND_NEW_BANS=", at)) != std::string::npos;)
            bans += std::atoi(after.c_str() + (at += 20));
        return bans;
    };
    waitUntil([&] { return told() >= 3; });
    EXPECT_EQ(stop(pid_), 0);
    EXPECT_EQ(readBytes(dir + "/out"),
              bannedLine("Early", 1) + bannedLine("Late", 2) + bannedLine("Other", 3));
    // What the command printed went to standard error, not among the bans.
    EXPECT_TRUE(err().starts_with("reloaded\n")) << err();
    EXPECT_EQ(err().size(), 9 * said("reloaded\n")) << err();
    // The after-merge command ran with the ban file and the count in its environment.
    const std::string after = readBytes(dir + "/after");
    EXPECT_HOLDS(after, "TALLYHOUND_BANS=" + bans + "\n");
    EXPECT_HOLDS(after, "TALLYHOUND_NEW_BANS=1\n");
    // One backup, at the first merge; the later ones appended.
    EXPECT_EQ(filesIn("_pbbans.zip").size(), 1u);
}

// A ban lifted through another ban file of the database leaves this one at its next merge,
// and the after-merge command runs for it as for a new ban: the game server kept the lifted
// player banned until it restarted.
TEST_F(Follow, ALiftingTakenOutOfTheFileRunsTheAfterMergeCommand) {
    append("sv_viol.log", violation("Lifted", guidOf(1)) + violation("Kept", guidOf(2)));
    start({"--after-merge", "/bin/sh -c env>>" + dir + "/after"});
    // Printed once the merge is committed: the file is in place a moment before.
    ASSERT_TRUE(waitUntil([&] { return timesIn(dir + "/out", guidOf(2)) > 0; }));
    const std::string other = dir + "/other.dat";
    writeBytes(other, "");
    ASSERT_EQ(runCli({"db", "unban", "--db", db, "--bans", other, guidOf(1)}).status, 0);
    append("sv_viol.log", violation("Kept", guidOf(2)));  // the next merge, bringing no ban
    EXPECT_TRUE(waitUntil([&] { return timesIn(dir + "/after", "LIFTED_BANS=1\n") > 0; }));
    EXPECT_EQ(stop(pid_), 0);
    EXPECT_EQ(timesIn(bans, guidOf(1)), 0) << readBytes(bans);
    // (The shell lists the environment in an order of its own.)
    EXPECT_HOLDS(readBytes(dir + "/after"), "TALLYHOUND_NEW_BANS=0\n");
}

// A ban file put back (or cut) while follow was stopped holds every ban again after the
// first merge of the next start: nothing known of it then, it was only appended to, and
// lacked the bans the older copy did not hold until the next backup, up to a day later.
// What the older copy holds stays (a ban the game server added), and the copy is backed up
// first, as any file a merge rewrites: a line the rewrite takes out was lost.
TEST_F(Follow, AFilePutBackWhileStoppedHoldsEveryBanAfterTheNextStart) {
    append("sv_viol.log", violation("Alpha", guidOf(1)));
    EXPECT_EQ(followUntil([&] { return timesIn(bans, guidOf(1)) > 0; }), 0);
    const size_t zips = filesIn(".zip").size();
    writeBytes(bans, violationLine(guidOf(2)) + "\r\n");  // an older copy
    append("sv_viol.log", violation("Charlie", guidOf(3)));
    EXPECT_EQ(followUntil([&] { return timesIn(bans, guidOf(3)) > 0; }), 0);
    EXPECT_EQ(bansInFile(bans),
              (std::map<std::string, int>{{guidOf(1), 1}, {guidOf(2), 1}, {guidOf(3), 1}}))
        << readBytes(bans);
    EXPECT_EQ(filesIn(".zip").size(), zips + 1) << "backed up first";
    // So it does on a quiet server, at the start itself: it waited for a violation. The
    // after-merge command hears of the bans put back, for the game server to reload them.
    writeBytes(bans, violationLine(guidOf(3)) + "\r\n");
    start({"--after-merge", "/bin/sh -c env>>" + dir + "/after"});
    EXPECT_TRUE(waitUntil([&] { return timesIn(dir + "/after", "TALLYHOUND_NEW_BANS=2\n"); }))
        << readBytes(bans);
    EXPECT_EQ(stop(pid_), 0);
    EXPECT_EQ(bansInFile(bans).size(), 3u) << readBytes(bans);
    EXPECT_EQ(filesIn(".zip").size(), zips + 2) << "backed up first";
    // A start that backs up the bytes a zip holds already keeps no second zip of them: each
    // start of a quiet server left one more.
    const auto inode = [&] {
        struct stat st {};
        return ::stat(bans.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    for (int run = 0; run < 2; ++run) {
        const ino_t before = inode();  // the start's rewrite gives the file a new one
        EXPECT_EQ(followUntil([&] { return inode() != before; }), 0);
    }
    EXPECT_EQ(filesIn(".zip").size(), zips + 3);
}

// A ban file turned into a link to what is no file (/dev/null) while follow runs: what it
// could not merge is kept beside the ban file's name; it went into /dev, where no start
// looks for it.
TEST_F(Follow, ViolationsAreKeptBesideTheBanFileWhenItLinksToNoFile) {
    append("sv_viol.log", violation("Alpha", guidOf(1)));
    start();
    ASSERT_TRUE(waitForBans(bans, {guidOf(1)}));
    fs::remove(bans);
    fs::create_symlink("/dev/null", bans);
    append("sv_viol.log", violation("Bravo", guidOf(2)));
    ASSERT_TRUE(waitUntil([&] { return said("did not complete") > 0; })) << err();
    EXPECT_EQ(stop(pid_), 1);
    EXPECT_TRUE(fs::exists(bans + ".unmerged.sf")) << err();
    EXPECT_FALSE(fs::exists("/dev/null.unmerged.sf"));
}

// A ban file put back while follow runs, which follow may not replace (the older copy is
// root's, follow runs as nobody): every try is the sorted rewrite it needs, fails and says
// so, and the stop ends with 1. The failed rewrite once left follow appending to the older
// copy, which lacked a ban until the next backup, with 0 at the stop.
TEST_F(Follow, AFilePutBackThatCannotBeRewrittenIsNotOnlyAppendedTo) {
    if (::geteuid() != 0) GTEST_SKIP() << "root puts the copy back";
    append("sv_viol.log", violation("First", guidOf(1)));
    giveToNobody();
    start({}, {.asNobody = true});
    ASSERT_TRUE(waitForBans(bans, {guidOf(1)}));
    const std::string older = readBytes(bans);
    append("sv_viol.log", violation("Second", guidOf(2)));
    ASSERT_TRUE(waitForBans(bans, {guidOf(2)}));
    writeBytes(dir + "/older", older);
    ASSERT_EQ(::chmod((dir + "/older").c_str(), 0666), 0);
    fs::rename(dir + "/older", bans);
    append("sv_viol.log", violation("Third", guidOf(3)));
    ASSERT_TRUE(waitUntil([&] { return said("did not complete") >= 2; })) << err();
    EXPECT_EQ(stop(pid_), 1) << err();
    EXPECT_EQ(timesIn(bans, guidOf(3)), 0u) << readBytes(bans);
}

// A stop while follow's start waits for another program writing the database ends as any
// stop does, at once and with 0: it ended by the signal (143), without a word; with
// violations kept from an earlier stop it ended with 1, "while merges were failing". They
// are kept on. A terminal closed (SIGHUP) stops it as SIGTERM does: it ended it outright,
// keeping nothing.
TEST_F(Follow, AStopWhileTheStartWaitsForTheDatabaseEndsWithZero) {
    const std::string kept = bans + ".unmerged.sf";
    fs::copy_file(dataPath("scan/two-players.sf"), kept);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    start();
    std::this_thread::sleep_for(1s);  // waiting
    EXPECT_EQ(stop(pid_, SIGHUP), 0) << err();
    sqlite3_close(other);
    EXPECT_HOLDS(err(), "kept in " + kept + " for the next start to merge first");
}

// A merge that fails after its backup is tried again without another: each try left one
// more zip, some 288 a day while a database could not be written; a stop then ends with 1. A zip
// dated ahead of the clock (set back) puts off no backup, nor does a fresh one of another ban file
// beside it.
TEST_F(Follow, FailedMergesMakeOneBackupAndOtherZipsPutOffNone) {
    const auto zipOf = [&](const std::string& name, const std::string& holding) {
        XZipper zip;
        zip.setArchiveName(dir + "/" + name);
        zip.addBytes(holding, "[04.16.2017 21:03:11] aaaa1111 \"One\" \"\" \"r\"\r\n");
        zip.write();
    };
    zipOf("01-01-2020_00-00-00_pbbans.zip", baseOf(bans));
    fs::last_write_time(dir + "/01-01-2020_00-00-00_pbbans.zip",
                        fs::file_time_type::clock::now() + 24h * 30);
    zipOf("01-01-2020_00-00-01_pbbans.zip", "other.dat");
    sql(db, "DROP TABLE tblAliases");  // every merge fails after its backup
    append("sv_viol.log", violation("Early", guidOf(1)));
    // Stopped with the violation not merged: said, and not a clean stop.
    EXPECT_EQ(followUntil([&] { return said("did not complete") >= 3; }), 1);
    EXPECT_EQ(filesIn("_pbbans.zip").size(), 3u) << err();
    // The failure's box is printed once; each try after says it failed as before.
    EXPECT_EQ(said("An error has occured during a merge"), 1u);
    EXPECT_GE(said("did not complete, as before; it is tried again\n"), 2u);
    // What was read and not merged is kept and listed (the next test).
    EXPECT_TRUE(
        err().ends_with("tallyhound-cli: stopped while merges were failing; what they did "
                        "not merge is merged at the next start\n"))
        << err();
}

// Logs rotated while merges fail lose nothing once they work again: one first seen then and
// renamed away, and one copied and truncated twice. They are read on at every look, while the
// merges are tried after ever longer waits; read again from where the last merge left them,
// the first was forgotten and the second's first copy never read.
TEST_F(Follow, LogsRotatedWhileMergesFailLoseNothing) {
    sql(db, "ALTER TABLE tblAliases RENAME TO tblAway");  // every merge fails
    append("sv_viol.log", violation("Renamed", guidOf(1)));
    append("cut.log", violation("Cut", guidOf(2)));
    start();
    ASSERT_TRUE(waitUntil([&] { return said("did not complete") >= 1; }));
    // Copied and truncated, then written on; ten looks go by.
    const auto cut = [&](const std::string& name, int guid) {
        fs::copy_file(logs + "/cut.log", logs + "/cut.log.1");
        fs::resize_file(logs + "/cut.log", 0);
        append("cut.log", violation(name, guidOf(guid)));
        std::this_thread::sleep_for(2s);
    };
    fs::rename(logs + "/sv_viol.log", logs + "/sv_viol.log.1");
    append("sv_viol.log", violation("Next", guidOf(3)));
    cut("CutAgain", 4);
    fs::rename(logs + "/cut.log.1", logs + "/cut.log.2");
    cut("CutLast", 5);
    sql(db, "ALTER TABLE tblAway RENAME TO tblAliases");
    EXPECT_TRUE(waitForBans(bans, {guidOf(1), guidOf(2), guidOf(3), guidOf(4), guidOf(5)}))
        << readBytes(bans) << err();
    EXPECT_EQ(stop(pid_), 0);
    EXPECT_EQ(timesIn(dir + "/out", "\t"), 5u * 3) << "each banned once";
}

// What was read and not merged at a stop is kept beside the ban file and listed, and the next
// start merges it first, although its log rotated out of reach meanwhile: listed only, it was
// lost. Started again while the merges still fail, follow keeps each row once (the log read
// again gave them twice), and finds the file by any name of the ban file. The file goes once
// merged; one that cannot be read, or of another account, is said and left as it is.
TEST_F(Follow, ViolationsNotMergedAtAStopAreKeptForTheNextStart) {
    sql(db, "ALTER TABLE tblAliases RENAME TO tblAway");  // every merge fails
    append("sv_viol.log", violation("Held", guidOf(1)));
    const std::string kept = bans + ".unmerged.sf", link = dir + "/link.dat";
    fs::create_symlink(bans, link);
    // One made while follow ran (here by hand) is not written over: its rows were lost, and
    // a pipe there held the stop for ever.
    start();
    ASSERT_TRUE(waitUntil([&] { return said("did not complete") >= 1; }));
    writeBytes(kept, "made meanwhile");
    EXPECT_EQ(stop(pid_), 1);
    EXPECT_EQ(readBytes(kept), "made meanwhile");
    EXPECT_HOLDS(err(), "tallyhound-cli: the violations read and not merged could not be kept: " +
                            kept + " appeared while follow ran and is left as it is\n");
    fs::remove(kept);
    for (const std::string& banFile : {bans, link}) {
        EXPECT_EQ(followUntil([&] { return said("did not complete") >= 1; }, banFile), 1);
        EXPECT_HOLDS(err(),
                     "tallyhound-cli: read while merges were failing and not merged (1; kept in " +
                         kept + " for the next start to merge first):\nHeld\t");
    }
    fs::remove(logs + "/sv_viol.log");
    append("sv_viol.log", "chatter\n");
    sql(db, "ALTER TABLE tblAway RENAME TO tblAliases");
    EXPECT_EQ(followUntil([&] { return timesIn(bans, guidOf(1)) > 0; }), 0);
    EXPECT_EQ(err(), "tallyhound-cli: the violations kept in " + kept +
                         " at the last stop (1) are merged first\n");
    EXPECT_FALSE(fs::exists(kept));

    // A pipe put in its place (by the game server's account, say) held the start for ever.
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    writeBytes(kept, "TALLYHOUND SCAN FILE\r\n");
    std::vector<std::string> refusals = {"Scan file cut short: " + kept,
                                         kept + ": not a regular file"};
    if (::geteuid() == 0)
        refusals.push_back(
            kept + ": it belongs to another account (user 65534), not to the one following");
    for (const std::string& why : refusals) {
        // Its violations are not merged: the stop is no clean one (it ended with 0).
        EXPECT_EQ(followUntil([&] { return !err().empty(); }), 1);
        EXPECT_EQ(err(), "tallyhound-cli: " + why +
                             "; its violations are not merged and it is left as it is\n"
                             "tallyhound-cli: stopped with the violations kept in " +
                             kept + " not merged (said at the start)\n");
        if (fs::exists(pipe)) {
            fs::rename(pipe, kept);
        } else {  // a sound file, but planted by another account
            fs::remove(kept);
            fs::copy_file(dataPath("scan/two-players.sf"), kept);
            ASSERT_EQ(::chown(kept.c_str(), 65534, 65534), 0);
        }
    }
}

// A log named on its own that is not there yet is read once it is, as tail -F does: refused,
// a service was not started again, and the log of a server that had caught no one yet was
// never followed.
TEST_F(Follow, ALogNotThereYetIsReadOnceItIs) {
    const std::string log = logs + "/later.log";
    pid_ = launch(bans, db, log, {}, "");
    ASSERT_TRUE(waitUntil([&] { return !err().empty(); }));
    append("later.log", violation("Later", guidOf(1)));
    EXPECT_TRUE(waitForBans(bans, {guidOf(1)})) << err();
    // A second follow to the same file, here through a link, is refused: each took the
    // other's appends for another program's rewrite, and every merge backed the file up.
    const std::string link = dir + "/link.dat";
    fs::create_symlink(bans, link);
    ProgramStart bounded;
    bounded.program = "/usr/bin/timeout";
    EXPECT_EQ(runProgram({"20", TALLYHOUND_CLI, "follow", "--bans", link, "--db", db, logs},
                         bounded),
              (CliResult{2, "",
                         "tallyhound-cli: Another follow is merging into " + link +
                             " already; one follow takes every log of a ban file\n"}));
    EXPECT_EQ(stop(pid_), 0);
    EXPECT_EQ(err(), "tallyhound-cli: " + log + " is not there yet; it is read once it is\n");
    // Only a log's name: a mistyped folder was taken for a log to come, and followed nothing.
    EXPECT_EQ(
        runCli({"follow", "--bans", bans, "--db", db, dir + "/svlogz"}),
        (CliResult{2, "", "tallyhound-cli: " + dir + "/svlogz: no log or folder to follow\n"}));
    // A database a newer Tallyhound made is a configuration error too: it was tried for
    // ever, and a stop said merges were failing.
    sql(db, "PRAGMA user_version = 99");
    EXPECT_EQ(
        runProgram({"20", TALLYHOUND_CLI, "follow", "--bans", bans, "--db", db, logs}, bounded),
        (CliResult{2, "", "tallyhound-cli: " + newerSchemaText(db, 99) + "\n"}));
}

// A stop before follow could even read where the logs stand (the database down since its
// start) ends with 1: what was appended meanwhile is not merged. It ended with 0.
TEST_F(Follow, AStopBeforeTheDatabaseCouldBeReadEndsWithOne) {
    sql(db, "ALTER TABLE tblLogPositions RENAME TO tblAway");
    append("sv_viol.log", violation("Waiting", guidOf(1)));
    start();
    ASSERT_TRUE(waitUntil([&] { return said("could not be read") >= 1; }));
    std::this_thread::sleep_for(1500ms);  // two more tries
    EXPECT_EQ(stop(pid_), 1);
    EXPECT_EQ(said("could not be read"), 1u) << "said once while it fails alike";
    EXPECT_EQ(said("; it is tried again\n"), 1u) << err();
}

// A backup that fails alike at every try (the ban file's folder read-only) is said once and
// then in one line a try: its dated name, new every second, made each failure look new.
TEST_F(Follow, ABackupFailingAlikeIsSaidOnce) {
    const std::string folder = dir + "/banf", file = folder + "/pbbans.dat";
    fs::create_directory(folder);
    writeBytes(file, "");
    append("sv_viol.log", violation("Early", guidOf(1)));
    giveToNobody();
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_EQ(followUntil([&] { return said("did not complete") >= 3; }, file, {.asNobody = true}),
              1);
    EXPECT_EQ(said("An error has occured during a merge"), 1u) << err();
    EXPECT_GE(said("did not complete, as before; it is tried again\n"), 2u);
}

// Where the logs stand is stored at a stop; when that fails the stop says so and ends with
// status 1, not as a clean stop.
TEST_F(Follow, AStopThatCannotStoreWhereTheLogsStandEndsWithOne) {
    append("sv_viol.log", violation("Early", guidOf(1)));
    start();
    // The ban is printed once its merge is committed: the database is free then.
    ASSERT_TRUE(waitUntil([&] { return timesIn(dir + "/out", guidOf(1)) > 0; }));
    sql(db, "DROP TABLE tblLogPositions");
    append("sv_viol.log", "chatter\n");  // read at once, but stored twenty looks later
    // Said once while it keeps failing alike, and again at the stop: it was said at every
    // look (ten in these two seconds) while the database was down.
    const std::string notStored = "tallyhound-cli: where the logs stand could not be stored: ";
    ASSERT_TRUE(waitUntil([&] { return said(notStored) > 0; }));
    std::this_thread::sleep_for(2s);
    EXPECT_EQ(stop(pid_), 1);
    EXPECT_EQ(said(notStored), 2u) << err();
}

// A stop asked for while follow waits ends it within seconds, whatever it waits for: the
// after-merge command (up to a minute, past systemd's stop timeout; it gets 5 s to finish a
// reload), another writer of the database or another program holding the ban file's lock
// (up to 30 s each).
TEST_F(Follow, AStopWhileFollowWaitsIsPrompt) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
    int held = -1;
    // What holds follow up, set up before it starts and let go after it ended.
    using Step = std::function<void()>;
    const std::vector<std::tuple<const char*, Step, Step, Rows>> waits = {
        {"after-merge command", [] {}, [] {}, {"--after-merge", "/bin/sleep 100"}},
        {"database",
         [&] { sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr); },
         [&] { sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr); },
         {}},
        {"ban file's lock",
         [&] { held = ::open(bans.c_str(), O_RDONLY), ::flock(held, LOCK_EX); },
         [&] { ::close(held); },
         {}},
    };
    int n = 0;
    for (const auto& [what, hold, letGo, args] : waits) {
        SCOPED_TRACE(what);
        hold();
        append("sv_viol.log", violation("P", guidOf(++n)));
        start(args);
        // The command runs once the ban is written; the other waits come before that.
        if (!args.empty()) {
            EXPECT_TRUE(waitForBans(bans, {guidOf(n)}));
        }
        std::this_thread::sleep_for(1500ms);  // into the wait
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(stop(pid_), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 15s);
        letGo();
    }
    sqlite3_close(other);
    // Said as it is: no promise of another try by a follow that is ending.
    EXPECT_HOLDS(err(), db + ": another program was using it; stopped while waiting for it");
    EXPECT_HOLDS(err(), "did not complete; what it did not merge is merged at the next start");
    EXPECT_EQ(said("it is tried again"), 0u) << err();
}

// Its output's reader gone (follow | head): follow says so, goes on banning and ends with 1,
// as with a full disk, and the merge's after-merge command runs all the same: SIGPIPE ended
// it without a word, before the command that was to tell the game server.
TEST_F(Follow, OutputWithoutAReaderIsSaidAndTheAfterMergeCommandStillRuns) {
    const std::string pipe = dir + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    start({"--after-merge", "/bin/sh -c env>>" + dir + "/after"}, {.out = pipe});
    // Its output open, the reader goes before anything is written.
    const std::string output = "/proc/" + std::to_string(pid_) + "/fd/1";
    std::error_code gone;
    waitUntil([&] { return fs::read_symlink(output, gone) == pipe; });
    ::close(reader);
    append("sv_viol.log", violation("Piped", guidOf(1)));
    ASSERT_TRUE(waitForBans(bans, {guidOf(1)}));
    EXPECT_TRUE(waitUntil([&] { return timesIn(dir + "/after", "TALLYHOUND_NEW_BANS=1\n") > 0; }));
    EXPECT_EQ(stop(pid_), 1);
    EXPECT_HOLDS(err(), "Broken pipe");
}

// A log or folder that cannot be read is said once and keeps no other log from being
// followed (it stopped every merge); readable again, it is read on from where it stood.
TEST_F(Follow, AnUnreadableLogIsSaidOnceAndTheOthersAreFollowed) {
    append("a.log", violation("First", guidOf(1)));
    append("b.log", "chatter\n");
    giveToNobody();
    start({}, {.asNobody = true});
    ASSERT_TRUE(waitForBans(bans, {guidOf(1)}));
    const std::string hidden = logs + "/b.log";
    ::chmod(hidden.c_str(), 0);
    append("b.log", violation("Hidden", guidOf(3)));
    append("a.log", violation("Second", guidOf(2)));
    ASSERT_TRUE(waitForBans(bans, {guidOf(2)}));
    std::this_thread::sleep_for(500ms);  // more looks at the unreadable log
    ::chmod(hidden.c_str(), 0644);
    ASSERT_TRUE(waitForBans(bans, {guidOf(3)}));
    // So is a folder, looked at again at every look rather than after ever longer waits.
    ::chmod(logs.c_str(), 0);
    append("a.log", violation("Fourth", guidOf(4)));
    std::this_thread::sleep_for(1500ms);
    ::chmod(logs.c_str(), 0755);
    ASSERT_TRUE(waitForBans(bans, {guidOf(4)}));
    // Stopped while a log cannot be read, follow ends with 1: it ended with 0.
    const std::string denied =
        "tallyhound-cli: Permission denied: " + hidden + "; the other logs are followed\n";
    ::chmod(hidden.c_str(), 0);
    ASSERT_TRUE(waitUntil([&] { return said(denied) == 2; }));
    EXPECT_EQ(stop(pid_), 1);
    EXPECT_EQ(err(), denied + "tallyhound-cli: Permission denied: " + logs +
                         "; the other logs are followed\n" + denied +
                         "tallyhound-cli: stopped while logs could not be read (said above); "
                         "they are read at the next start from where they stood\n");
}

// Killed at any moment, follow loses no ban and bans nothing twice once restarted: the
// places move with the bans, in their transaction, and the file is replaced whole or
// appended under the lock.
TEST_F(Follow, AKillAtAnyMomentLosesNoBanAndBansNothingTwice) {
    std::string big;
    for (int n = 0; n < 20000; ++n)
        big +=
            "[01.06.2003 20:09:59] " + guidOf(1000000 + n) + " \"Old\" \"192.0.2.1:1\" \"x\"\r\n";
    writeBytes(bans, big);
    std::mt19937 random(12345);
    std::vector<std::string> guids;
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < 3; ++i) {
            guids.push_back(guidOf(static_cast<int>(guids.size()) + 1));
            append("sv_viol.log", violation("P" + std::to_string(guids.size()), guids.back()));
        }
        // Half the rounds rewrite the file sorted on every merge, half append.
        start(round % 2 ? Rows{} : Rows{"--backup-every", "0"});
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
        stop(pid_, SIGKILL);
        for (const auto& [guid, count] : bansInFile(bans)) ASSERT_EQ(count, 1) << guid;
    }
    start();
    ASSERT_TRUE(waitForBans(bans, guids));
    EXPECT_EQ(stop(pid_, SIGINT), 0);
    const auto count = bansInFile(bans);
    EXPECT_EQ(count.size(), 20000u + guids.size());
    for (const auto& [guid, n] : count) EXPECT_EQ(n, 1) << guid;
    // Every new ban is in the database once (the file's old ones join it at the next
    // sorted rewrite).
    std::string list;
    for (const std::string& guid : guids) list += (list.empty() ? "'" : ",'") + guid + "'";
    EXPECT_EQ(sql(db, "SELECT count(*) FROM tblVandrel WHERE GUID IN (" + list + ")"),
              Rows{std::to_string(guids.size())});
}

// Two servers follow one PostgreSQL database: a ban caught on A reaches B's ban file with
// no line in B's logs, also when the database was down in between (B catches up, and
// says once that it lost touch); a ban lifted on A leaves B's file.
TEST_F(Follow, ABanCaughtOnOneServerReachesTheOthersFile) {
    PostgresCluster& cluster = PostgresCluster::shared();
    const std::string uri = cluster.freshDatabaseUri(), bansB = dir + "/b.dat",
                      logsB = dir + "/logsB";
    ASSERT_EQ(runProgram({"db", "init", "--db", uri}).status, 0);
    fs::create_directories(logsB);
    writeBytes(bansB,
               "[01.06.2003 20:09:59] " + guidOf(999) + " \"Old\" \"192.0.2.1:1\" \"x\"\r\n");
    pid_ = launch(bans, uri, logs, {"--server", "A"}, "A");
    other_ = launch(bansB, uri, logsB, {"--server", "B"}, "B");
    std::this_thread::sleep_for(1s);  // both caught up and listening
    append("sv_viol.log", violation("Cheat", guidOf(1)));
    ASSERT_TRUE(waitForBans(bansB, {guidOf(1), guidOf(999)}));
    cluster.stop(true);
    append("sv_viol.log", violation("Later", guidOf(2)));
    std::this_thread::sleep_for(1500ms);
    cluster.start();
    ASSERT_TRUE(waitForBans(bansB, {guidOf(2)}));
    // A ban lifted through A's file leaves B's too.
    ASSERT_EQ(runProgram({"db", "unban", "--db", uri, "--bans", bans, guidOf(1)}).status, 0);
    EXPECT_TRUE(waitUntil([&] { return timesIn(bansB, guidOf(1)) == 0; }));
    EXPECT_EQ(stop(other_), 0);
    EXPECT_EQ(stop(pid_), 0);
    // B caught nothing itself, and has each ban once.
    EXPECT_EQ(readBytes(dir + "/outB"), "");
    EXPECT_EQ(bansInFile(bansB), (std::map<std::string, int>{{guidOf(2), 1}, {guidOf(999), 1}}));
    const std::string err = readBytes(dir + "/errB");
    EXPECT_EQ(timesIn(dir + "/errB", "tallyhound-cli: lost touch with the ban database"), 1u)
        << "once per outage: " << err;
    EXPECT_LACKS(err, "FATAL") << "the server's own notice, raw: " << err;
}

// While another merge holds the fleet's writers' lock, a follower waiting for it still
// stops when asked, long before the other lets go; what it did not merge is merged at its
// next start. Its first look found no ban anywhere, and its backup then counts: one zip.
TEST_F(Follow, AFollowerWaitingForAnotherMergeStopsWhenAsked) {
    PostgresCluster& cluster = PostgresCluster::shared();
    const std::string uri = cluster.freshDatabaseUri();
    ASSERT_EQ(runProgram({"db", "init", "--db", uri}).status, 0);
    pid_ = launch(bans, uri, logs, {}, "");
    std::this_thread::sleep_for(1s);  // caught up
    std::future<void> other = std::async(std::launch::async, [&] {
        cluster.run(PostgresCluster::databaseOf(uri),
                    "BEGIN; SELECT pg_advisory_xact_lock(8386095523070324597); "
                    "SELECT pg_sleep(8); COMMIT;");
    });
    std::this_thread::sleep_for(1s);  // the lock is taken
    append("sv_viol.log", violation("Waits", guidOf(1)));
    std::this_thread::sleep_for(1s);  // the merge waits
    EXPECT_EQ(stop(pid_), 0);
    EXPECT_EQ(other.wait_for(0s), std::future_status::timeout) << "stopped while it waited";
    EXPECT_HOLDS(err(), "stopped while another merge was writing");
    EXPECT_LACKS(readBytes(bans), guidOf(1));
    other.wait();
    pid_ = launch(bans, uri, logs, {}, "");
    EXPECT_TRUE(waitForBans(bans, {guidOf(1)}));
    EXPECT_EQ(stop(pid_), 0);  // the merge in hand ends first, its zips settled
    // Each start's first merge, a sorted rewrite, backs up first; the file was still empty
    // at the second, whose zip the first start's holds already: one.
    EXPECT_EQ(filesIn(".zip").size(), 1u);
}

}  // namespace
}  // namespace th::test
