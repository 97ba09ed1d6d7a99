#include <sys/stat.h>

#include "tests/cli/CliRunner.h"

namespace th::test {
namespace {

// The scan, html and save commands end to end, in a scratch folder (its database unused);
// the page and the scan file themselves are checked in tests/export.
using GridOutputCommands = BanFolderTest;

// The rows scan prints, exactly: with the threads asked for (the same rows whatever the
// threads is the scanner's test), from standard input as it comes (a pipe as the scanner's
// test reads it), and a console log's stamped with its modification time and names folded
// under the options (without them only its anti-cheat line is read: the scanner's test).
// The built program, for its real standard input.
TEST_F(GridOutputCommands, ScanPrintsTheRowsExactly) {
    const std::string log = dataPath("logs/sample.log"), console = consoleLogCopy();
    const std::string fifteen = "15 violations found and added to grid\n",
                      seven = "7 violations found and added to grid\n";
    // Arguments, standard input, the expected rows' file, and what goes to standard error.
    const std::vector<std::tuple<Rows, std::string, std::string, std::string>> cases = {
        {{"scan", "--threads", "2", "--raw", log}, "/dev/null", "sample.expected.tsv", fifteen},
        // Standard input named twice is read once, as it stands: the second finds its end.
        {{"scan", "--raw", "-", "-"}, log, "sample.expected.tsv", fifteen},
        {{"scan", "--raw", "--console-lines", console}, "/dev/null", "console.expected.tsv", seven},
        {{"scan", "--fold-colours", "--console-lines", console},
         "/dev/null",
         "console.folded.tsv",
         seven},
    };
    for (const auto& [args, in, rows, err] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(runProgram(args, {.in = in}),
                  (CliResult{0, readBytes(dataPath("logs/" + rows)), err}));
    }
}

// The options reach the page, which shows names folded when asked (how: the page's tests;
// that save takes no folding: the ban commands' usage test).
TEST_F(GridOutputCommands, ThePageFoldsNamesWhenAsked) {
    const std::string log = consoleLogCopy(), page = dir + "/c.html";
    const CliResult r = runCli({"html", "--console-lines", "--fold-colours", "-o", page, log});
    EXPECT_EQ(r.err, "'" + page + "' has been created, 7 records\n");
    EXPECT_HOLDS(readBytes(page), " \"Jayyz\" ");
}

// Failures: status 1, the message, nothing printed and no file written (a scan file's
// own refusals are the scan file's tests; misuse: the ban commands' usage test). A folder
// without a log is an error, not a server without cheaters, for every command (html and save
// share their reading of the inputs, as scan does with or without --new-only).
TEST_F(GridOutputCommands, FailuresWriteNothing) {
    const std::string bad = dir + "/log.sf", out = dir + "/out", log = dataPath("logs/sample.log"),
                      folder = dir + "/logs", noLogs = "No .log files in the folder: " + folder;
    writeBytes(bad, "[12.07.2002 21:14:03] VIOLATION (AIMBOT)\r\n");
    std::filesystem::create_directory(folder);
    writeBytes(folder + "/notes.txt", "not a log");
    writeBytes(bans, "kept");
    for (const auto& [args, message] : std::vector<std::pair<Rows, std::string>>{
             {{"html", "-o", out, log, bad}, "Not a scan file: " + bad},
             {{"scan", log, bad}, "Not a scan file: " + bad},  // the log's rows not printed
             {{"scan", dir + "/none.log"}, "No such file or directory: " + dir + "/none.log"},
             {{"save", "-o", dir + "/no/x", log}, "No such file or directory: " + dir + "/no/x"},
             {{"scan", folder}, noLogs},
             {{"html", "-o", out, folder}, noLogs},
             {{"merge", "--bans", bans, "--db", db, log, folder}, noLogs}}) {
        EXPECT_EQ(runCli(args), (CliResult{1, "", "tallyhound-cli: " + message + "\n"}))
            << ::testing::PrintToString(args);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    EXPECT_EQ(readBytes(bans), "kept");
    // A log that cannot be read is said as a missing one is (it was the window's scan error
    // box, asking for the log by e-mail).
    const std::string locked = dir + "/locked.log";
    writeBytes(locked, readBytes(log));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);  // for nobody, whom root's test runs it as
    EXPECT_EQ(runProgram({"scan", locked}, {.asNobody = true}),
              (CliResult{1, "", "tallyhound-cli: Permission denied: " + locked + "\n"}));
    // So is one that fails once open: the box spoke of rows kept in a grid.
    EXPECT_EQ(
        runProgram({"save", "-o", out, "-"}, {.in = folder}),
        (CliResult{1, "", "tallyhound-cli: -: the log could not be scanned: Is a directory\n"}));
}

}  // namespace
}  // namespace th::test
