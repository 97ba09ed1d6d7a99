#pragma once
// The crafted console log with the modification time its expected rows hold.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>

namespace th::test {

#ifdef TALLYHOUND_TEST_DATA
// A copy of the crafted console log in the temporary folder, modified at
// "[04.16.2017 21:03:11]" in local time, as the program writes stamps; named after the
// process, as other test runs may share the folder.
inline std::string consoleLogCopy() {
    const std::string copy =
        ::testing::TempDir() + "/console-" + std::to_string(::getpid()) + ".log";
    std::filesystem::copy_file(TALLYHOUND_TEST_DATA "/logs/console.log", copy,
                               std::filesystem::copy_options::overwrite_existing);
    std::tm t{};
    ::strptime("04.16.2017 21:03:11", "%m.%d.%Y %H:%M:%S", &t);
    t.tm_isdst = -1;
    const std::time_t when = std::mktime(&t);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, copy.c_str(), times, 0);
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
