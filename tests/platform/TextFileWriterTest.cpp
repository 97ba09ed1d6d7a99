#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/TextFileWriter.h"
#include "tests/platform/PlatformTestSupport.h"

namespace th {
namespace {

namespace fs = std::filesystem;

struct TextFileWriterTest : test::TempFolderTest {
    std::string bytesOf(const std::string& name) const {
        std::ostringstream s;
        s << std::ifstream(dir + "/" + name, std::ios::binary).rdbuf();
        return s.str();
    }
    size_t entries() const { return std::distance(fs::directory_iterator(dir), {}); }
};

TEST_F(TextFileWriterTest, LinesEndInCrLfAndReplaceTheFileOnlyOnCommit) {
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    std::ofstream(dir + "/real.txt") << "old";
    fs::permissions(dir + "/real.txt", mode);
    fs::create_symlink(dir + "/real.txt", dir + "/link.txt");
    {
        TextFileWriter file(dir + "/link.txt");
        file.writeLine(std::string(200000, 'n'));  // past the buffer: the temporary file holds it
    }
    EXPECT_EQ(bytesOf("real.txt"), "old");
    EXPECT_EQ(entries(), 2u);

    TextFileWriter linked(dir + "/link.txt");
    linked.writeLine(std::string("\xe9\0\xff", 3));
    linked.writeLine("");
    linked.write("tail");
    linked.commit();
    EXPECT_EQ(bytesOf("real.txt"), std::string("\xe9\0\xff\r\n\r\ntail", 11));
    EXPECT_TRUE(fs::is_symlink(dir + "/link.txt"));  // the link is followed, not replaced
    EXPECT_EQ(fs::status(dir + "/real.txt").permissions() & fs::perms::all, mode);
}

TEST_F(TextFileWriterTest, ErrorsNameTheFileAndFollowErrno) {
    const std::string missing = dir + "/no/such/folder.txt";
    EXPECT_EQ(test::raised([&] { TextFileWriter file(missing); }),
              "Tallyhound 53: No such file or directory: " + missing);
    EXPECT_EQ(test::raised([&] { TextFileWriter file(dir); }),
              "Tallyhound 57: Is a directory: " + dir);
    EXPECT_EQ(test::raised([] { TextFileWriter file(""); }),
              "Tallyhound 53: No such file or directory: ");
    EXPECT_EQ(entries(), 0u);
}

}  // namespace
}  // namespace th
