#pragma once
// Runs a check in a child process that can start no thread beyond its own, as under a
// limit on a user's threads. The limit does not hold for root, so a root test becomes
// nobody in the child; the files and folders the check writes must then be nobody's.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace th::test {

// The child's exit status when no such limit could be set: the test is skipped.
inline constexpr int kNoThreadLimit = 3;

// 0 when check() held in the child, 1 when it did not or threw, kNoThreadLimit, or 128 and
// the signal that ended the child (SIGKILL when it took over a minute). written names each file and
// folder the check writes in, one by one and never a folder's contents: each must be the test's
// own, in a scratch folder of its own. A shared folder (the temporary folder itself) given here
// would become nobody's for every other program, so none is taken: the check then fails.
inline int underThreadLimit(const std::vector<std::string>& written,
                            const std::function<bool()>& check) {
    constexpr uid_t kNobody = 65534;
    const bool root = ::geteuid() == 0;
    namespace fs = std::filesystem;
    for (const std::string& path : written) {
        std::error_code failed;
        // The same folder however it is spelt ("/tmp/", "/tmp//", a link to it).
        if (path.empty() || fs::equivalent(path, fs::temp_directory_path(), failed) ||
            fs::equivalent(path, "/", failed))
            return 1;
        if (root && ::chown(path.c_str(), kNobody, kNobody) != 0) return 1;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(kNoThreadLimit);
        const rlimit none{1, 1};  // this process itself, and no more
        if (::setrlimit(RLIMIT_NPROC, &none) != 0) ::_exit(kNoThreadLimit);
        try {
            std::thread([] {}).join();
            ::_exit(kNoThreadLimit);
        } catch (const std::system_error&) {
        }
        bool held = false;
        try {
            held = check();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "under the thread limit: %s\n", e.what());
        } catch (...) {
        }
        std::fflush(nullptr);
        ::_exit(held ? 0 : 1);
    }
    // A check that waits for a thread which never starts would wait for ever: after a
    // minute the child is ended, and the check has failed.
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 6000) {
            std::fprintf(stderr, "under the thread limit: the check did not end in a minute\n");
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace th::test
