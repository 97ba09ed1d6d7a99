#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>

#include "scan/LogScanner.h"
#include "tests/support/ColumnMoves.h"
#include "tests/support/Files.h"
#include "tests/support/GridForm.h"
#include "tests/support/LocalFileTime.h"
#include "tests/support/ThreadLimit.h"

namespace th {
namespace {

const std::string kLine =
    "[12.07.2002 21:14:03] VIOLATION (AIMBOT) #50001: Alpha (slot #1) Aimbot detected "
    "[0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]\n";

struct ScanFixture : ::testing::Test, test::GridForm {
    const std::string dir = ::testing::TempDir();

    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir + name, std::ios::binary) << bytes;
        return dir + name;
    }
    int32_t scan(const std::string& path, bool arrange = true) {
        form.pnlLogPathToFile.setCaption(path);
        return scanLogFile(form, arrange);
    }
    // A log of 3,000 lines, every third a violation, scanned by three threads in parts of a
    // few blocks each, left chosen with those options: the rows it gave.
    auto scanOfManyParts(const std::string& name) {
        std::string log;
        for (int i = 0; i < 3000; ++i) {
            std::string line = kLine;
            line.replace(line.find("50001"), 5, std::to_string(60000 + i));
            log += i % 3 ? "chatter line " + std::to_string(i) + "\n" : line;
        }
        form.scanOptions = {.threads = 3, .blockSize = 2000, .partSize = 20000};
        scan(write(name, log), false);
        return test::dataRowsByTitle(grid);
    }
};

// The counter shows every line read (a lone CR ends none; CR LF, empty lines and a last
// line without LF are counted in the threads' test below). Only violation lines add rows,
// and only added rows arrange the grid again: a huge line of the characters the line
// pattern looks for is no violation.
TEST_F(ScanFixture, TheCounterShowsEveryLineReadAndOnlyViolationsAddRows) {
    std::string huge = "[";
    for (size_t i = 0; huge.size() < (2u << 20); ++i) {
        huge += " ()[]#"[i * 7 % 6];
        if (i == 1u << 20) huge += " VIOLATION ";
    }
    std::string captions;
    form.lblNumberLinesScanned.setListener(
        [&](const Indicator& i) { captions += i.caption() + "|"; });
    // The log, the rows it adds, the last count shown before the indicators go back to "0".
    const std::vector<std::tuple<std::string, int32_t, std::string>> cases = {
        {"", 0, " 0"},
        {"\n", 0, " 1"},
        {"x\ry\n", 0, " 1"},
        {huge + "\n" + kLine, 1, " 2"},
    };
    for (const auto& [bytes, added, counted] : cases) {
        grid.setRows(1);
        add({"zed", "", "", "", "", "", ""});
        add({"amy", "", "", "", "", "", ""});
        captions.clear();
        EXPECT_EQ(scan(write("/count.log", bytes)), added) << bytes.substr(0, 40);
        EXPECT_NE(captions.find(counted + "|0|"), std::string::npos) << captions;
        EXPECT_EQ(grid.textMatrix(1, 0), added ? "Alpha" : "zed");
    }
}

// Whatever column was dragged wherever, a scan appends its rows under their titles and
// the rows already there keep theirs.
TEST_F(ScanFixture, RowsGoUnderTheirTitlesWhereverTheColumnsStand) {
    const std::string log = TALLYHOUND_TEST_DATA "/logs/sample.log";
    scan(log, false);
    const std::vector<std::string> once = test::dataRowsByTitle(grid);
    ASSERT_EQ(once.size(), 15u);
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    for (auto move : test::everyColumnMove()) {
        SCOPED_TRACE(test::moveName(move));
        test::GridForm moved;
        moved.form.pnlLogPathToFile.setCaption(log);
        scanLogFile(moved.form, false);
        moved.grid.moveColumn(move.first, move.second);
        EXPECT_EQ(scanLogFile(moved.form, false), 15);
        EXPECT_EQ(test::dataRowsByTitle(moved.grid), twice);
    }
}

// A failed scan keeps the rows already there (a second scan appending and counting only
// its own: the columns' test above).
TEST_F(ScanFixture, AFileThatCannotBeReadShowsTheScanErrorBoxAndKeepsTheGrid) {
    EXPECT_EQ(scan(write("/one.log", kLine)), 1);
    EXPECT_EQ(grid.rows(), 3);  // header, one group row, one row
    EXPECT_EQ(scan(dir + "/missing.log"), -1);
    ASSERT_EQ(scripted.messages.shown.size(), 1u);
    EXPECT_EQ(scripted.messages.shown[0].prompt,
              "An error has occured during scan of log file. Please e-mail me this log and "
              "your pbbans.dat        \r\nso that i can see why this error was caused. "
              "tallyhound@oakmere.net        \r\nNo such file or directory: " +
                  dir +
                  "/missing.log 53        \r\nCheck that the log can still be read and scan again; "
                  "the rows found before the error are in the grid.        ");
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_TRUE(grid.redraw());
}

// Under the setting the console's lines are read as well, also by threads taking parts,
// and get the log's modification time; without it only the anti-cheat's own line is. The
// rows are the crafted log's expected ones exactly: each prefix kept or skipped, each
// violation kept or dropped as its notes say.
TEST_F(ScanFixture, ConsoleLinesAreReadUnderTheSettingOnly) {
    const std::string log = test::consoleLogCopy();
    std::vector<std::string> expected;
    std::istringstream lines(test::readBytes(test::dataPath("logs/console.expected.tsv")));
    for (std::string line; std::getline(lines, line);) expected.push_back(line);
    EXPECT_EQ(scan(log, false), 1);
    EXPECT_EQ(test::dataRowsByTitle(grid), std::vector<std::string>{expected.at(4)});  // Bravo

    form.scanOptions.consoleLines = true;
    grid.setRows(1);
    EXPECT_EQ(scan(log, false), 7);
    EXPECT_EQ(test::dataRowsByTitle(grid), expected);
    // Cut into parts that end inside lines (how any cut reads is the next test's).
    grid.setRows(1);
    form.scanOptions = {.threads = 3, .blockSize = 7, .partSize = 57, .consoleLines = true};
    EXPECT_EQ(scan(log, false), 7);
    EXPECT_EQ(test::dataRowsByTitle(grid), expected);
}

// Parts read side by side by any number of threads, cut anywhere, and blocks of any size
// give the rows, in the log's order, and the line count of one thread reading the log in
// one part: across a cut, after a line longer than a part or a block (one that may give a
// row, held whole, and one of zeros that cannot, passed over), with CR LF, empty lines and
// a last line without LF. A range of the log, read through a descriptor that
// still reads the log after it was renamed away, gives what one reader gives for a log of
// just the range's bytes, wherever the range starts and ends among the parts.
TEST_F(ScanFixture, ThreadsPartsBlocksAndRangesGiveTheRowsAndCountOfOneReader) {
    std::string second = kLine;
    second.replace(second.find("Alpha"), 5, "Bravo");
    second.replace(second.find("50001"), 5, "50002");
    const std::string log = kLine + "[" + std::string(300, 'c') + "]\r\n\n" + second +
                            std::string(150, '\0') + std::string(150, 'z') + "\n" +
                            second.substr(0, second.size() - 1) + "\r\n\r\n" + kLine + "x\n" +
                            kLine.substr(0, kLine.size() - 1);
    std::string lastCount;
    form.lblNumberLinesScanned.setListener([&](const Indicator& i) {
        if (i.caption() != "0") lastCount = i.caption();
    });
    auto scanWith = [&](const std::string& path, const ScanOptions& options,
                        const LogRange& range) {
        grid.setRows(1);
        lastCount.clear();
        form.pnlLogPathToFile.setCaption(path);
        form.scanOptions = options;
        const int32_t added = scanLogFile(form, false, range);
        return std::to_string(added) + " rows, count" + lastCount + ": " +
               ::testing::PrintToString(test::dataRowsByTitle(grid));
    };
    std::vector<uint64_t> starts = {0};  // of each line
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i] == '\n') starts.push_back(i + 1);
    // The whole log; from and to line starts; empty; to the end; ending and starting inside
    // a line.
    const std::vector<std::pair<uint64_t, uint64_t>> ranges = {{0, UINT64_MAX},
                                                               {starts[1], starts[5]},
                                                               {starts[3], UINT64_MAX},
                                                               {starts[4], starts[4]},
                                                               {0, starts[6]},
                                                               {starts[3], starts[4] - 2},
                                                               {starts[7] - 3, starts[9]},
                                                               {starts[4], starts[5] - 5}};
    const ScanOptions oneReader{.threads = 1, .partSize = 1u << 30};
    std::vector<std::string> expected;
    for (const auto& [begin, end] : ranges) {
        const size_t length = end == UINT64_MAX ? std::string::npos : end - begin;
        expected.push_back(scanWith(write("/alone.log", log.substr(begin, length)), oneReader, {}));
    }
    ASSERT_NE(expected[0].find("5 rows, count 10: "), std::string::npos) << expected[0];
    ASSERT_NE(expected[0].find("Bravo"), std::string::npos);

    const std::string path = write("/parts.log", log);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::filesystem::rename(path, path + ".1");
    for (size_t r = 0; r < ranges.size(); ++r)
        for (unsigned threads : {1u, 2u, 8u})
            for (size_t part : {1u, 3u, 17u, 150u, 151u, 152u, 299u, 1000u})
                for (size_t block : {1u, 7u, 4096u})
                    ASSERT_EQ(
                        scanWith(
                            path, {.threads = threads, .blockSize = block, .partSize = part},
                            {.begin = ranges[r].first, .end = ranges[r].second, .descriptor = fd}),
                        expected[r])
                        << "range " << r << ", " << threads << " threads, parts of " << part
                        << ", blocks of " << block;
    ::close(fd);
    // Without a descriptor the path is read.
    EXPECT_EQ(scanWith(path + ".1", {}, {.begin = starts[3]}), expected[2]);
}

// A scan stopped by the user keeps the rows of the lines read without a gap from the
// log's start, however many parts the threads had begun: here each thread reads one
// block before it sees the request.
TEST_F(ScanFixture, AStoppedScanKeepsOnlyTheRowsOfTheLogsUnbrokenStart) {
    const auto whole = scanOfManyParts("/stopped.log");
    ASSERT_EQ(whole.size(), 1000u);
    grid.setRows(1);
    form.cancel.request();
    EXPECT_EQ(scanLogFile(form, false), kScanCancelled);
    const auto kept = test::dataRowsByTitle(grid);
    ASSERT_GT(kept.size(), 0u);
    ASSERT_LT(kept.size(), whole.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), whole.begin()));
    EXPECT_TRUE(scripted.messages.shown.empty());
}

// Where no thread can be started beside the scan's own (a limit on a user's threads), the
// scan reads every part itself: the rows of a scan on threads.
TEST_F(ScanFixture, AScanNeedsNoThreadBesideItsOwn) {
    const auto expected = scanOfManyParts("/limited.log");
    ASSERT_EQ(expected.size(), 1000u);
    // Only read in the child: the log is anyone's to read.
    const int status = test::underThreadLimit({}, [&] {
        grid.setRows(1);
        return scanLogFile(form, false) == 1000 && test::dataRowsByTitle(grid) == expected &&
               scripted.messages.shown.empty();
    });
    if (status == test::kNoThreadLimit) GTEST_SKIP() << "no limit on threads could be set";
    EXPECT_EQ(status, 0);
}

// A stream cannot be cut into parts: it is read in order, whatever the threads.
TEST_F(ScanFixture, AStreamIsReadInOrderByOneThread) {
    const std::string fifo = dir + "/stream.log";
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string log;
    for (int i = 0; i < 2000; ++i)
        log += i % 7 ? "chatter line " + std::to_string(i) + "\n" : kLine;
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << log; });
    form.scanOptions = {.threads = 4, .blockSize = 100, .partSize = 10};
    EXPECT_EQ(scan(fifo, false), 286);
    writer.join();
    EXPECT_EQ(grid.rows(), 1 + 286);
    std::filesystem::remove(fifo);
}

}  // namespace
}  // namespace th
