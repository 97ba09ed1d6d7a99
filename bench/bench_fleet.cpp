// A fleet of game servers on one PostgreSQL database: 20 tallyhound-cli follow processes,
// each with its own log folder and a 10,000-ban pbbans.dat, while writers append 50
// violation lines a second (spread over the servers) and 2,000 ordinary lines a second.
// Reports bans lost and doubled, the delay from a violation line on one server to its ban
// line in every other server's file (median, 99th percentile, maximum), and the load of
// the database (CPU of its processes, transactions a second) and of the followers.
//   bench_fleet [--seconds 120] [--servers 20] [--cli PATH]
// The database is a throw-away PostgreSQL cluster, made as the tests make theirs; the
// followers are the build's tallyhound-cli, or the one --cli names (an older build, to
// compare in one sitting). Everything a note of the run needs is printed: the machine's
// cores and load average through the run, the program's and the server's versions.

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bans/PgConnection.h"
#include "bans/PostgresUri.h"
#include "bench/BenchProcesses.h"
#include "tests/support/postgres/PostgresCluster.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using bench::cpuTicks;
using bench::violationLine;

std::string guidOf(unsigned n) {
    return bench::guidOf(n, "f1ee");
}

// The CPU of the database server: its main process with the children it has reaped, and
// the children still running.
long serverTicks(pid_t postmaster) {
    long sum = cpuTicks(postmaster, true);
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = std::stoi(name);
        if (bench::parentOf(pid) == postmaster) sum += cpuTicks(pid);
    }
    return sum;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// A number the server keeps of the database named: a column of its row in a view.
struct Figure {
    const char *column, *view;
};
constexpr Figure kTransactions = {"xact_commit + xact_rollback", "pg_stat_database"};
constexpr Figure kConnections = {"count(*)", "pg_stat_activity"};

int64_t numberOf(th::PgConnection& db, const Figure& figure, const std::string& name) {
    const th::PgResult r =
        db.query(std::string("SELECT (") + figure.column + ")::text FROM " + figure.view +
                     " WHERE datname = convert_from($1::bytea, 'UTF8')",
                 {name});
    return r.rows() ? std::stoll(std::string(r.value(0, 0))) : 0;
}

// The first line a command prints.
std::string firstLine(const std::string& command) {
    std::string line;
    if (FILE* out = ::popen(command.c_str(), "r")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, out)) line = buffer;
        ::pclose(out);
    }
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

// One server's ban file as the watcher last read it.
struct Watched {
    std::string path, bytes;
    ino_t inode = 0;
};

}  // namespace

int run(int argc, char** argv) {
    int seconds = 120, servers = 20;
    const fs::path build = fs::canonical("/proc/self/exe").parent_path().parent_path();
    std::string cli = (build / "cli/tallyhound-cli").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds") seconds = std::atoi(argv[i + 1]);
        if (a == "--servers") servers = std::atoi(argv[i + 1]);
        if (a == "--cli") cli = fs::absolute(argv[i + 1]).string();
    }
    const fs::path dir = fs::temp_directory_path() / ("bench-fleet-" + std::to_string(::getpid()));
    fs::create_directories(dir);

    th::test::PostgresCluster& cluster = th::test::PostgresCluster::shared();
    const std::string uri = cluster.freshDatabaseUri();
    const std::string database = th::test::PostgresCluster::databaseOf(uri);
    if (std::system((cli + " db init --db '" + uri + "' >/dev/null").c_str()) != 0) return 1;

    // Every server starts with the fleet's 10,000 bans, merged and backed up once, as on a
    // fleet that has run for a while.
    std::vector<Watched> files(static_cast<size_t>(servers));
    std::vector<std::string> logs(static_cast<size_t>(servers));
    for (int s = 0; s < servers; ++s) {
        const fs::path home = dir / ("server" + std::to_string(s));
        fs::create_directories(home / "logs");
        files[s].path = (home / "pbbans.dat").string();
        logs[s] = (home / "logs/sv_viol.log").string();
        std::ofstream out(files[s].path, std::ios::binary);
        for (unsigned n = 1; n <= 10000; ++n)
            out << "[01.06.2003 20:09:59] " << guidOf(1000000 + n) << " \"Old" << n
                << "\" \"192.0.2.1:27960\" \"VIOLATION DETECTED -> (CVAR) #50001\"\r\n";
        out.close();
        std::ofstream(logs[s], std::ios::binary) << "";
        const std::string prime = cli + " merge --bans " + files[s].path + " --db '" + uri +
                                  "' --server server" + std::to_string(s) + " " + logs[s] +
                                  " >/dev/null";
        if (std::system(prime.c_str()) != 0) {
            std::fprintf(stderr, "the first merge of server %d failed\n", s);
            return 1;
        }
    }

    std::vector<pid_t> followers;
    // A benchmark that fails midway leaves no follower behind.
    struct Reaper {
        std::vector<pid_t>& pids;
        ~Reaper() {
            for (pid_t pid : pids) ::kill(pid, SIGKILL);
            for (pid_t pid : pids) ::waitpid(pid, nullptr, 0);
        }
    } reaper{followers};
    for (int s = 0; s < servers; ++s) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::freopen("/dev/null", "w", stdout);
            ::freopen((dir / ("err" + std::to_string(s))).c_str(), "w", stderr);
            std::vector<std::string> args = {cli,
                                             "follow",
                                             "--bans",
                                             files[s].path,
                                             "--db",
                                             uri,
                                             "--server",
                                             "server" + std::to_string(s),
                                             fs::path(logs[s]).parent_path().string()};
            std::vector<char*> argv2;
            for (auto& a : args) argv2.push_back(a.data());
            argv2.push_back(nullptr);
            ::execv(cli.c_str(), argv2.data());
            ::_exit(127);
        }
        followers.push_back(pid);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));  // caught up and listening

    pid_t postmaster = 0;
    std::ifstream(cluster.folder() + "/data/postmaster.pid") >> postmaster;
    th::PgConnection stats(th::postgresParameters(uri), "bench");
    const int64_t xactsBefore = numberOf(stats, kTransactions, database);
    const long serverBefore = serverTicks(postmaster);
    long followersBefore = 0;
    for (pid_t pid : followers) followersBefore += cpuTicks(pid);

    struct Written {
        int server;
        Clock::time_point at;
    };
    std::mutex mutex;  // guards written
    std::map<std::string, Written> written;
    std::map<std::string, std::vector<double>> delays;  // by GUID, one per other server
    const auto start = Clock::now();
    std::thread writer([&] {
        std::vector<std::ofstream> out;
        for (const auto& log : logs) out.emplace_back(log, std::ios::binary | std::ios::app);
        unsigned n = 0;
        // Every 20 ms: one violation line on the next server, 40 ordinary lines spread.
        for (int tick = 0; tick < seconds * 50; ++tick) {
            for (int i = 0; i < 40; ++i) {
                const int s = (tick * 40 + i) % servers;
                out[s] << "[04.16.2017 21:03:11] chatter of the server, line " << tick * 40 + i
                       << "\n";
                out[s].flush();
            }
            const int s = tick % servers;
            const std::string guid = guidOf(++n);
            {
                std::lock_guard lock(mutex);
                written[guid] = {s, Clock::now()};
            }
            out[s] << violationLine(guid, n);
            out[s].flush();
            std::this_thread::sleep_until(start + std::chrono::milliseconds(20 * (tick + 1)));
        }
    });

    // Watches every ban file for the new GUIDs, every 10 ms; once a second, the load and
    // the database's connections.
    std::vector<double> loads;
    int64_t connections = 0;
    auto nextSample = Clock::now();
    std::set<std::pair<int, std::string>> seen;
    const size_t expected = static_cast<size_t>(seconds) * 50 * static_cast<size_t>(servers - 1);
    const auto until = start + std::chrono::seconds(seconds + 20);
    while (Clock::now() < until && seen.size() < expected) {
        if (Clock::now() >= nextSample) {
            nextSample += std::chrono::seconds(1);
            double load = 0;
            std::ifstream("/proc/loadavg") >> load;
            loads.push_back(load);
            connections = std::max(connections, numberOf(stats, kConnections, database));
        }
        for (int s = 0; s < servers; ++s) {
            Watched& file = files[s];
            struct stat st {};
            if (::stat(file.path.c_str(), &st) != 0) continue;
            if (st.st_ino != file.inode || static_cast<size_t>(st.st_size) < file.bytes.size()) {
                file.inode = st.st_ino;
                file.bytes.clear();
            }
            if (static_cast<size_t>(st.st_size) == file.bytes.size()) continue;
            std::ifstream in(file.path, std::ios::binary);
            in.seekg(static_cast<std::streamoff>(file.bytes.size()));
            std::string more((std::istreambuf_iterator<char>(in)), {});
            const auto now = Clock::now();
            const size_t from = file.bytes.empty() ? 0 : file.bytes.rfind('\n') + 1;
            file.bytes += more;
            std::lock_guard lock(mutex);
            for (size_t line = from; line + 54 <= file.bytes.size();) {
                const size_t end = file.bytes.find('\n', line);
                if (end == std::string::npos) break;
                const std::string guid = file.bytes.substr(line + 22, 32);  // after the stamp
                line = end + 1;
                const auto w = written.find(guid);
                if (w == written.end() || w->second.server == s) continue;
                if (seen.insert({s, guid}).second)
                    delays[guid].push_back(
                        std::chrono::duration<double>(now - w->second.at).count());
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    writer.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const long serverUsed = serverTicks(postmaster) - serverBefore;
    long followersUsed = -followersBefore;
    for (pid_t pid : followers) followersUsed += cpuTicks(pid);
    const int64_t xacts = numberOf(stats, kTransactions, database) - xactsBefore;

    for (pid_t pid : followers) ::kill(pid, SIGTERM);
    int badExits = 0;
    for (pid_t pid : followers) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        badExits += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    followers.clear();

    // Lost: a violation missing from a file (its own server's included); doubled: a GUID
    // twice in one file.
    size_t lost = 0, doubled = 0;
    for (int s = 0; s < servers; ++s) {
        std::ifstream in(files[s].path, std::ios::binary);
        std::map<std::string, int> count;
        for (std::string line; std::getline(in, line);)
            if (line.size() >= 54) ++count[line.substr(22, 32)];
        for (const auto& [guid, w] : written) lost += !count.count(guid);
        for (const auto& [guid, c] : count) doubled += c > 1;
    }
    const th::PgResult stored = stats.query("SELECT count(*)::text FROM tblVandrel");
    std::vector<double> all;
    for (const auto& [guid, d] : delays) all.insert(all.end(), d.begin(), d.end());
    const double hz = static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::printf(
        "fleet of %d followers, one PostgreSQL database, %d s of 50 violation lines/s "
        "and 2,000 ordinary lines/s, 10,000-ban files\n",
        servers, seconds);
    std::printf("violations written: %zu; bans in the database: %s (10,000 before)\n",
                written.size(), std::string(stored.value(0, 0)).c_str());
    std::printf("bans lost: %zu, doubled: %zu, followers not ending with 0: %d\n", lost, doubled,
                badExits);
    std::printf(
        "delay to every other server's file: median %.3f s, 99th percentile %.3f s, "
        "maximum %.3f s (%zu of %zu arrivals seen)\n",
        percentile(all, 0.5), percentile(all, 0.99),
        all.empty() ? 0 : *std::max_element(all.begin(), all.end()), all.size(), expected);
    std::printf(
        "database: %.1f %% of one core, %.0f transactions/s; followers: %.1f %% of one "
        "core together\n",
        100.0 * serverUsed / hz / elapsed, xacts / elapsed, 100.0 * followersUsed / hz / elapsed);
    double loadSum = 0;
    for (double l : loads) loadSum += l;
    std::printf(
        "most connections to the database at once: %lld (%d followers; this benchmark's own "
        "one included)\n",
        static_cast<long long>(connections), servers);
    std::printf(
        "machine: %ld cores; load average (1 min) during the run: mean %.2f, maximum "
        "%.2f\n",
        ::sysconf(_SC_NPROCESSORS_ONLN), loads.empty() ? 0 : loadSum / loads.size(),
        loads.empty() ? 0 : *std::max_element(loads.begin(), loads.end()));
    std::printf("%s; %s\n", firstLine(cli + " --version").c_str(),
                std::string(stats.query("SELECT version()").value(0, 0)).c_str());
    for (int s = 0; s < servers; ++s) {
        std::ifstream in(dir / ("err" + std::to_string(s)));
        std::string first;
        if (std::getline(in, first)) std::printf("server %d said: %s\n", s, first.c_str());
    }
    fs::remove_all(dir);
    return lost || doubled ? 1 : 0;
}

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_fleet: %s\n", e.what());
        return 1;
    }
}
