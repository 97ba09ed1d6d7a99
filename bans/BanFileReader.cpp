#include "bans/BanFileReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/Error.h"
#include "platform/FileOwner.h"
#include "platform/SameFile.h"
#include "scan/LogPositions.h"

namespace th {

BanFileReader::BanFileReader(const std::string& path, const KnownBanFile* known,
                             const CancelToken* cancel)
    : given_(path) {
    // Another writer of this program may replace the file while we wait for its lock:
    // then the name leads to a new file, which is the one to read.
    for (int attempt = 0;; ++attempt) {
        path_ = resolveLink(given_, given_);
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) throw Error::fromErrno(errno == ELOOP ? EACCES : errno, given_);
        struct stat named {};
        if (::fstat(fd_, &status_) != 0) {
            int e = errno;
            ::close(fd_);
            throw Error::fromErrno(e, given_);
        }
        if (!S_ISREG(status_.st_mode)) {
            ::close(fd_);
            throw Error::fromErrno(S_ISDIR(status_.st_mode) ? EISDIR : EINVAL, given_);
        }
        try {
            lock_ = std::make_unique<BanFileLock>(fd_, given_, BanFileLock::kWait, cancel);
        } catch (...) {
            ::close(fd_);
            throw;
        }
        if ((::lstat(path_.c_str(), &named) == 0 && sameFile(named, status_)) || attempt >= 10)
            break;
        lock_.reset();
        ::close(fd_);
    }
    // The size and time that count are those from before the first byte is read: a
    // writer adding to it meanwhile shows as a change.
    if (::fstat(fd_, &status_) != 0) throw Error::fromErrno(errno, given_);
    if (known && known->valid) {
        if (grownFrom(*known))
            start_ = known->gathered ? known->end : 0;
        else
            notAsKnown_ = true;
    }
    readFrom(start_);
}

bool BanFileReader::grownFrom(const KnownBanFile& known) const {
    if (!known.valid || known.device != status_.st_dev || known.inode != status_.st_ino ||
        static_cast<uint64_t>(status_.st_size) < known.end)
        return false;
    const uint64_t hashed = std::min(known.end, kHeadBytes);
    return hashOf(0, hashed) == known.headHash &&
           hashOf(known.end - hashed, known.end) == known.endHash;
}

uint64_t BanFileReader::hashOf(uint64_t from, uint64_t to) const {
    return hashOfBytes(fd_, from, to, given_);
}

uint64_t hashOfBytes(int fd, uint64_t from, uint64_t to, const std::string& path) {
    std::string bytes(static_cast<size_t>(to - from), '\0');
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n =
            ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(from + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Error::fromErrno(errno, path);
        if (n == 0) break;  // shorter now: the hash tells
        done += static_cast<size_t>(n);
    }
    return headHash(bytes);
}

BanFileReader::~BanFileReader() {
    lock_.reset();
    if (fd_ >= 0) ::close(fd_);
}

void BanFileReader::readFrom(uint64_t offset) {
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Error::fromErrno(errno, given_);
        if (n == 0) return;
        bytes_.append(buffer, static_cast<size_t>(n));
        offset += static_cast<size_t>(n);
    }
}

bool BanFileReader::unchanged() const {
    struct stat now {
    }, named{};
    if (::fstat(fd_, &now) != 0 || ::lstat(path_.c_str(), &named) != 0) return false;
    return sameFile(now, status_) && sameFile(named, status_) && now.st_size == status_.st_size &&
           start_ + bytes_.size() == static_cast<uint64_t>(now.st_size) &&
           now.st_mtim.tv_sec == status_.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == status_.st_mtim.tv_nsec;
}

std::string_view BanFileReader::readTail() {
    const size_t before = bytes_.size();
    readFrom(start_ + before);
    return std::string_view(bytes_).substr(before);
}

}  // namespace th
