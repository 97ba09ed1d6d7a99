#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/ShellCodes.h"

namespace th {
namespace {

TEST(ShellCodes, OpenerExitsAndStartErrorsMapOntoLauncherCodes) {
    EXPECT_EQ(shellCodeFromOpener(false, 0), 31);  // no opener at all
    EXPECT_GT(shellCodeFromOpener(true, 0), 32);
    EXPECT_GT(shellCodeFromErrno(0), 32);
    const std::pair<int, int64_t> exits[] = {{1, 0}, {2, 2}, {3, 31}, {4, 0}};
    for (auto [exitCode, code] : exits) EXPECT_EQ(shellCodeFromOpener(true, exitCode), code);
    const std::pair<int, int64_t> errnos[] = {
        {ENOENT, 2}, {ENOTDIR, 3},  {EACCES, 5},   {EPERM, 5},
        {ENOMEM, 8}, {ENOEXEC, 11}, {ETXTBSY, 26}, {EIO, 0},
    };
    for (auto [errnoValue, code] : errnos) EXPECT_EQ(shellCodeFromErrno(errnoValue), code);
}

TEST(ShellCodes, FailedStartIsExplainedByTheProgramFile) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("shellcodes-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::path data = dir / "data.txt";
    std::ofstream(data) << "not a program";
    fs::path script = dir / "run";
    std::ofstream(script) << "\x7f"
                             "ELF garbage";
    fs::permissions(script, fs::perms::owner_all);

    EXPECT_EQ(shellCodeForFailedStart((dir / "none").string()), 2);
    EXPECT_EQ(shellCodeForFailedStart((dir / "none/x").string()), 3);
    EXPECT_EQ(shellCodeForFailedStart(data.string()), 5);
    EXPECT_EQ(shellCodeForFailedStart(dir.string()), 5);
    EXPECT_EQ(shellCodeForFailedStart(script.string()), 11);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace th
