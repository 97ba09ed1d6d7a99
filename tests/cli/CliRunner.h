#pragma once
// Runs tallyhound-cli in-process and captures what it prints, or runs the built program
// itself where its real standard streams and limits matter.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "tests/support/LocalFileTime.h"

namespace th::test {

struct CliResult {
    int status;
    std::string out, err;
};

// A copy of the crafted console log in the temporary folder, given the modification time
// its expected rows hold; named after the process, as other test runs may share the folder.
inline std::string consoleLogCopy() {
    const std::string copy =
        ::testing::TempDir() + "/console-" + std::to_string(::getpid()) + ".log";
    std::filesystem::copy_file(TALLYHOUND_TEST_DATA "/logs/console.log", copy,
                               std::filesystem::copy_options::overwrite_existing);
    setModified(copy, consoleLogTime());
    return copy;
}

inline CliResult runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "tallyhound-cli");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// How the program is started: standard input and output from and to these paths (output
// empty: captured), and a limit on its address space in bytes (0: none).
struct ProgramStart {
    std::string in = "/dev/null";
    std::string out;
    rlim_t memoryLimit = 0;
};

// The built program; status is the exit status, or 128 + the signal that ended it.
inline CliResult runProgram(std::vector<std::string> args, const ProgramStart& start = {}) {
    char outName[] = "/tmp/tallyhound-out-XXXXXX", errName[] = "/tmp/tallyhound-err-XXXXXX";
    const int outFd = ::mkstemp(outName), errFd = ::mkstemp(errName);
    args.insert(args.begin(), TALLYHOUND_CLI);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open(start.in.c_str(), O_RDONLY);
        const int out = start.out.empty() ? outFd : ::open(start.out.c_str(), O_WRONLY);
        if (in < 0 || out < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(errFd, 2);
        if (start.memoryLimit) {
            rlimit limit{start.memoryLimit, start.memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int raw = 0;
    ::waitpid(child, &raw, 0);
    ::close(outFd);
    ::close(errFd);
    auto slurp = [](const char* name) {
        std::ostringstream s;
        s << std::ifstream(name, std::ios::binary).rdbuf();
        ::unlink(name);
        return s.str();
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), slurp(outName),
            slurp(errName)};
}

}  // namespace th::test
