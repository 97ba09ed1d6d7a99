#pragma once
// The advisory lock every writer of the ban file in this program takes, so that two of
// them (a merge, an unban, an import, a watcher) never interleave. The game server does
// not take it; the merge's check before replacing the file covers the game server.

#include <chrono>
#include <string>

namespace th {

class BanFileLock {
  public:
    // Locks the open file fd, waiting up to `wait` while another run holds it. Throws
    // th::Error naming path when the wait runs out or locking fails.
    BanFileLock(int fd, const std::string& path,
                std::chrono::milliseconds wait = std::chrono::seconds(30));
    ~BanFileLock();
    BanFileLock(const BanFileLock&) = delete;
    BanFileLock& operator=(const BanFileLock&) = delete;

  private:
    int fd_ = -1;  // a duplicate of the caller's, so the lock never outlives its file
};

}  // namespace th
