#pragma once
// What the harnesses share: ports that show nothing and answer OK, and a file in memory
// that the code under test opens by name as it would open any file.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Ports.h"

namespace th::fuzz {

class QuietMessages : public MessageBoxPort {
  public:
    MsgResult show(const std::string&, MsgButtons, MsgIcon, const std::string&) override {
        return MsgResult::Ok;
    }
};
class NoFiles : public FileChooserPort {
  public:
    std::vector<std::string> choose(const FileChooserRequest&) override { return {}; }
    bool isWindow(int32_t) override { return false; }
};
class StillCursor : public CursorPort {
  public:
    int16_t shape() override { return 0; }
    void setShape(int16_t) override {}
};
class NoEvents : public EventsPort {
  public:
    void processEvents() override {}
    void repaintNow() override {}
};
class NoShell : public ShellPort {
  public:
    int64_t openDocument(const std::string&) override { return 2; }
    int64_t openUrl(const std::string&) override { return 2; }
    int64_t startProgram(const std::string&, const std::vector<std::string>&) override { return 2; }
    std::string findExecutable(const std::string&) override { return {}; }
    int64_t launchProgram(const std::string&, const std::vector<std::string>&, const std::string&,
                          bool) override {
        return 2;
    }
};

struct QuietPorts {
    QuietMessages messages;
    NoFiles files;
    StillCursor cursor;
    NoEvents events;
    NoShell shell;
    Ports ports{messages, files, cursor, events, shell};
};

// A file in memory, reached by a path of its own; its bytes are replaced per input.
class MemoryFile {
  public:
    MemoryFile() : fd_(::memfd_create("fuzz-input", 0)) {
        if (fd_ < 0) std::abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    const std::string& path() const { return path_; }
    void set(std::string_view bytes) {
        if (::ftruncate(fd_, 0) != 0 ||
            ::pwrite(fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
            std::abort();
    }

  private:
    int fd_;
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
