#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Error.h"

namespace th {

std::string readWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error::fromErrno(errno, path);
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw Error::fromErrno(EISDIR, path);
    }
    if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
    char block[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            throw Error::fromErrno(e, path);
        }
        if (n == 0) break;
        data.append(block, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

}  // namespace th
