#pragma once
// Gives a file a modification time stated in local time, as the program writes stamps.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>

namespace th::test {

// The time of "[04.16.2017 21:03:11]" in local time.
inline std::time_t consoleLogTime() {
    std::tm t{};
    ::strptime("04.16.2017 21:03:11", "%m.%d.%Y %H:%M:%S", &t);
    t.tm_isdst = -1;
    return std::mktime(&t);
}

inline bool setModified(const std::string& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

#ifdef TALLYHOUND_TEST_DATA
// A copy of the crafted console log in the temporary folder, given the modification time
// its expected rows hold; named after the process, as other test runs may share the folder.
inline std::string consoleLogCopy() {
    const std::string copy =
        ::testing::TempDir() + "/console-" + std::to_string(::getpid()) + ".log";
    std::filesystem::copy_file(TALLYHOUND_TEST_DATA "/logs/console.log", copy,
                               std::filesystem::copy_options::overwrite_existing);
    setModified(copy, consoleLogTime());
    // Gone when the test program ends.
    static const struct Removed {
        std::string path;
        ~Removed() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } removed{copy};
    return copy;
}
#endif

}  // namespace th::test
