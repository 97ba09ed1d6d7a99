#include "app/RecentLogs.h"

#include <algorithm>

namespace th {

RecentLogs::RecentLogs(std::vector<std::string> paths) {
    // Added oldest first, so the list comes back in the same order, cleaned.
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        if (!it->empty()) add(*it);
}

void RecentLogs::add(const std::string& path) {
    remove(path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kMaximum) paths_.resize(kMaximum);
}

void RecentLogs::remove(const std::string& path) {
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}

std::string recentLogMissingText(const std::string& path) {
    return "The log " + path +
           " is no longer there as a file; it has been taken off the recent list.";
}

}  // namespace th
