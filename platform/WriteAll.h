#pragma once
// Writes every byte to a descriptor, however many calls it takes.

#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace th {

// 0 once every byte is written, else the errno of the write that failed.
inline int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;  // nothing taken and no reason given: it would never end
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

}  // namespace th
