#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/TempFile.h"
#include "platform/TextFileWriter.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/ChildProcess.h"

namespace th {
namespace {

namespace fs = std::filesystem;

using TextFileWriterTest = test::TempFolderTest;
using test::readBytes;

// Lines end in CR LF; a write through a link replaces the file it leads to, which keeps its
// mode and attributes. (A write that fails before its commit leaves the old file and no
// temporary one: the scan file's FailuresKeepTheGridAndTheOldFile.)
TEST_F(TextFileWriterTest, LinesEndInCrLfAndTheReplacedFileKeepsItsLinkModeAndAttributes) {
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    const std::string real = dir + "/real.txt";
    std::ofstream(real) << "old";
    fs::permissions(real, mode);
    // The user's own attributes stay with the file, where its file system keeps them.
    const bool tagged = ::setxattr(real.c_str(), "user.note", "kept", 4, 0) == 0;
    fs::create_symlink(real, dir + "/link.txt");
    TextFileWriter linked(dir + "/link.txt");
    linked.writeLine(std::string("\xe9\0\xff", 3));
    linked.writeLine("");
    linked.write("tail");
    linked.commit();
    EXPECT_EQ(readBytes(real), std::string("\xe9\0\xff\r\n\r\ntail", 11));
    EXPECT_TRUE(fs::is_symlink(dir + "/link.txt"));  // the link is followed, not replaced
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, mode);
    char note[8] = {};
    const ssize_t noted = ::getxattr(real.c_str(), "user.note", note, sizeof note);
    EXPECT_EQ(std::string(note, noted > 0 ? static_cast<size_t>(noted) : 0), tagged ? "kept" : "");

    // A link to a file not there yet: the file is made where it leads, the link kept.
    fs::create_directory(dir + "/sub");
    fs::create_symlink("sub/new.txt", dir + "/dangling.txt");
    TextFileWriter dangling(dir + "/dangling.txt");
    dangling.writeLine("made");
    dangling.commit();
    EXPECT_TRUE(fs::is_symlink(dir + "/dangling.txt"));
    EXPECT_EQ(readBytes(dir + "/sub/new.txt"), "made\r\n");

    // A name as long as names may be: the temporary file's own name is shorter.
    const std::string longest = dir + "/" + std::string(251, 'n') + ".txt";
    TextFileWriter named(longest);
    named.writeLine("long");
    named.commit();
    EXPECT_EQ(readBytes(longest), "long\r\n");
}

// A file with a second name is not replaced: the other name would keep the old content.
// (A missing folder's error, which follows errno, is the HTML command's box in
// HtmlBanListTest; the old file's mode kept is the first test here.)
TEST_F(TextFileWriterTest, AFileWithASecondNameIsRefusedByName) {
    std::ofstream(dir + "/a.txt") << "old";
    fs::create_hard_link(dir + "/a.txt", dir + "/b.txt");
    EXPECT_EQ(test::raised([&] { TextFileWriter file(dir + "/a.txt"); }),
              "Tallyhound 70: Not replaced, since it has other names (hard links) that would keep "
              "the old content: " +
                  dir + "/a.txt");
    EXPECT_EQ(entries(), 2);
}

// A run stopped while it wrote (Ctrl+C on a long HTML export) leaves its hidden temporary
// file; the next write of that file takes it away, and no other: not another run's, nor a
// user's file of that shape, which writing any file in the folder once deleted.
TEST_F(TextFileWriterTest, ATemporaryFileOfAnEndedRunGoesWithTheNextWrite) {
    pid_t gone = 0;
    test::runInChild([] { return 0; }, &gone);
    const std::string dead = dir + "/.list.html." + std::to_string(gone) + ".0.tmp",
                      living = dir + "/.list.html." + std::to_string(::getppid()) + ".0.tmp",
                      users = dir + "/.config." + std::to_string(gone) + ".1.tmp";
    for (const std::string& path : {dead, living, users}) std::ofstream(path) << "kept";
    TextFileWriter(dir + "/other.html").commit();
    EXPECT_TRUE(fs::exists(dead));
    TextFileWriter(dir + "/list.html").commit();
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(living));
    EXPECT_TRUE(fs::exists(users));
}

// A stop signal (Ctrl+C, a kill) takes the unfinished copy with the process, which still
// ends by that signal; the file it was to replace is left as it was. It stayed hidden beside
// the file, as large as it had grown, until that file was written again. A signal the
// process was started ignoring (a background job's Ctrl+C) stays ignored.
TEST_F(TextFileWriterTest, AStopSignalTakesTheUnfinishedCopyAway) {
    std::ofstream(dir + "/list.html") << "before";
    for (const int signal : {SIGTERM, SIGINT}) {
        pid_t child = 0;
        const int ended = test::runInChild(
            [&]() -> int {
                if (signal == SIGINT) ::signal(SIGINT, SIG_IGN);
                removeTempFilesOnStop();
                TextFileWriter(dir + "/done.html").commit();
                TextFileWriter file(dir + "/list.html");
                file.writeLine("half");
                ::raise(signal);
                ::_exit(7);
            },
            &child);
        const std::string temp = dir + "/.list.html." + std::to_string(child) + ".0.tmp";
        EXPECT_EQ(ended, signal == SIGTERM ? 128 + SIGTERM : 7);
        EXPECT_EQ(fs::exists(temp), signal == SIGINT) << temp;
        EXPECT_EQ(readBytes(dir + "/list.html"), "before");
        EXPECT_TRUE(fs::exists(dir + "/done.html"));
        fs::remove(temp);
    }
}

}  // namespace
}  // namespace th
