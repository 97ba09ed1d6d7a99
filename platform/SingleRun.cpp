#include "platform/SingleRun.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace th {

#ifdef __linux__

SingleRun::SingleRun(std::string_view name) {
    // The name hashed (FNV-1a), as a socket's name is short: a path may be long.
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The name begins with a zero byte: abstract, no file.
    const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                                     "tallyhound/%016llx", static_cast<unsigned long long>(hash));
    socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) return;  // no sockets to be had: nothing is refused for it
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        held_ = errno != EADDRINUSE;
        ::close(socket_);
        socket_ = -1;
    }
}

SingleRun::~SingleRun() {
    if (socket_ >= 0) ::close(socket_);
}

#else

SingleRun::SingleRun(std::string_view) {}
SingleRun::~SingleRun() {}

#endif

}  // namespace th
