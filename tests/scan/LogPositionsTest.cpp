#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "platform/Error.h"
#include "scan/LogPositions.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Files.h"

namespace th {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs plans one after another as the commands do: what each reads, then its positions
// stored.
struct Runs {
    std::vector<LogPosition> stored;

    std::string run(const std::vector<std::string>& logs,
                    const std::vector<std::string>& folders = {}) {
        ScanPlan plan = planScan(stored, logs, folders);
        std::string read;
        for (const LogSlice& s : plan.slices) {
            std::string bytes(s.end - s.begin, '\0');
            EXPECT_EQ(::pread(s.file->descriptor(), bytes.data(), bytes.size(),
                              static_cast<off_t>(s.begin)),
                      static_cast<ssize_t>(bytes.size()));
            read += bytes;
        }
        for (const LogPosition& g : plan.gone)
            std::erase_if(stored, [&](const LogPosition& p) { return p.sameLog(g); });
        for (const LogPosition& p : plan.positions) {
            std::erase_if(stored, [&](const LogPosition& q) { return q.sameLog(p); });
            stored.push_back(p);
        }
        return read;
    }
};

struct LogPositions : ::testing::Test, test::ScratchFolder {};

// Appends, or overwrites in place: the same inode, as a writer that truncates or rewrites
// its log.
const auto append = test::appendBytes, overwrite = test::writeBytes;

// Each step changes the log (or its folder) and says what the next run reads. A log read
// through a link in another folder is looked for where it is rotated, beside the file the
// link leads to: it reads the same.
TEST_F(LogPositions, EachRunReadsOnlyTheCompleteLinesNotReadBefore) {
    const test::ScratchFolder elsewhere, links;
    const std::string log = dir + "/sv_viol.log";
    const std::string link = links.dir + "/sv_viol.log";
    fs::create_symlink(log, link);
    const std::string head(5000, 'h');  // longer than the hashed head
    const std::string restarted =
        "z\n" + std::string(4095, 'h') + "H" + head.substr(4096) + "\nnew\n";
    struct Step {
        const char* what;
        std::function<void()> change;
        std::string read;
    };
    // Two rotations between two runs: the log begun after the first (unseen) is renamed on
    // before a run sees it, and the newest starts.
    auto rotateTwice = [&](const std::string& unseen, const std::string& newest) {
        fs::rename(log, log + ".3");
        std::this_thread::sleep_for(20ms);  // past the clock tick of the last look
        append(log, unseen);
        fs::rename(log + ".3", log + ".4");
        fs::rename(log, log + ".3");
        append(log, newest);
    };
    auto removeCopies = [&](std::initializer_list<const char*> ends) {
        for (const char* end : ends) fs::remove(log + end);
    };
    const std::vector<Step> steps = {
        {"first run", [&] { append(log, "a\nb\n"); }, "a\nb\n"},
        {"nothing new", [] {}, ""},
        {"appended", [&] { append(log, "c\r\n"); }, "c\r\n"},
        {"half a line", [&] { append(log, "d"); }, ""},
        {"completed", [&] { append(log, "dd\ne"); }, "ddd\n"},
        {"truncated", [&] { overwrite(log, "x\n"); }, "x\n"},
        {"first bytes replaced, same size", [&] { overwrite(log, "z\n"); }, "z\n"},
        {"long head grows", [&] { append(log, head + "\n"); }, head + "\n"},
        // A server restarted onto its log: the same banner, then other lines, past the place.
        {"rewritten with the same first bytes: from its start", [&] { overwrite(log, restarted); },
         restarted},
        {"rotated: the rest of the old log, then the new one",
         [&] {
             append(log, "rest\n");
             fs::rename(log, log + ".1");
             append(log, "fresh\n");
         },
         "rest\nfresh\n"},
        // The game server writes on into it until it opens its new log.
        {"written to after the rotation", [&] { append(log + ".1", "late\n"); }, "late\n"},
        {"rotated again", [&] { fs::rename(log + ".1", log + ".2"); }, ""},
        {"the rotated log is deleted", [&] { fs::remove(log + ".2"); }, ""},
        // Between two runs (a follower stopped for two days), two rotations: the log begun
        // after the first was renamed on before any run saw it, and was never read.
        {"rotated twice: the rest, the log no run saw, then the new one",
         [&] {
             append(log, "rest\n");
             rotateTwice("unseen\n", "newest\n");
         },
         "rest\nunseen\nnewest\n"},
        {"nothing new after them", [] {}, ""},
        {"those rotated logs are deleted", [&] { removeCopies({".3", ".4"}); }, ""},
        // The same with the first rotated log compressed away (delaycompress); a copy kept by
        // hand is no rotated log.
        {"rotated twice, the first compressed: the log no run saw, then the new one",
         [&] {
             fs::rename(log, log + ".3");
             std::this_thread::sleep_for(20ms);
             append(log, "unseen too\n");
             fs::copy_file(log, log + ".bak");
             fs::remove(log + ".3");
             fs::rename(log, log + ".3");
             append(log, "newest too\n");
         },
         "unseen too\nnewest too\n"},
        // Copied and emptied, then renamed: the copy's rest comes first.
        {"copytruncate, then a rotation by renaming",
         [&] {
             append(log, "kept\n");
             fs::copy_file(log, log + ".5");
             fs::resize_file(log, 0);
             append(log, "between\n");
             fs::rename(log, log + ".6");
             append(log, "latest\n");
         },
         "kept\nbetween\nlatest\n"},
        {"those are deleted too",
         [&] {
             removeCopies({".3", ".5", ".6", ".bak"});
         },
         ""},
        // Read when it was empty, the log has no bytes read to tell its copy by.
        {"emptied", [&] { overwrite(log, ""); }, ""},
        {"written, then copied and emptied: the copy whole",
         [&] {
             append(log, "copied once\n");
             fs::copy_file(log, log + ".1");
             fs::resize_file(log, 0);
             fs::last_write_time(log, fs::file_time_type::clock::now() - 10s);
         },
         "copied once\n"},
        {"that copy is deleted", [&] { fs::remove(log + ".1"); }, ""},
        // Logs that each begin with the same banner: the one no run saw is no copy of the
        // one read, and once read it is known, as the game server may write on into it.
        {"a banner", [&] { append(log, "banner\n"); }, "banner\n"},
        {"rotated twice, each log begun with the banner",
         [&] { rotateTwice("banner\nmiddle\n", "banner\nlast\n"); },
         "banner\nmiddle\nbanner\nlast\n"},
        {"nothing new: nothing read again", [] {}, ""},
        {"written on into the log no run saw", [&] { append(log + ".3", "late\n"); }, "late\n"},
        {"those rotated logs are deleted too", [&] { removeCopies({".3", ".4"}); }, ""},
        // logrotate's copytruncate: what came since the last run is only in the copy.
        {"copied and emptied: the copy's rest, then the log from its start",
         [&] {
             append(log, "copied\n");
             fs::copy_file(log, log + ".1");
             overwrite(log, "after\n");
         },
         "copied\nafter\n"},
        // A server that does not append writes on at its old place: a hole of NULs, then
        // its line, which was no violation line with the NULs run into it.
        {"copied and emptied, written on at the old place: the hole is left out",
         [&] {
             append(log, "more\n");
             const auto place = static_cast<off_t>(fs::file_size(log));
             fs::rename(log + ".1", log + ".2");  // rotation moves the last copy on
             fs::copy_file(log, log + ".1");
             fs::resize_file(log, 0);
             const int fd = ::open(log.c_str(), O_WRONLY);
             EXPECT_EQ(::pwrite(fd, "held\n", 5, place), 5);
             ::close(fd);
         },
         "more\nheld\n"},
        {"emptied with no copy: from its start", [&] { overwrite(log, "x\n"); }, "x\n"},
        {"the copies are deleted", [&] { removeCopies({".1", ".2"}); }, ""},
        {"rotated to another folder: gone, the new one from its start",
         [&] {
             fs::rename(log, elsewhere.dir + "/sv_viol.log");
             append(log, "again\n");
         },
         "again\n"},
    };
    Runs runs, linked;
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(runs.run({log}), step.read) << step.what;
        EXPECT_EQ(linked.run({link}), step.read) << step.what << ", through the link";
    }
    // What stays stored: the log under its name, where it now ends.
    ASSERT_EQ(runs.stored.size(), 1u);
    EXPECT_EQ(runs.stored[0].path, log);
    EXPECT_EQ(runs.stored[0].position, fs::file_size(log));
}

// A folder's logs: a new one is read from its start, one renamed within the folder keeps its
// place, one that left is forgotten; each reader has its own positions.
// A log of another run that was deleted may have given its number to a copy of this run's
// log: it is still this log's copy, whose rest was lost for it.
TEST_F(LogPositions, ACopyWithTheNumberOfAnotherRunsLogIsStillACopy) {
    const std::string log = dir + "/sv.log";
    Runs runs;
    append(log, "a\n");
    EXPECT_EQ(runs.run({log}), "a\n");
    append(log, "b\n");
    fs::copy_file(log, log + ".1");
    overwrite(log, "c\n");
    struct stat st {};
    ASSERT_EQ(::stat((log + ".1").c_str(), &st), 0);
    LogPosition other;
    other.path = dir + "/other.log";
    other.device = static_cast<uint64_t>(st.st_dev);
    other.inode = static_cast<uint64_t>(st.st_ino);
    other.position = 4;
    runs.stored.push_back(other);
    EXPECT_EQ(runs.run({log}), "b\nc\n");
}

TEST_F(LogPositions, FoldersAndTheirLogsComeAndGo) {
    append(dir + "/1.log", "one\n");
    Runs merge, look;
    EXPECT_EQ(merge.run({dir + "/1.log"}, {dir}), "one\n");
    append(dir + "/1.log", "more\n");
    append(dir + "/2.log", "two\n");
    EXPECT_EQ(look.run({dir + "/1.log", dir + "/2.log"}, {dir}), "one\nmore\ntwo\n");
    EXPECT_EQ(merge.run({dir + "/1.log", dir + "/2.log"}, {dir}), "more\ntwo\n");
    fs::rename(dir + "/2.log", dir + "/3.log");
    append(dir + "/3.log", "three\n");
    EXPECT_EQ(merge.run({dir + "/1.log", dir + "/3.log"}, {dir}), "three\n");
    fs::remove(dir + "/1.log");
    ScanPlan plan = planScan(merge.stored, {dir + "/3.log"}, {dir + "/"});
    EXPECT_TRUE(plan.slices.empty());
    ASSERT_EQ(plan.gone.size(), 1u);
    EXPECT_EQ(plan.gone[0].path, dir + "/1.log");
    // One file named twice is read once.
    Runs twice;
    EXPECT_EQ(twice.run({dir + "/3.log", dir + "/3.log"}), "two\nthree\n");
    // A log renamed since it was listed is not there, rather than one that cannot be read:
    // follow said so for a routine rotation and exited 1 at its stop.
    std::vector<std::string> unreadable;
    EXPECT_TRUE(planScan({}, {dir + "/none.log"}, {dir}, &unreadable).slices.empty());
    EXPECT_TRUE(unreadable.empty());
    EXPECT_THROW(planScan({}, {dir}, {}), Error);  // a folder is no log
}

// More logs than files may be open: the plan fails, where the logs past the limit were left
// out as unreadable, look after look, and never read.
TEST_F(LogPositions, TheLimitOfOpenFilesFailsThePlanRatherThanLeavingLogsOut) {
    std::vector<std::string> logs;
    for (int n = 0; n < 20; ++n) {
        logs.push_back(dir + "/" + std::to_string(n) + ".log");
        append(logs.back(), "line\n");
    }
    const int outcome = test::runInChild([&] {
        int open = 0;
        for (int fd = 0; fd < 1024; ++fd) open += ::fcntl(fd, F_GETFD) != -1;
        const rlimit few{static_cast<rlim_t>(open + 5), static_cast<rlim_t>(open + 5)};
        std::vector<std::string> unreadable;
        try {
            if (::setrlimit(RLIMIT_NOFILE, &few) == 0) planScan({}, logs, {dir}, &unreadable);
        } catch (const Error& e) {
            const bool told = e.description().starts_with("Too many open files: ");
            return told && unreadable.empty() ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(outcome, 0);
}

}  // namespace
}  // namespace th
