#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Error.h"
#include "platform/TextFileWriter.h"

namespace th {
namespace {

namespace fs = std::filesystem;

struct TextFileWriterTest : ::testing::Test {
    fs::path dir;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tallyhound-writer-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string bytesOf(const fs::path& p) const {
        std::ostringstream s;
        s << std::ifstream(dir / p, std::ios::binary).rdbuf();
        return s.str();
    }
    size_t entries() const { return std::distance(fs::directory_iterator(dir), {}); }
};

TEST_F(TextFileWriterTest, LinesEndInCrLfAndReplaceTheFileOnlyOnCommit) {
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    std::ofstream(dir / "real.txt") << "old";
    fs::permissions(dir / "real.txt", mode);
    fs::create_symlink(dir / "real.txt", dir / "link.txt");
    {
        TextFileWriter file((dir / "link.txt").string());
        file.writeLine(std::string(200000, 'n'));  // past the buffer: the temporary file holds it
    }
    EXPECT_EQ(bytesOf("real.txt"), "old");
    EXPECT_EQ(entries(), 2u);

    TextFileWriter linked((dir / "link.txt").string());
    linked.writeLine("new");
    linked.commit();
    EXPECT_EQ(bytesOf("real.txt"), "new\r\n");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));  // the link is followed, not replaced
    EXPECT_EQ(fs::status(dir / "real.txt").permissions() & fs::perms::all, mode);

    TextFileWriter fresh((dir / "a.txt").string());
    fresh.writeLine("one");
    fresh.writeLine(std::string("\xe9\0\xff", 3));
    fresh.writeLine("");
    fresh.write("tail");
    fresh.commit();
    EXPECT_EQ(bytesOf("a.txt"), std::string("one\r\n\xe9\0\xff\r\n\r\ntail", 16));
    EXPECT_EQ(entries(), 3u);
}

TEST_F(TextFileWriterTest, ErrorsNameTheFileAndFollowErrno) {
    struct Case {
        std::string path;
        int32_t number;
        std::string description;
    } cases[] = {
        {(dir / "no/such/folder.txt").string(), 53, "No such file or directory"},
        {dir.string(), 57, "Is a directory"},
        {"", 53, "No such file or directory"},
    };
    for (const Case& c : cases) {
        try {
            TextFileWriter file(c.path);
            ADD_FAILURE() << c.path;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), c.number) << c.path;
            EXPECT_EQ(e.description(), c.description + ": " + c.path);
        }
    }
    EXPECT_EQ(entries(), 0u);
}

}  // namespace
}  // namespace th
