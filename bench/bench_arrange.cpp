// Arranging a grid of a million violation rows: sort and group rows, then peak memory.
// Usage: bench_arrange [rows] [--fold]
// --fold: a player's name comes in colour codes ("^1Player ^742") in two rows of three,
// and the grid arranges names without them.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <sstream>
#include <string>

#include "cli/TerminalPorts.h"
#include "platform/TimeStamp.h"
#include "scan/ColourCodes.h"
#include "scan/MainForm.h"

namespace {

long peakRssMiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    long rows = 1000000;
    bool fold = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--fold")
            fold = true;
        else
            rows = std::atol(argv[i]);
    }
    std::ostringstream discarded;
    th::cli::TerminalPorts terminal(discarded);
    th::MainForm form(terminal.ports);
    form.setUpGrid();
    const char* kinds[] = {"(AIMBOT)", "(WALLHACK)", "(SPEEDHACK)", "(CVAR)", "(MULTIHACK)"};
    std::mt19937 rng(7);
    auto next = [&] { return static_cast<unsigned>(rng()); };
    form.vsFlexGrid1.setRedraw(false);
    size_t cellBytes = 0;  // the rows' own bytes: the sum of their cells' lengths
    for (long i = 0; i < rows; ++i) {
        unsigned player = rng() % (rows / 20 + 1);
        std::string name = "Player " + std::to_string(player);
        if (fold && i % 3 != 0)
            name = "^" + std::to_string(i % 10) + "Player ^7" + std::to_string(player);
        std::string number = std::to_string(50000 + rng() % 200);
        th::StampParts when;
        when.month = static_cast<int>(1 + next() % 12);
        when.day = static_cast<int>(1 + next() % 28);
        when.year = 2003;
        when.hour = static_cast<int>(next() % 24);
        when.minute = static_cast<int>(next() % 60);
        when.second = static_cast<int>(next() % 60);
        const std::string stamp = th::formatStamp(when);
        std::string slot = "(slot #" + std::to_string(rng() % 32) + ")";
        char guid[40];
        std::snprintf(guid, sizeof guid, "%08x%08x%08x%08x", player * 2654435761u, player, ~player,
                      player ^ 0x5a5a5a5au);
        std::string ip = "192.0." + std::to_string(player % 256) + "." +
                         std::to_string(player / 256 % 256) + ":27960";
        const std::string_view cells[] = {name, kinds[rng() % 5], number, stamp, slot, guid, ip};
        for (auto c : cells) cellBytes += c.size();
        form.vsFlexGrid1.addRow(cells);
    }
    form.vsFlexGrid1.setRedraw(true);
    th::setFoldColours(form.vsFlexGrid1, fold);
    long filled = peakRssMiB();

    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    int32_t position = 0;
    th::vsFlexGrid1_AfterMoveColumn(form, 0, position);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // On a shared machine the processor time says more than the wall clock.
    std::printf(
        "rows %ld%s (grid rows after arrangement %d): arrangement %.3f s (%.3f s of "
        "processor time); peak memory %ld MiB (%ld MiB after filling); the rows' cells "
        "hold %.1f MiB\n",
        rows, fold ? " folded" : "", form.vsFlexGrid1.rows(), seconds, cpuSeconds() - cpuStart,
        peakRssMiB(), filled, static_cast<double>(cellBytes) / (1 << 20));
    return 0;
}
