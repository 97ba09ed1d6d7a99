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
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "tests/bans/BanTestSupport.h"
#include "tests/support/LocalFileTime.h"

// Whether text holds part, or lacks it; a failure shows both.
#define EXPECT_HOLDS(text, part) EXPECT_PRED_FORMAT2(::testing::IsSubstring, part, text)
#define EXPECT_LACKS(text, part) EXPECT_PRED_FORMAT2(::testing::IsNotSubstring, part, text)

namespace th::test {

struct CliResult {
    int status;
    std::string out, err;
    bool operator==(const CliResult&) const = default;
};
inline void PrintTo(const CliResult& r, std::ostream* os) {
    *os << "{" << r.status << ", " << ::testing::PrintToString(r.out) << ", "
        << ::testing::PrintToString(r.err) << "}";
}

inline CliResult runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "tallyhound-cli");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// How the program is started: standard input from a path, output and errors appended to
// paths (empty: captured), and a limit on its address space in bytes (0: none).
struct ProgramStart {
    std::string in = "/dev/null";
    std::string out = {};
    rlim_t memoryLimit = 0;
    rlim_t openFiles = 0;  // a soft limit of open files, the hard one left
    rlim_t fileSize = 0;   // a limit on the size of the files it writes (0: none)
    std::string err = {};
    bool asNobody = false;  // run by root: as the account nobody, whom permissions bind
    std::string program = TALLYHOUND_CLI;  // a copy elsewhere: installed without a database
};

// The built program started with its standard streams where start says; its process.
inline pid_t startProgram(std::vector<std::string> args, const ProgramStart& start) {
    args.insert(args.begin(), start.program);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open(start.in.c_str(), O_RDONLY);
        const int out = ::open(start.out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const int err = ::open(start.err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (in < 0 || out < 0 || err < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        const auto limit = [](auto resource, rlim_t bytes) {
            const rlimit both{bytes, bytes};
            if (bytes) ::setrlimit(resource, &both);
        };
        limit(RLIMIT_AS, start.memoryLimit);
        if (start.asNobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(126);
        limit(RLIMIT_FSIZE, start.fileSize);
        if (start.openFiles) {
            rlimit files{};
            ::getrlimit(RLIMIT_NOFILE, &files);
            files.rlim_cur = start.openFiles;
            ::setrlimit(RLIMIT_NOFILE, &files);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

// Sends the process a signal (0: none) and waits for it to end; its exit status, or 128 +
// the signal that ended it.
inline int endOf(pid_t process, int signal = 0) {
    if (signal) ::kill(process, signal);
    int raw = 0;
    ::waitpid(process, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// The built program run to its end, what it printed captured unless start sends it away.
inline CliResult runProgram(std::vector<std::string> args, ProgramStart start = {}) {
    char outName[] = "/tmp/tallyhound-out-XXXXXX", errName[] = "/tmp/tallyhound-err-XXXXXX";
    ::close(::mkstemp(outName));
    ::close(::mkstemp(errName));
    if (start.out.empty()) start.out = outName;
    start.err = errName;
    const int status = endOf(startProgram(std::move(args), start));
    const CliResult ran{status, readBytes(outName), readBytes(errName)};
    ::unlink(outName), ::unlink(errName);
    return ran;
}

// The line merge --dry-run and follow print for the violation of that name and GUID.
inline std::string bannedLine(const std::string& name, int guid) {
    return "[04.16.2017 21:03:11]\t" + guidOf(guid) + "\t" + name +
           "\tVIOLATION DETECTED -> (AIMBOT) #50001\n";
}

// How many times each GUID is in the ban file.
inline std::map<std::string, int> bansInFile(const std::string& file) {
    std::map<std::string, int> count;
    std::istringstream lines(readBytes(file));
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 55) ++count[line.substr(22, 32)];
    return count;
}

// A scratch folder for the commands: the ban database they name with --db, an empty ban
// file and a folder of server logs.
class CommandFolder : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        setDatabasePath({});  // the commands set it from --db
        writeBytes(bans, "");
        std::filesystem::create_directories(logs);
    }
    void append(const std::string& log, const std::string& bytes) const {
        appendBytes(logs + "/" + log, bytes);
    }
    std::string logs = dir + "/svlogs";
};

}  // namespace th::test
