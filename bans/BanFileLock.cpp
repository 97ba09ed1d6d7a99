#include "bans/BanFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/Error.h"
#include "platform/StopSignals.h"

namespace th {

BanFileLock::BanFileLock(int fd, const std::string& path, std::chrono::milliseconds wait,
                         const CancelToken* cancel) {
    fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) throw Error::fromErrno(errno, path);
    const auto until = std::chrono::steady_clock::now() + wait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EINTR) continue;
        // A stop asked for ends the wait as its end would (follow waited up to 20 s); the
        // window's Cancel ends it as a cancelled merge (it waited the 30 s, then failed).
        const bool cancelled = e == EWOULDBLOCK && cancel && cancel->requested();
        if (e != EWOULDBLOCK || std::chrono::steady_clock::now() >= until ||
            StopSignals::requested() || cancelled) {
            ::close(fd_);
            fd_ = -1;
            if (cancelled) throw Cancelled();
            // Not only this program's writers take the lock: a game server may.
            if (e == EWOULDBLOCK)
                throw Error(err::kFileInUse, appBaseName(),
                            "Another program is writing the file: " + path);
            throw Error::fromErrno(e, path);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

BanFileLock::~BanFileLock() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

}  // namespace th
