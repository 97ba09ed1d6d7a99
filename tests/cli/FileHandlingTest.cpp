#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <termios.h>

#include <atomic>
#include <thread>

#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

namespace fs = std::filesystem;

// Outputs and inputs that are not plain files, outputs that are inputs, and writes that
// fail: the commands end to end, in a scratch folder.
using FileHandling = BanFolderTest;

const std::string kLog = dataPath("logs/sample.log");
const std::string kCsi = "\xC2\x9B";  // U+009B in UTF-8, which a terminal takes as ESC [

// Standard output by "-", by /dev/stdout and by its own file's name; standard output on
// a full disk is a failure, and says why, as is a file past a limit on file sizes (it
// ended the program by SIGXFSZ without a word, its unfinished copy left behind).
TEST_F(FileHandling, StandardOutputIsWrittenWhereItGoesAndAFullDiskFails) {
    const std::string page = readBytes(dataPath("html/sample.expected.html")), out = dir + "/out";
    writeBytes(out, "");
    for (const std::string& name : Rows{"-", "/dev/stdout", out}) {
        CliResult r = runProgram({"html", "-o", name, kLog}, {.out = out});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readBytes(out), page) << name;
        writeBytes(out, "");
    }
    // Rows beyond any buffer: the write that fails is not the last, and its cause is told.
    const std::string manyRows = dir + "/many.log";
    for (int i = 0; i < 100; ++i) appendBytes(manyRows, readBytes(kLog));
    for (const auto& [args, said] : std::vector<std::pair<Rows, std::string>>{
             {{"scan", manyRows},
              "standard output could not be written (No space left on device); what it holds is "
              "incomplete"},
             {{"html", "-o", "-", kLog}, "No space left on device: -"}})
        EXPECT_EQ(runProgram(args, {.out = "/dev/full"}),
                  (CliResult{1, "", "tallyhound-cli: " + said + "\n"}))
            << args[0];
    EXPECT_EQ(runProgram({"save", "-o", dir + "/big.sf", manyRows}, {.fileSize = 4096}),
              (CliResult{1, "", "tallyhound-cli: File too large: " + dir + "/big.sf\n"}));
    EXPECT_EQ(filesIn(".sf").size() + filesIn(".tmp").size(), 0u);
}

// What the program printed to a terminal, raw: every byte as it was written. Standard error
// goes to errors, or with none to the terminal too.
std::string onTerminal(const Rows& args, const std::string& errors, int status = 0) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_EQ(::grantpt(master) | ::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    const int held = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);  // keeps what is unread
    termios raw{};
    ::tcgetattr(held, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(held, TCSANOW, &raw);
    // Read while the program writes: a terminal holds only a few KiB unread.
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    std::string shown;
    std::atomic<bool> ended = false;
    std::thread reader([&] {
        char buffer[4096];
        for (bool last = false; !last;) {
            last = ended;
            for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, static_cast<size_t>(n));
            if (!last) ::usleep(1000);
        }
    });
    EXPECT_EQ(
        endOf(startProgram(args, {.out = terminal, .err = errors.empty() ? terminal : errors})),
        status);
    ended = true;
    reader.join();
    ::close(held), ::close(master);
    return shown;
}

// A file's bytes sent to a terminal are shown with their control bytes as \xHH (a name
// could set the window's title or clear the screen), a control character in UTF-8
// (U+009B, which a terminal takes as ESC [) byte by byte; its layout is kept. To a file or
// a pipe they go as they are. Rows the tool prints for the terminal are escaped once.
TEST_F(FileHandling, ATerminalIsNeverSteeredByWhatAFileWouldHold) {
    const std::string log = dir + "/evil.log";
    writeBytes(log, violation("Ev\x1b]0;pwned\x07il" + kCsi + "2J", "abcd0123"));
    writeBytes(bans, "");
    ASSERT_EQ(runCli({"merge", "--bans", bans, "--db", db, log}).status, 0);
    const std::string name = "Ev\\x1B]0;pwned\\x07il\\xC2\\x9B2J";  // as shown
    for (const auto& [args, shown] : std::vector<std::pair<Rows, std::string>>{
             {{"db", "list", "--db", db, "--format", "csv"}, name},
             {{"db", "export", "--db", db, "-o", "-"}, name},
             {{"html", "-o", "-", log}, "\"" + name + "\" \"192.0.2.1:27960\" \"VIOLATION"},
             {{"scan", "--raw", log}, name + "\t(AIMBOT)"}}) {
        const std::string bytes = onTerminal(args, dir + "/errors");
        EXPECT_HOLDS(bytes, shown) << args[0] << ": " << bytes;
        EXPECT_LACKS(bytes, "\x1b") << args[0];
        EXPECT_LACKS(bytes, kCsi) << args[0];
    }
    // A message on standard error, naming a file, is shown the same way.
    const std::string shown = onTerminal({"scan", dir + "/ev" + kCsi + "2J.log"}, "", 1);
    EXPECT_HOLDS(shown, "ev\\xC2\\x9B2J.log");
    EXPECT_LACKS(shown, kCsi);
    EXPECT_HOLDS(runCli({"db", "list", "--db", db, "--format", "csv"}).out, "Ev\x1b]0;pwned")
        << "kept as it is for a file";
    // The rows the tool prints are escaped through a pipe too (scan | less -R, a follow
    // log read with tail -f): the UTF-8 control character once went as it was. (db list's
    // rows: the db commands' list test, through the same escaping.)
    EXPECT_HOLDS(runCli({"scan", "--raw", log}).out, name);
}

// A control character whose two bytes fall into two of the tool's writes is escaped all the
// same: its first byte is the last of a full buffer. (A scan file holds names as they are,
// its rows in the order of their names.)
TEST_F(FileHandling, AControlCharacterSplitBetweenWritesIsEscapedToo) {
    const std::string log = dir + "/split.log";
    const auto firstByteAt = [&](size_t padding) {
        // Padded in its address, which the scan file holds once.
        std::string bytes =
            "[04.16.2017 21:03:11] VIOLATION (AIMBOT) #50001: P (slot #1) Aim "
            "[abcd0123(VALID) 1.2.3.4:5" +
            std::string(padding, '0') + "]\n";
        for (int i = 0; i < 600; ++i) bytes += violation("Player" + std::to_string(i), "abcd0123");
        writeBytes(log, bytes + violation("Zv" + kCsi + "2J", "abcd0123"));
        return runProgram({"save", "-o", "-", log}).out.find('\xC2');
    };
    const size_t at = firstByteAt(0), lastOfBuffer = 64 * 1024 - 1;
    ASSERT_LT(at, lastOfBuffer);
    ASSERT_EQ(firstByteAt(lastOfBuffer - at), lastOfBuffer);
    const std::string bytes = onTerminal({"save", "-o", "-", log}, dir + "/errors");
    EXPECT_HOLDS(bytes, "Zv\\xC2\\x9B2J\t");
    EXPECT_LACKS(bytes, kCsi);
}

// Outputs that are refused before anything is read, and stay as they were: folders,
// devices, disks and sockets; an output that is one of the inputs, by name or by a hard
// link (the ban file and the database of a merge are outputs too, and the database is an
// input wherever it is read).
TEST_F(FileHandling, RefusedOutputsAreLeftAsTheyWere) {
    const std::string socketPath = dir + "/socket", disk = dir + "/disk";
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string log = dir + "/s.log", linked = dir + "/linked.html", pipe = dir + "/pipe";
    writeBytes(log, readBytes(kLog));
    fs::create_hard_link(log, linked);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    writeBytes(bans, "");
    const auto other = [](const std::string& path, const std::string& what) {
        return "Not written: only a file, a pipe, a terminal or /dev/null can take the output, and "
               "this is " +
               what + ": " + path;
    };
    const auto input = [](const std::string& output, const std::string& input) {
        return output + " is also an input (" + input + "); nothing written";
    };
    std::vector<std::pair<Rows, std::string>> cases = {
        {{"save", "-o", dir, "/nonexistent.log"}, other(dir, "a folder")},
        {{"save", "-o", "/dev/zero", "/nonexistent.log"}, other("/dev/zero", "a device")},
        {{"save", "-o", socketPath, "/nonexistent.log"}, other(socketPath, "a socket")},
        {{"html", "-o", log, kLog, log}, input(log, log)},
        {{"html", "-o", linked, log}, input(linked, log)},
        {{"merge", "--bans", bans, "--db", db, bans}, input(bans, bans)},
        {{"merge", "--bans", bans, "--db", bans, kLog}, input(bans, bans)},
        {{"db", "import", "--bans", db, "--db", db, bans}, input(db, db)},
        {{"db", "unban", "--bans", db, "--db", db, "abcd"}, input(db, db)},
        {{"follow", "--bans", db, "--db", db, kLog}, input(db, db)},
        {{"save", "--new-only", "--db", db, "-o", db, kLog}, input(db, db)},
        // A pipe read from took the output: a success said, or a write waiting for ever.
        {{"html", "-o", pipe, pipe}, input(pipe, pipe)},
    };
    if (::geteuid() == 0 && ::mknod(disk.c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0)
        cases.push_back(
            {{"save", "-o", disk, "/nonexistent.log"}, other(disk, "a disk (block device)")});
    for (const auto& [args, said] : cases)
        EXPECT_EQ(runCli(args), (CliResult{2, "", "tallyhound-cli: " + said + "\n"}))
            << ::testing::PrintToString(args);
    // Standard input redirected from the output: the log was replaced by the page.
    ProgramStart fromLog;
    fromLog.in = dir + "/piped.log";
    writeBytes(fromLog.in, readBytes(kLog));
    for (const std::string& output : {fromLog.in, std::string("/dev/stdin")})
        EXPECT_EQ(runProgram({"html", "-o", output, "-"}, fromLog),
                  (CliResult{2, "", "tallyhound-cli: " + input(output, "-") + "\n"}));
    // Standard output appended to an input (save -o - LOG >> LOG, scan LOG >> LOG, db list
    // >> DB): the rows went into the log, the list into the database.
    ProgramStart toLog{.in = fromLog.in, .out = fromLog.in};
    const std::string folder = dir + "/logs", followed = folder + "/server.log";
    fs::create_directory(folder);
    writeBytes(followed, "");
    const std::string database = readBytes(db);
    for (const auto& [args, in] : std::vector<std::pair<Rows, std::string>>{
             {{"save", "-o", "-", fromLog.in}, fromLog.in},
             {{"save", "-o", "-", "-"}, "-"},
             {{"scan", fromLog.in}, fromLog.in},
             {{"db", "list", "--db", db}, db},
             {{"db", "stats", "--db", db}, db},
             {{"db", "path", "--db", db}, db},
             {{"merge", "--dry-run", "--bans", bans, "--db", db, kLog}, bans},
             // A log it follows (under timeout: once taken, it followed for good).
             {{"10", TALLYHOUND_CLI, "follow", "--bans", bans, "--db", db, folder}, followed}}) {
        toLog.out = in == "-" ? fromLog.in : in;
        toLog.program = args[0] == "10" ? "/usr/bin/timeout" : TALLYHOUND_CLI;
        EXPECT_EQ(runProgram(args, toLog),
                  (CliResult{2, "",
                             "tallyhound-cli: Standard output is also an input (" + in +
                                 "); nothing written\n"}));
    }
    EXPECT_TRUE(readBytes(db) == database) << "the database is as it was";
    // Given with >, the shell has emptied the file already: said, not passed over.
    const int emptied = ::open(fromLog.in.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(emptied, 0);
    const int output = ::dup(1);
    ::dup2(emptied, 1);
    const CliResult truncated = runCli({"scan", fromLog.in});
    ::dup2(output, 1);
    ::close(output), ::close(emptied);
    EXPECT_EQ(truncated.err, "tallyhound-cli: Standard output is also an input (" + fromLog.in +
                                 "); nothing written. It is empty: a shell's > empties a file "
                                 "before the command starts; put it back from a backup\n");
    writeBytes(fromLog.in, readBytes(kLog));
    EXPECT_EQ(readBytes(fromLog.in), readBytes(kLog));
    EXPECT_TRUE(fs::is_socket(socketPath));
    EXPECT_EQ(filesIn(".tmp"), Rows{});
    EXPECT_EQ(readBytes(log), readBytes(kLog));
    EXPECT_EQ(readBytes(bans), "");
    EXPECT_EQ(runCli({"db", "stats", "--db", db}).status, 0);
    ::close(s);
}

// Run by root, a link owned by another account than its target is not followed, into a
// file or a pipe; the owner's own link is.
TEST_F(FileHandling, RootFollowsNoLinkPlantedByAnotherAccount) {
    if (::geteuid() != 0) GTEST_SKIP() << "the rule is root's";
    const std::string target = dir + "/target.html", link = dir + "/link.html",
                      fifo = dir + "/fifo", fifoLink = dir + "/fifo.html";
    writeBytes(target, "kept");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::chown(target.c_str(), 1234, 1234) + ::chown(fifo.c_str(), 1234, 1234), 0);
    fs::create_symlink(target, link);
    fs::create_symlink(fifo, fifoLink);
    ASSERT_EQ(::lchown(link.c_str(), 4321, 4321) + ::lchown(fifoLink.c_str(), 4321, 4321), 0);
    EXPECT_EQ(runCli({"html", "-o", fifoLink, kLog}),
              (CliResult{
                  2, "",
                  "tallyhound-cli: Not written: a link owned by another account than its target: " +
                      fifoLink + "\n"}));
    EXPECT_NE(runCli({"html", "-o", link, kLog}).status, 0);
    EXPECT_EQ(readBytes(target), "kept");
    ASSERT_EQ(::lchown(link.c_str(), 1234, 1234), 0);
    EXPECT_EQ(runCli({"html", "-o", link, kLog}).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
}

// A ban file named through a link to a folder and ".." is the file the system opens there,
// above the link's target; ".." struck out the link's name, and another file was merged.
TEST_F(FileHandling, ALinkThenDotDotNamesTheFileTheSystemOpens) {
    fs::create_directories(dir + "/real/sub");
    fs::create_directories(dir + "/other");
    fs::create_directory_symlink("../real/sub", dir + "/other/link");
    writeBytes(dir + "/real/x.dat", "");
    const CliResult r = runCli({"merge", "--bans", dir + "/other/link/../x.dat", "--db", db, kLog});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readBytes(dir + "/real/x.dat"), "");
    EXPECT_FALSE(fs::exists(dir + "/other/x.dat"));
}

// Inputs with no rows still give a valid file, which replaces an old one.
TEST_F(FileHandling, NoRowsWriteAnEmptyListAndSaySo) {
    const std::string sf = dir + "/out.sf", page = dir + "/out.html";
    writeBytes(sf, "old");
    writeBytes(page, "old");
    EXPECT_EQ(runCli({"save", "-o", sf, dataPath("logs/empty.log")}),
              (CliResult{0, "", "'out.sf' has been saved, 0 records\n"}));
    EXPECT_EQ(readBytes(sf),
              "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows 0\r\nH\tPlayer "
              "Name\tViolation\tNumber\tTimestamp\tSlot\tGUID\tPlayer IP\r\nend\r\n");
    EXPECT_EQ(runCli({"html", "-o", page, sf}),
              (CliResult{0, "", "'" + page + "' has been created, 0 records\n"}));
    const std::string sample = readBytes(dataPath("html/sample.expected.html"));
    size_t head = 0;
    for (int line = 0; line < 7; ++line) head = sample.find("\r\n", head) + 2;
    EXPECT_EQ(readBytes(page), sample.substr(0, head) +
                                   "<br>\r\n<br>\r\n<br>\r\n<br>\r\n</font>\r\n</td>\r\n"
                                   "</tr>\r\n</table>\r\n</body>\r\n</html>\r\n");
    EXPECT_EQ(runCli({"scan", sf}), (CliResult{0, "", "No violations added to grid\n"}));
}

// Running out of memory ends the command with its message and exit status, not an abort.
TEST_F(FileHandling, OutOfMemoryIsAnError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than any limit allows";
#endif
    std::string sf =
        "TALLYHOUND SCAN FILE\r\nformat 1\r\ncolumns 7\r\nrows 3000000\r\n"
        "H\tPlayer Name\tViolation\tNumber\tTimestamp\tSlot\tGUID\tPlayer IP\r\n";
    for (int i = 0; i < 3000000; ++i) sf += "D\t\t\t\t\t\t\t\r\n";
    sf += "end\r\n";
    writeBytes(dir + "/big.sf", sf);
    const ProgramStart limited{.memoryLimit = 96u << 20};
    CliResult r =
        runProgram({"save", "-o", dir + "/small.sf", dataPath("scan/two-players.sf")}, limited);
    EXPECT_EQ(r.status, 0) << "the limit leaves room for ordinary work: " << r.err;
    EXPECT_EQ(runProgram({"save", "-o", dir + "/copy.sf", dir + "/big.sf"}, limited),
              (CliResult{1, "", "tallyhound-cli: Out of memory\n"}));
    EXPECT_FALSE(fs::exists(dir + "/copy.sf"));
}

}  // namespace
}  // namespace th::test
