#include "cli/AfterMerge.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/OpenFileLimit.h"
#include "platform/ServiceManager.h"
#include "platform/StopSignals.h"

extern char** environ;

namespace th::cli {

std::vector<std::string> commandWords(const std::string& command) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = command.find_first_not_of(" \t", at)) != std::string::npos) {
        const size_t end = command.find_first_of(" \t", at);
        words.push_back(command.substr(at, end - at));
        at = end;
    }
    return words;
}

std::string whyNotRunnable(const std::string& program) {
    auto problem = [](const std::string& path) -> std::string {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
        if (!S_ISREG(st.st_mode)) return "not a file";
        if (::access(path.c_str(), X_OK) != 0) return "not a program that may be run";
        return {};
    };
    if (program.find('/') != std::string::npos) {
        const std::string why = problem(program);
        return why.empty() ? why : "--after-merge: " + program + ": " + why;
    }
    // Where posix_spawnp looks: each folder of PATH, an empty one the current folder, or
    // the system's default folders without PATH.
    const char* variable = std::getenv("PATH");
    const std::string folders = variable ? variable : "/bin:/usr/bin";
    for (size_t at = 0;;) {
        const size_t end = std::min(folders.find(':', at), folders.size());
        const std::string folder = folders.substr(at, end - at);
        if (problem((folder.empty() ? "." : folder) + "/" + program).empty()) return {};
        if (end == folders.size()) break;
        at = end + 1;
    }
    return "--after-merge: " + program + " is in no folder of PATH as a program that may be run";
}

std::string runAfterMerge(const std::vector<std::string>& words, const std::string& banFile,
                          int64_t newBans, int64_t liftedBans, std::chrono::milliseconds limit,
                          std::chrono::milliseconds stopGrace) {
    if (words.empty()) return {};
    const std::string program = words.front();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry = *e;
        if (entry.starts_with(std::string(kBanFileVariable) + "=") ||
            entry.starts_with(std::string(kNewBansVariable) + "=") ||
            entry.starts_with(std::string(kLiftedBansVariable) + "="))
            continue;
        env.emplace_back(entry);
    }
    env.push_back(std::string(kBanFileVariable) + "=" + banFile);
    env.push_back(std::string(kNewBansVariable) + "=" + std::to_string(newBans));
    env.push_back(std::string(kLiftedBansVariable) + "=" + std::to_string(liftedBans));
    std::vector<char*> argv, envp;
    for (const auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    // The child starts with the stop signals, SIGPIPE and SIGXFSZ as a fresh program has them.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGHUP);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    // A group of its own, so that stopping it stops what it started too (a script's sleep
    // or reload would otherwise run on after it was said to be stopped).
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    // What it prints goes to standard error: follow's standard output holds the new bans,
    // one a line, for whatever reads them. It reads nothing: one that read follow's
    // standard input (a terminal, a pipe) held up every ban until it was stopped.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    // A second stop signal waits until the command and all it started are stopped: it
    // ended follow at once and left them running, with nobody to stop them.
    struct SecondSignalWaits {
        const bool before = StopSignals::secondDeferred();
        SecondSignalWaits() { StopSignals::deferSecond(true); }
        ~SecondSignalWaits() { StopSignals::deferSecond(before); }
    } second;
    int failed = 0;
    {
        const StartingOpenFileLimitHeld startingLimit;  // raised for this program's own logs only
        failed = ::posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (failed != 0) return program + " could not be started: " + std::strerror(failed);

    auto deadline = std::chrono::steady_clock::now() + limit;
    bool stopping = false;
    auto nextWord = std::chrono::steady_clock::now();
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return program + ": " + std::strerror(errno);
        // As long as the command takes, the service manager hears that follow is alive (its
        // watchdog would end it at the limit), and a stop asked for waits a few seconds at
        // most, for a reload to finish.
        if (std::chrono::steady_clock::now() >= nextWord) {
            notifyServiceManager("WATCHDOG=1");
            nextWord += std::chrono::seconds(1);
        }
        if (StopSignals::requested() && !stopping) {
            stopping = true;
            deadline = std::min(deadline, std::chrono::steady_clock::now() + stopGrace);
        }
        if (stopping &&
            (std::chrono::steady_clock::now() >= deadline || StopSignals::secondWaiting())) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            // One that had just ended by itself is told as it ended.
            if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) break;
            return program + " was stopped: tallyhound-cli was asked to stop";
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g", static_cast<double>(limit.count()) / 1000);
            return program + " did not finish within " + seconds + " seconds and was stopped";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
    if (WIFEXITED(status))
        return program + " exited with status " + std::to_string(WEXITSTATUS(status));
    return program + " was ended by signal " + std::to_string(WTERMSIG(status));
}

}  // namespace th::cli
