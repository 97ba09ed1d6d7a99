#pragma once
// What the harnesses share: ports that show nothing and answer OK, and a file in memory
// that the code under test opens by name as it would open any file.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HeadlessPorts.h"
#include "platform/Ports.h"

namespace th::fuzz {

class QuietMessages : public MessageBoxPort {
  public:
    using MessageBoxPort::show;
    MsgResult show(const std::string&, MsgButtons, MsgIcon, const std::string&,
                   MsgResult) override {
        return MsgResult::Ok;
    }
};
class NoFiles : public FileChooserPort {
  public:
    std::vector<std::string> choose(const FileChooserRequest&) override { return {}; }
    bool isWindow(int32_t) override { return false; }
};
struct QuietPorts {
    QuietMessages messages;
    NoFiles files;
    HeadlessCursor cursor;
    HeadlessEvents events;
    HeadlessShell shell;
    Ports ports{messages, files, cursor, events, shell};
};

// A file of its own in shared memory (a real file, as the readers expect one), its
// bytes replaced per input.
class MemoryFile {
  public:
    MemoryFile() {
        static int count = 0;
        path_ = "/dev/shm/tallyhound-fuzz-" + std::to_string(::getpid()) + "-" +
                std::to_string(count++);
    }
    ~MemoryFile() { ::unlink(path_.c_str()); }
    const std::string& path() const { return path_; }
    void set(std::string_view bytes) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            std::abort();
        ::close(fd);
    }

  private:
    std::string path_;
};

// Stops the run with the message when a property does not hold.
inline void require(bool holds, const char* what) {
    if (!holds) {
        fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

}  // namespace th::fuzz
