#pragma once
// Runs a check in a child process that can start no thread beyond its own, as under a
// limit on a user's threads. The limit does not hold for root, so a root test becomes
// nobody in the child; the files and folders the check writes must then be nobody's.

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace th::test {

// The child's exit status when no such limit could be set: the test is skipped.
inline constexpr int kNoThreadLimit = 3;

// 0 when check() held in the child, 1 when it did not or threw, kNoThreadLimit, or 128 and
// the signal that ended the child (SIGKILL when it took over a minute), as runInChild says. written
// names each file and folder the check writes in, one by one and never a folder's contents: each
// must be the test's own, in a scratch folder of its own. A shared folder (the temporary folder
// itself) given here would become nobody's for every other program, so none is taken: the check
// then fails.
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
    return runInChild([&] {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return kNoThreadLimit;
        const rlimit none{1, 1};  // this process itself, and no more
        if (::setrlimit(RLIMIT_NPROC, &none) != 0) return kNoThreadLimit;
        try {
            std::thread([] {}).join();
            return kNoThreadLimit;
        } catch (const std::system_error&) {
        }
        try {
            return check() ? 0 : 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "under the thread limit: %s\n", e.what());
        } catch (...) {
        }
        return 1;
    });
}

}  // namespace th::test
