#pragma once
// The last logs chosen, newest first, for File > Recent. Plain list work; the window
// keeps the list in its settings.

#include <string>
#include <vector>

namespace th {

class RecentLogs {
  public:
    static constexpr size_t kMaximum = 10;

    explicit RecentLogs(std::vector<std::string> paths = {});
    // Puts the path first, once; the oldest beyond the maximum drops off.
    void add(const std::string& path);
    void remove(const std::string& path);
    const std::vector<std::string>& paths() const { return paths_; }

  private:
    std::vector<std::string> paths_;
};

// The box shown when a recent log is gone: it has been taken off the list.
std::string recentLogMissingText(const std::string& path);

}  // namespace th
