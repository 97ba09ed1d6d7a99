#pragma once
// Gives a file a modification time stated in local time, as the program writes stamps.

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

namespace th::test {

// The time of "[04.16.2017 21:03:11]" in local time.
inline std::time_t consoleLogTime() {
    std::tm t{};
    t.tm_year = 2017 - 1900;
    t.tm_mon = 3;
    t.tm_mday = 16;
    t.tm_hour = 21;
    t.tm_min = 3;
    t.tm_sec = 11;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

inline bool setModified(const std::string& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace th::test
