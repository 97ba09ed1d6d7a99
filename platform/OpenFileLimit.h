#pragma once
// A run that reads a folder of logs from where earlier runs left them holds every log open
// at once, so that each is read as the very file planned; a server's folder of rotated logs
// passes the usual limit of 1,024 open files. The limit is raised to the most the system
// grants this process, as the system leaves that to the program.

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace th {

inline void raiseOpenFileLimit() {
#if defined(__unix__) || defined(__APPLE__)
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);  // a refusal leaves the limit as it was
    }
#endif
}

}  // namespace th
