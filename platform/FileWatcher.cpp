#include "platform/FileWatcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace th {

FileWatcher::FileWatcher(const std::vector<std::string>& folders) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return;
    for (const auto& folder : folders) {
        if (::inotify_add_watch(fd_, folder.c_str(),
                                IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO |
                                    IN_MOVED_FROM | IN_DELETE | IN_ATTRIB) >= 0)
            ++watches_;
    }
}

FileWatcher::~FileWatcher() {
    if (fd_ >= 0) ::close(fd_);
}

void FileWatcher::drain() {
    alignas(inotify_event) char events[4096];
    while (::read(fd_, events, sizeof events) > 0) {
    }
}

void FileWatcher::wait(std::chrono::milliseconds timeout, int stop, int other,
                       std::chrono::milliseconds settle) {
    pollfd fds[3] = {{stop, POLLIN, 0}, {watches_ > 0 ? fd_ : -1, POLLIN, 0}, {other, POLLIN, 0}};
    const int ms = static_cast<int>(std::max<int64_t>(0, timeout.count()));
    int ready = ::poll(fds, 3, ms);
    if (ready < 0 && errno == EINTR) return;  // a signal: the caller looks why
    if (ready <= 0 || fds[0].revents) return;
    // Let the writer finish what it is writing, keeping an eye on stop meanwhile.
    pollfd stopped = {stop, POLLIN, 0};
    ::poll(&stopped, 1, static_cast<int>(settle.count()));
    if (fds[1].revents & POLLIN) drain();
}

}  // namespace th
