#pragma once
// The advisory lock every writer of the ban file in this program takes, so that two of
// them (a merge, an unban, an import, a watcher) never interleave. A game server may take
// it too, to append without a merge in between (README); one that does not is covered by
// the merge's check before replacing the file.

#include <chrono>
#include <string>

#include "platform/CancelToken.h"

namespace th {

class BanFileLock {
  public:
    static constexpr std::chrono::milliseconds kWait = std::chrono::seconds(30);
    // Locks the open file fd, waiting up to `wait` while another program holds it. Throws
    // th::Error naming path when the wait runs out or locking fails, and Cancelled when
    // cancel is asked for meanwhile.
    BanFileLock(int fd, const std::string& path, std::chrono::milliseconds wait = kWait,
                const CancelToken* cancel = nullptr);
    ~BanFileLock();
    BanFileLock(const BanFileLock&) = delete;
    BanFileLock& operator=(const BanFileLock&) = delete;

  private:
    int fd_ = -1;  // a duplicate of the caller's, so the lock never outlives its file
};

}  // namespace th
