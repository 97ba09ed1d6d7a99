#include "platform/ProgramSearch.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace th {

namespace {
bool isRunnable(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}
}  // namespace

std::string findProgramOnPath(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return isRunnable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        // An empty entry would mean the current folder: never run a program from there.
        if (!folder.empty()) {
            std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (isRunnable(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

}  // namespace th
