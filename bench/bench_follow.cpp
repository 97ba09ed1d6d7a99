// How fast follow bans: a writer appends 2,000 lines a second to a log, one of them a
// violation line each second, while tallyhound-cli follow watches it and merges into a
// ban file of 100,000 bans. Reports the delay from each violation line's write to its ban
// line in the ban file (median and maximum), follow's share of one core while lines
// arrive and while none do, and its peak memory.
//   bench_follow [seconds=60] [--poll] [--interval SECONDS]
// tallyhound-cli and its Vandrel.mdb are taken from the build's cli/ folder.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchProcesses.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using bench::cpuTicks;
using bench::violationLine;

std::string guidOf(unsigned n) {
    return bench::guidOf(n, "feed");
}

long statusKiB(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return 0;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    bool poll = false;
    std::string interval = "2";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--poll")
            poll = true;
        else if (a == "--interval" && i + 1 < argc)
            interval = argv[++i];
        else
            seconds = std::atoi(argv[i]);
    }
    const fs::path build = fs::canonical("/proc/self/exe").parent_path().parent_path();
    const std::string cli = (build / "cli/tallyhound-cli").string();
    const fs::path dir = fs::temp_directory_path() / ("bench-follow-" + std::to_string(::getpid()));
    fs::create_directories(dir / "logs");
    const std::string bans = (dir / "pbbans.dat").string(), db = (dir / "Vandrel.mdb").string(),
                      log = (dir / "logs/sv_viol.log").string();
    fs::copy_file(build / "cli/Vandrel.mdb", db);
    {
        std::ofstream out(bans, std::ios::binary);
        for (unsigned n = 1; n <= 100000; ++n)
            out << "[01.06.2003 20:09:59] " << guidOf(1000000 + n) << " \"Old" << n
                << "\" \"192.0.2.1:27960\" \"VIOLATION DETECTED -> (CVAR) #50001\"\r\n";
    }
    std::ofstream(log, std::ios::binary) << "";
    // The database learns the ban file's bans once, and the merge's backup is fresh, as
    // on a server that has run for a while.
    const std::string prime =
        cli + " merge --bans " + bans + " --db " + db + " " + log + " >/dev/null";
    if (std::system(prime.c_str()) != 0) {
        std::fprintf(stderr, "the first merge failed\n");
        return 1;
    }

    const pid_t follower = ::fork();
    if (follower == 0) {
        ::freopen("/dev/null", "w", stdout);
        std::vector<std::string> args = {cli,    "follow", "--bans",     bans,
                                         "--db", db,       "--interval", interval};
        if (poll) args.push_back("--poll");
        args.push_back((dir / "logs").string());
        std::vector<char*> argv2;
        for (auto& a : args) argv2.push_back(a.data());
        argv2.push_back(nullptr);
        ::execv(cli.c_str(), argv2.data());
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // caught up and watching

    std::mutex mutex;  // guards written
    std::map<std::string, Clock::time_point> written;
    std::map<std::string, double> delays;
    const long ticksBefore = cpuTicks(follower);
    const auto start = Clock::now();
    std::thread writer([&] {
        const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
        unsigned n = 0;
        for (int tick = 0; tick < seconds * 100; ++tick) {
            // 20 lines every 10 ms; the first of each second is a violation.
            std::string batch;
            std::string guid;
            for (int i = 0; i < 20; ++i) {
                if (tick % 100 == 0 && i == 0) {
                    guid = guidOf(++n);
                    batch += violationLine(guid, n);
                } else {
                    batch += "[04.16.2017 21:03:11] chatter of the server, line " +
                             std::to_string(tick * 20 + i) + "\n";
                }
            }
            if (!guid.empty()) {
                std::lock_guard lock(mutex);
                written[guid] = Clock::now();
            }
            [[maybe_unused]] ssize_t w = ::write(fd, batch.data(), batch.size());
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (tick + 1)));
        }
        ::close(fd);
    });
    // Watches the ban file for the GUIDs, every 5 ms.
    std::string seen;
    ino_t inode = 0;
    const auto until = start + std::chrono::seconds(seconds) + std::chrono::seconds(6);
    while (Clock::now() < until && (delays.size() < static_cast<size_t>(seconds))) {
        struct stat st {};
        if (::stat(bans.c_str(), &st) == 0) {
            if (st.st_ino != inode || static_cast<size_t>(st.st_size) < seen.size()) {
                inode = st.st_ino;
                seen.clear();
            }
            if (static_cast<size_t>(st.st_size) > seen.size()) {
                std::ifstream in(bans, std::ios::binary);
                in.seekg(static_cast<std::streamoff>(seen.size()));
                std::string more((std::istreambuf_iterator<char>(in)), {});
                const auto now = Clock::now();
                const size_t from = seen.size() > 64 ? seen.size() - 64 : 0;
                seen += more;
                std::lock_guard lock(mutex);
                for (const auto& [guid, at] : written) {
                    if (delays.count(guid)) continue;
                    if (seen.find(guid, from) != std::string::npos)
                        delays[guid] = std::chrono::duration<double>(now - at).count();
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    writer.join();
    const double busySeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long ticksBusy = cpuTicks(follower) - ticksBefore;
    const long rssBusy = statusKiB(follower, "VmRSS");

    // Then nothing arrives for a while.
    const long idleBefore = cpuTicks(follower);
    const auto idleStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(std::max(10, seconds / 3)));
    const double idleSeconds = std::chrono::duration<double>(Clock::now() - idleStart).count();
    const long ticksIdle = cpuTicks(follower) - idleBefore;
    const long peak = statusKiB(follower, "VmHWM"), rssEnd = statusKiB(follower, "VmRSS");
    double load[3] = {0, 0, 0};
    std::ifstream("/proc/loadavg") >> load[0] >> load[1] >> load[2];

    ::kill(follower, SIGTERM);
    int status = 0;
    ::waitpid(follower, &status, 0);

    std::vector<double> values;
    for (const auto& [guid, d] : delays) values.push_back(d);
    const double hz = static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::printf(
        "follow %s, interval %s s, %d s of 2,000 lines/s, 1 violation/s, "
        "100,000-ban file\n",
        poll ? "polling" : "with inotify", interval.c_str(), seconds);
    std::printf("bans seen: %zu of %zu\n", values.size(), written.size());
    std::printf("delay: median %.3f s, maximum %.3f s\n", median(values),
                values.empty() ? 0 : *std::max_element(values.begin(), values.end()));
    std::printf("cpu: %.2f %% of one core while lines arrive, %.2f %% while none do\n",
                100.0 * ticksBusy / hz / busySeconds, 100.0 * ticksIdle / hz / idleSeconds);
    std::printf(
        "memory: peak %.1f MiB, %.1f MiB at the end of the busy part, %.1f MiB at "
        "the end\n",
        peak / 1024.0, rssBusy / 1024.0, rssEnd / 1024.0);
    std::printf("exit status after SIGTERM: %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf("load average at the end: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    fs::remove_all(dir);
    return 0;
}
