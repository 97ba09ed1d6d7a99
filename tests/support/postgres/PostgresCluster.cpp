#include "tests/support/postgres/PostgresCluster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "bans/PgConnection.h"

namespace th::test {

namespace {

constexpr const char* kOwner = "tallyhound";

// The newest server installed (Debian keeps each version in its own folder).
std::string serverPrograms() {
    std::string best;
    int newest = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const int version = std::atoi(entry.path().filename().c_str());
        const std::string bin = entry.path().string() + "/bin";
        if (version > newest && std::filesystem::exists(bin + "/initdb")) {
            newest = version;
            best = bin;
        }
    }
    if (best.empty())
        throw std::runtime_error("The PostgreSQL server is not installed (run scripts/test.sh)");
    return best;
}

int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("No free port for the test server");
    ::close(s);
    return ntohs(address.sin_port);
}

}  // namespace

PostgresCluster& PostgresCluster::shared() {
    static PostgresCluster cluster;
    return cluster;
}

PostgresCluster::PostgresCluster() : bin_(serverPrograms()), port_(freePort()) {
    const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    if (nobody) asUser_ = "runuser -u nobody -- ";
    stopAbandoned();
    std::string pattern = "/tmp/tallyhound-pg-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("No folder for the test server");
    folder_ = pattern;
    std::ofstream(folder_ + "/owner.pid") << ::getpid() << '\n';
    if (::geteuid() == 0 &&
        (!nobody || ::chown(folder_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0))
        throw std::runtime_error("The test server's folder cannot be given to nobody");
    if (command(bin_ + "/initdb -D " + folder_ + "/data -U " + kOwner +
                " -A trust --auth-host=scram-sha-256 -E UTF8 --locale=C --no-sync "
                "--no-instructions > " +
                folder_ + "/initdb.log 2>&1") != 0)
        throw std::runtime_error("initdb failed; see " + folder_ + "/initdb.log");
    start();
    run("postgres", std::string("CREATE ROLE fleet LOGIN PASSWORD '") + kFleetPassword + "'");
}

PostgresCluster::~PostgresCluster() {
    stop();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

// A test run that was killed leaves its server running; the next run stops it and removes
// its folder. A folder without an owner's pid is left alone: it may be of an older run.
void PostgresCluster::stopAbandoned() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/tmp", ec)) {
        if (!entry.path().filename().string().starts_with("tallyhound-pg-")) continue;
        long owner = 0;  // the process that made the folder, from the file it left there
        std::ifstream(entry.path() / "owner.pid") >> owner;
        if (owner <= 0 || ::kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) continue;
        const std::string folder = entry.path().string();
        if (std::filesystem::exists(folder + "/data/postmaster.pid"))
            command(bin_ + "/pg_ctl -D " + folder +
                    "/data -m immediate -w -s stop > /dev/null 2>&1");
        std::filesystem::remove_all(folder, ec);
    }
}

int PostgresCluster::command(const std::string& line) const {
    return std::system((asUser_ + line).c_str());
}

void PostgresCluster::start() {
    if (running_) return;
    const std::string options = "-k " + folder_ + " -p " + std::to_string(port_) +
                                " -c listen_addresses=127.0.0.1 -c fsync=off "
                                "-c full_page_writes=off -c max_connections=60";
    if (command(bin_ + "/pg_ctl -D " + folder_ + "/data -l " + folder_ + "/server.log -w -s -o '" +
                options + "' start") != 0)
        throw std::runtime_error("The test server did not start; see " + folder_ + "/server.log");
    running_ = true;
}

void PostgresCluster::stop(bool fast) {
    if (!running_) return;
    command(bin_ + "/pg_ctl -D " + folder_ + "/data -m " + (fast ? "fast" : "immediate") +
            " -w -s stop");
    running_ = false;
}

void PostgresCluster::run(const std::string& database, const std::string& sql) const {
    PgConnection db({{"host", folder_},
                     {"port", std::to_string(port_)},
                     {"user", kOwner},
                     {"dbname", database}},
                    database);
    db.script(sql);
}

std::string PostgresCluster::freshDatabaseUri() {
    const std::string name = "bans" + std::to_string(++databases_);
    run("postgres", "CREATE DATABASE " + name);
    return std::string("postgresql://") + kOwner + "@/" + name + "?host=" + folder_ +
           "&port=" + std::to_string(port_);
}

std::string PostgresCluster::tcpUri(const std::string& database) const {
    return "postgresql://fleet@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

}  // namespace th::test
