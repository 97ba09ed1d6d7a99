#include "platform/ServiceManager.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace th {

namespace {

// A whole decimal number, or nothing.
bool parseDecimal(const char* text, uint64_t& value) {
    if (!text || !*text) return false;
    value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9' || value > (UINT64_MAX - 9) / 10) return false;
        value = value * 10 + static_cast<uint64_t>(*c - '0');
    }
    return true;
}

}  // namespace

#ifdef _WIN32

bool notifyServiceManager(std::string_view) {
    return false;
}

#else

bool notifyServiceManager(std::string_view state) {
    const char* name = std::getenv("NOTIFY_SOCKET");
    if (!name) return false;
    const size_t length = std::strlen(name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // A path, or "@" and a name in the abstract namespace, where the "@" stands for a NUL.
    if (length < 2 || length > sizeof address.sun_path || (name[0] != '/' && name[0] != '@'))
        return false;
    std::memcpy(address.sun_path, name, length);
    if (name[0] == '@') address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
    const ssize_t sent = ::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), size);
    ::close(fd);
    return sent == static_cast<ssize_t>(state.size());
}

#endif

std::chrono::microseconds watchdogPeriod() {
    uint64_t usec = 0;
    if (!parseDecimal(std::getenv("WATCHDOG_USEC"), usec)) return {};
    if (const char* owner = std::getenv("WATCHDOG_PID")) {
#ifdef _WIN32
        (void)owner;
        return {};
#else
        uint64_t pid = 0;
        if (!parseDecimal(owner, pid) || pid != static_cast<uint64_t>(::getpid())) return {};
#endif
    }
    return std::chrono::microseconds(static_cast<int64_t>(std::min<uint64_t>(usec, INT64_MAX)));
}

}  // namespace th
