#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "app/DesktopIdentity.h"
#include "app/NoDisplay.h"
#include "app/WindowArguments.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Environment.h"
#include "tests/support/Files.h"

namespace th {
namespace {

// What the window makes of its words (Qt's own options are gone by then): --help and
// --version wherever they stand, the database in either spelling, the last one named, and
// the first word of no known kind, which once went unnoticed while the window opened.
TEST(WindowArguments, ReadsItsOptionsAndNamesAnyOtherWord) {
    struct Case {
        std::vector<std::string> words;
        std::string db, wrong;
        bool help = false, version = false;
    };
    const Case cases[] = {
        {{}, "", ""},
        {{"--db=postgresql://fleet@host/bans"}, "postgresql://fleet@host/bans", ""},
        {{"--db", "a.mdb", "--db=b.mdb"}, "b.mdb", ""},
        {{"--db"}, "", "--db needs the ban database's name"},
        // An empty name (--db="$DB" with DB unset) once opened the default database.
        {{"--db="}, "", "--db: the ban database's name is empty"},
        {{"--db", ""}, "", "--db: the ban database's name is empty"},
        {{"--help"}, "", "", true},
        {{"x\x1B.log", "-h"}, "", "'x\\x1B.log' is not an option", true},
        {{"--version", "--verbose", "--dbx"}, "", "'--verbose' is not an option", false, true},
    };
    for (const Case& c : cases) {
        const WindowArguments read = windowArguments(c.words);
        EXPECT_EQ(std::tie(read.db, read.wrong, read.help, read.version),
                  std::tie(c.db, c.wrong, c.help, c.version))
            << (c.words.empty() ? "(none)" : c.words[0]);
    }
    EXPECT_TRUE(windowUsage().starts_with("Usage: tallyhound [--db DB]\n"));
}

TEST(NoDisplay, OnlyAMachineWithoutAnyDisplayOrChosenPlatformHasNone) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"DISPLAY= WAYLAND_DISPLAY=", true},  // set but empty names nothing
        {"DISPLAY=:0", false},
        {"WAYLAND_DISPLAY=wayland-0", false},
        {"QT_QPA_PLATFORM=vnc", false},
    };
    for (const auto& [environment, none] : cases)
        EXPECT_EQ(noDisplay(test::Environment(environment).lookup()), none) << environment;
    const std::string message = noDisplayMessage();
    EXPECT_EQ(message.substr(0, message.find('\n')),
              "tallyhound: the window needs a desktop session (or ssh -X, or "
              "QT_QPA_PLATFORM=vnc); on this machine use tallyhound-cli instead:");
    // The database the window was given goes with the commands that use one: without it,
    // "db reset --yes" emptied the default database instead.
    const std::string given = noDisplayMessage("/srv/it's here.mdb");
    EXPECT_NE(given.find("  Reset:        tallyhound-cli db reset --db '/srv/it'\\''s here.mdb' "
                         "--yes\n"),
              std::string::npos)
        << given;
    EXPECT_NE(noDisplayMessage("/srv/bans.mdb").find("db backup --db /srv/bans.mdb\n"),
              std::string::npos);
    // Control characters in it are written out, as bash reads them back: raw, they steered
    // the terminal.
    EXPECT_NE(noDisplayMessage("/srv/a\x1B]0;x\a'\xC2\x9B.mdb")
                  .find("db path --db $'/srv/a\\x1B]0;x\\x07\\'\\xC2\\x9B.mdb'\n"),
              std::string::npos)
        << noDisplayMessage("/srv/a\x1B]0;x\a'\xC2\x9B.mdb");
    // A PostgreSQL address is shown as every message shows one, its password hidden.
    EXPECT_NE(noDisplayMessage("postgresql://u:s3cret@h/db")
                  .find("db path --db 'postgresql://***@h/db'\n"),
              std::string::npos);
}

// A display that is named but cannot be reached (a DISPLAY left over from ssh or sudo) is
// said as a missing one, with its status: Qt ended the window with an abort.
TEST(NoDisplay, ADisplayThatCannotBeReachedIsSaidAsNone) {
    test::ScratchFolder scratch;
    const std::string said = scratch.dir + "/said";
    const int status = test::runInChild([&] {
        ::setenv("DISPLAY", ":1999", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        if (!std::freopen(said.c_str(), "w", stderr)) return 126;
        ::execl(TALLYHOUND_APP, TALLYHOUND_APP, "--db", "/srv/bans.mdb", nullptr);
        return 127;
    });
    EXPECT_EQ(status, kExitNoDisplay);
    EXPECT_NE(test::readBytes(said).find(noDisplayMessage("/srv/bans.mdb")), std::string::npos)
        << test::readBytes(said);
}

// Past a limit on file sizes a write fails and is said, as on the command line: the
// signal the kernel sends instead ended the window without a word (a backup or a reset
// under ulimit -f). Its help, written to a file past the limit, shows it.
TEST(WindowStartup, AFileSizeLimitFailsAWriteRatherThanEndingTheWindow) {
    test::ScratchFolder scratch;
    const std::string help = scratch.dir + "/help";
    const int status = test::runInChild([&] {
        std::signal(SIGXFSZ, SIG_DFL);  // as a fresh program has it
        if (!std::freopen(help.c_str(), "w", stdout)) return 126;
        const rlimit limit{16, RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 125;
        ::execl(TALLYHOUND_APP, TALLYHOUND_APP, "--help", nullptr);
        return 127;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::readBytes(help).size(), 16u);
}

// The window names its desktop entry and shows the program's icon, built in where no icon
// theme has it: it once showed a blank one, under no launcher.
TEST(DesktopIdentity, TheWindowNamesItsDesktopEntryAndHasTheIcon) {
    setDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "net.oakmere.Tallyhound");
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(48, 48).isNull());
}

}  // namespace
}  // namespace th
