#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/Error.h"
#include "scan/LogFolder.h"

namespace th {
namespace {

TEST(LogFolder, NamesCountAsPeopleCount) {
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

TEST(LogFolder, OnlyTheLogsDirectlyInTheFolderInNaturalOrder) {
    namespace fs = std::filesystem;
    const std::string dir = ::testing::TempDir() + "/log-folder";
    fs::remove_all(dir);
    fs::create_directories(dir + "/sub.log");  // a folder, however it is named
    for (const char* name :
         {"10.log", "2.log", "A.LOG", "notes.txt", ".log", "sub.log/1.log", "b.log.1", "c.Log"})
        std::ofstream(dir + "/" + name) << "x\n";
    fs::create_symlink(dir + "/2.log", dir + "/3.log");  // a link to a log is a log
    EXPECT_EQ(logFilesIn(dir),
              (std::vector<std::string>{dir + "/2.log", dir + "/3.log", dir + "/10.log",
                                        dir + "/A.LOG", dir + "/c.Log"}));
    EXPECT_EQ(logFilesIn(dir + "/"), logFilesIn(dir));
    try {
        logFilesIn(dir + "/missing");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(e.description().find(dir + "/missing"), std::string::npos);
    }
}

}  // namespace
}  // namespace th
