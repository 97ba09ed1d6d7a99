#pragma once
// Waits for files in some folders to change: inotify where the system has it, else (and
// for changes inotify never sees, as on network file systems) the caller's interval.

#include <chrono>
#include <string>
#include <vector>

namespace th {

class FileWatcher {
  public:
    // Watches each folder for files written, created, moved or deleted; a folder that
    // cannot be watched is left to the interval.
    explicit FileWatcher(const std::vector<std::string>& folders);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Returns when a watched folder changed, stop or other became readable, or timeout
    // passed, whichever comes first. A change, or other, is followed by settle of quiet
    // gathering (a writer writes many lines in a row, other servers ban many players in
    // a row), so a busy log wakes the caller only so often.
    void wait(std::chrono::milliseconds timeout, int stop, int other = -1,
              std::chrono::milliseconds settle = std::chrono::milliseconds(50));

    // Whether inotify watches at least one folder.
    bool notifies() const { return watches_ > 0; }

  private:
    void drain();
    int fd_ = -1;
    int watches_ = 0;
};

}  // namespace th
