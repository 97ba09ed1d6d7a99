#pragma once
// Files as the tests see them: bytes in and out, a log's violation line, the test data,
// and a scratch folder of one's own under the system's temporary folder, removed at the end.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace th::test {

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
inline void appendBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

// An anti-cheat violation line of a player with that name and GUID.
inline std::string violation(const std::string& name, const std::string& guid) {
    return "[04.16.2017 21:03:11] VIOLATION (AIMBOT) #50001: " + name +
           " (slot #1) Aimbot detected [" + guid + "(VALID) 192.0.2.1:27960]\n";
}

#ifdef TALLYHOUND_TEST_DATA
inline std::string dataPath(const std::string& name) {
    return std::string(TALLYHOUND_TEST_DATA) + "/" + name;
}
#endif

struct ScratchFolder {
    std::string dir = [] {
        std::string pattern = std::filesystem::temp_directory_path() / "tallyhound-XXXXXX";
        return std::string(::mkdtemp(pattern.data()));
    }();
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder&) = delete;
    ~ScratchFolder() { std::filesystem::remove_all(dir); }
    // How many entries the folder holds, to see that nothing was left behind.
    long entries() const { return std::distance(std::filesystem::directory_iterator(dir), {}); }
};

}  // namespace th::test
