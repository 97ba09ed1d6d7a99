#pragma once
// Work run in a forked child, for what must not touch the test program itself: signals,
// limits, exits.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace th::test {

// How the child ended: its exit status (work's result, unless work exits itself), or 128
// and the signal that ended it, as a shell shows it; -1 if it could not be run. pid, when
// given, is set to the child's. Work that waits for ever (for a thread that never starts,
// say) is ended after a minute.
inline int runInChild(const std::function<int()>& work, pid_t* pid = nullptr) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int status = work();
        std::fflush(nullptr);
        ::_exit(status);
    }
    if (pid) *pid = child;
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; child > 0 && (ended = ::waitpid(child, &status, WNOHANG)) == 0; ++waited) {
        if (waited == 6000) {
            std::fprintf(stderr, "a test's child process did not end in a minute\n");
            ::kill(child, SIGKILL);
            ended = ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (ended != child) return -1;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace th::test
