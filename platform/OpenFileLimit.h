#pragma once
// A run that reads a folder of logs from where earlier runs left them holds every log open
// at once, so that each is read as the very file planned; a server's folder of rotated logs
// passes the usual limit of 1,024 open files. The limit is raised to the most the system
// grants this process, as the system leaves that to the program; the programs it starts
// get the limit it started with back, as some use select(), which fails above 1,024.

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace th {

#if defined(__unix__) || defined(__APPLE__)

// The soft limit the process had when raiseOpenFileLimit() was last called.
inline rlimit& startingOpenFileLimit() {
    static rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
    return limit;
}

inline void raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    startingOpenFileLimit() = limit;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);  // a refusal leaves the limit as it was
    }
}

// For as long as it lives, the soft limit is the starting one again: a program started
// meanwhile inherits that.
class StartingOpenFileLimitHeld {
  public:
    StartingOpenFileLimitHeld() {
        if (::getrlimit(RLIMIT_NOFILE, &raised_) != 0) return;
        rlimit starting = raised_;
        starting.rlim_cur = startingOpenFileLimit().rlim_cur;
        held_ = starting.rlim_cur < raised_.rlim_cur && ::setrlimit(RLIMIT_NOFILE, &starting) == 0;
    }
    ~StartingOpenFileLimitHeld() {
        if (held_) ::setrlimit(RLIMIT_NOFILE, &raised_);
    }
    StartingOpenFileLimitHeld(const StartingOpenFileLimitHeld&) = delete;
    StartingOpenFileLimitHeld& operator=(const StartingOpenFileLimitHeld&) = delete;

  private:
    rlimit raised_{};
    bool held_ = false;
};

#else

inline void raiseOpenFileLimit() {}
struct StartingOpenFileLimitHeld {};

#endif

}  // namespace th
