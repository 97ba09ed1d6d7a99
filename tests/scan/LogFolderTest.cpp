#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scan/LogFolder.h"
#include "tests/platform/PlatformTestSupport.h"

namespace th {
namespace {

using LogFolder = test::TempFolderTest;

TEST_F(LogFolder, NamesCountAsPeopleCount) {
    // Each name sorts before the next.
    const std::vector<std::string> ordered = {
        "",       "1.log",   "002.log", "2.log",      "10.log",         "A.LOG",       "a.log",
        "a2.log", "a10.log", "b.log",   "svlog9.log", "svlog00010.log", "svlog10.log", "zz"};
    for (size_t i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_TRUE(naturalLess(ordered[i], ordered[i + 1])) << ordered[i] << " " << ordered[i + 1];
        EXPECT_FALSE(naturalLess(ordered[i + 1], ordered[i]))
            << ordered[i] << " " << ordered[i + 1];
    }
    EXPECT_FALSE(naturalLess("x.log", "x.log"));
}

TEST_F(LogFolder, OnlyTheLogsDirectlyInTheFolderInNaturalOrder) {
    std::filesystem::create_directory(dir + "/sub.log");  // a folder, however it is named
    for (const char* name :
         {"10.log", "2.log", "A.LOG", "notes.txt", ".log", "sub.log/1.log", "b.log.1", "c.Log"})
        std::ofstream(dir + "/" + name) << "x\n";
    std::filesystem::create_symlink(dir + "/2.log", dir + "/3.log");  // a link to a log is a log
    EXPECT_EQ(logFilesIn(dir),
              (std::vector<std::string>{dir + "/2.log", dir + "/3.log", dir + "/10.log",
                                        dir + "/A.LOG", dir + "/c.Log"}));
    EXPECT_EQ(logFilesIn(dir + "/"), logFilesIn(dir));
    EXPECT_NE(test::raised([&] { logFilesIn(dir + "/missing"); }).find(dir + "/missing"),
              std::string::npos);
}

}  // namespace
}  // namespace th
