#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/ProgramSearch.h"

namespace th {
namespace {

namespace fs = std::filesystem;

TEST(ProgramSearch, FindsRunnableFilesAlongPath) {
    const fs::path dir =
        fs::temp_directory_path() / ("programsearch-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b" / "folder");
    std::ofstream(dir / "a" / "tool") << "data";
    fs::permissions(dir / "a" / "tool", fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(dir / "b" / "tool") << "#!/bin/sh\n";
    fs::permissions(dir / "b" / "tool", fs::perms::owner_all);

    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    const std::string path = (dir / "a").string() + "::" + (dir / "b").string() + "/";
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(findProgramOnPath("tool"), (dir / "b" / "tool").string());
    EXPECT_EQ(findProgramOnPath("folder"), "");
    EXPECT_EQ(findProgramOnPath("none"), "");
    EXPECT_EQ(findProgramOnPath(""), "");
    EXPECT_EQ(findProgramOnPath((dir / "b" / "tool").string()), (dir / "b" / "tool").string());
    EXPECT_EQ(findProgramOnPath((dir / "a" / "tool").string()), "");
    setenv("PATH", saved.c_str(), 1);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace th
