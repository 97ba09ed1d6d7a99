#pragma once
// A throw-away PostgreSQL server for the tests: a cluster made with initdb in a temporary
// folder, listening on a private port and socket folder, started on first use and
// stopped, with its folder removed, when the test program ends. Run as root, the server
// runs as the unprivileged account "nobody", as PostgreSQL requires.
//
// Local (socket) connections are trusted; TCP connections on 127.0.0.1 need a password,
// for the tests of password files.

#include <string>

namespace th::test {

class PostgresCluster {
  public:
    // The one cluster of the test program, started if it is not running.
    static PostgresCluster& shared();

    // A new, empty database and the URI that names it (through the socket folder).
    std::string freshDatabaseUri();
    // The name of the database a URI of freshDatabaseUri names.
    static std::string databaseOf(const std::string& uri) {
        const size_t start = uri.find("@/") + 2;
        return uri.substr(start, uri.find('?') - start);
    }
    // The same database reached over TCP on 127.0.0.1 as the role "fleet", whose password
    // is kFleetPassword.
    std::string tcpUri(const std::string& database) const;
    static constexpr const char* kFleetPassword = "fleet-secret";

    // Stops the server at once (as a crash or a power cut would), or fast (as a service
    // manager does: each client is told why its connection ends), and starts it again.
    void stop(bool fast = false);
    void start();

    // Runs statements in a database as the cluster's owner.
    void run(const std::string& database, const std::string& sql) const;

    // The fleet benchmark reads the server's pid from it.
    const std::string& folder() const { return folder_; }
    int port() const { return port_; }

    ~PostgresCluster();

  private:
    PostgresCluster();
    // Stops the servers of test runs that ended without stopping them.
    void stopAbandoned() const;
    int command(const std::string& line) const;

    std::string folder_, bin_, asUser_;
    int port_ = 0;
    int databases_ = 0;
    bool running_ = false;
};

}  // namespace th::test
