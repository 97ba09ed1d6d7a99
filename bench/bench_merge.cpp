// Times the merge: a 100,000-line ban file and a grid of 100,000 rows (half of them new
// GUIDs) into an empty database, then the same merge again, when nothing is new, then once
// more with 100 new GUIDs in the grid (a small merge into a full database).
//   bench_merge [lines]

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bans/Database.h"
#include "bans/Merge.h"
#include "bans/NewDatabase.h"
#include "bans/Paths.h"
#include "bench/BenchBans.h"
#include "scan/MainForm.h"

namespace {

using namespace th;
using bench::guid;
using bench::stamp;

struct QuietPorts : MessageBoxPort, FileChooserPort, CursorPort, EventsPort, ShellPort {
    std::string path, lastPrompt;
    using MessageBoxPort::show;
    MsgResult show(const std::string& prompt, MsgButtons, MsgIcon, const std::string&,
                   MsgResult) override {
        lastPrompt = prompt;
        return MsgResult::No;
    }
    std::vector<std::string> choose(const FileChooserRequest&) override { return {path}; }
    bool isWindow(int32_t) override { return false; }
    int16_t shape() override { return 0; }
    void setShape(int16_t) override {}
    void processEvents() override {}
    void repaintNow() override {}
    int64_t openDocument(const std::string&) override { return 42; }
    int64_t openUrl(const std::string&) override { return 42; }
    int64_t startProgram(const std::string&, const std::vector<std::string>&) override {
        return 42;
    }
    std::string findExecutable(const std::string&) override { return {}; }
};

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of this process, so that a busy machine does not hide what the merge costs.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::atol(argv[1]) : 100000;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tallyhound-merge-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string db = (dir / "Vandrel.mdb").string();
    const std::string banFile = (dir / "pbbans.dat").string();

    createDatabase(db);
    setDatabasePath(db);

    std::string bytes;
    for (long i = 0; i < lines; ++i)
        bytes += stamp(i) + " " + guid(i) + " \"Player " + std::to_string(i) + "\" \"10.0." +
                 std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) +
                 ":27960\" \"VIOLATION DETECTED -> (AIMBOT) #50100\"\r\n";
    bytes += "\r\n; a temp ban line\r\n";
    const std::string input = bytes;

    QuietPorts quiet;
    quiet.path = banFile;
    Ports ports{quiet, quiet, quiet, quiet, quiet};
    MainForm form(ports);
    form.setUpGrid();
    // Half the grid's GUIDs are already in the ban file, half are new.
    for (long i = 0; i < lines; ++i) {
        long g = i % 2 ? i : lines + i;
        std::string name = "Grid " + std::to_string(i), ts = stamp(g), id = guid(g);
        form.vsFlexGrid1.addRow(
            {name, "(WALLHACK)", "50200", ts, "(slot #1)", id, "192.0.2.1:27960"});
    }
    int32_t position = 0;
    vsFlexGrid1_AfterMoveColumn(form, 0, position);

    MergeOptions options;
    options.explain = options.offerToOpen = false;
    std::ofstream(banFile, std::ios::binary) << input;
    auto start = std::chrono::steady_clock::now();
    double cpu = cpuSeconds();
    MergeOutcome first = mergeIntoBanFile(form, options);
    double firstSeconds = seconds(start), firstCpu = cpuSeconds() - cpu;

    std::ofstream(banFile, std::ios::binary) << input;
    start = std::chrono::steady_clock::now();
    cpu = cpuSeconds();
    MergeOutcome second = mergeIntoBanFile(form, options);
    double secondSeconds = seconds(start), secondCpu = cpuSeconds() - cpu;

    for (long i = 0; i < 100; ++i) {
        const long g = 3 * lines + i;
        form.vsFlexGrid1.addRow({"Late " + std::to_string(i), "(WALLHACK)", "50200", stamp(g),
                                 "(slot #1)", guid(g), "192.0.2.1:27960"});
    }
    vsFlexGrid1_AfterMoveColumn(form, 0, position);
    std::ofstream(banFile, std::ios::binary) << input;
    start = std::chrono::steady_clock::now();
    cpu = cpuSeconds();
    MergeOutcome third = mergeIntoBanFile(form, options);
    double thirdSeconds = seconds(start), thirdCpu = cpuSeconds() - cpu;

    std::printf("ban file %ld lines, grid %ld rows (half new GUIDs)\n", lines, lines);
    std::printf("first merge, empty database:  %.2f s elapsed, %.2f s processor  %s\n",
                firstSeconds, firstCpu, first.report.c_str());
    std::printf("second merge, nothing new:    %.2f s elapsed, %.2f s processor  %s\n",
                secondSeconds, secondCpu, second.report.c_str());
    std::printf("third merge, 100 new bans:    %.2f s elapsed, %.2f s processor  %s\n",
                thirdSeconds, thirdCpu, third.report.c_str());
    std::filesystem::remove_all(dir);
    return first.completed && second.completed && third.completed ? 0 : 1;
}
