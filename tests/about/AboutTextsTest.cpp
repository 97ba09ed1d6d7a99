#include <gtest/gtest.h>

#include "about/AboutTexts.h"

namespace th::about {
namespace {

TEST(AboutTexts, VersionIsMajorMinorRevision) {
    EXPECT_EQ(versionText(1, 0, 16), "Version 1.0.16");
    EXPECT_EQ(versionText(2, 3, 105), "Version 2.3.105");
    EXPECT_EQ(programVersionText(), "Version 1.0.0");
}

TEST(AboutTexts, CaptionAndTitle) {
    EXPECT_EQ(aboutCaption(), "About Quelvane - tallyhound");
    EXPECT_EQ(titleText(), "Quelvane - tallyhound");
}

TEST(AboutTexts, DescriptionLineByLine) {
    const std::vector<std::string> lines = descriptionLines();
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0].rfind("Quelvane - tallyhound", 0), 0u);
    EXPECT_GT(lines[0].size(), std::string("Quelvane - tallyhound").size());
    EXPECT_EQ(lines[1],
              "This program is designed to scan a Punkbuster *.log and build a list of violations "
              "with a violation number equal to or greater than 50000.");
    EXPECT_EQ(lines[2], "NOTE: #9001 ogc_* violations are also saved.");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Common Violations:        ");
    EXPECT_EQ(lines[5], "==================");
    const std::vector<std::string> list = {
        "50000     Aimbot",
        "60000     Wallhack",
        "70000     Multihack",
        "80000     Gamehack",
        "90000     'Cheat' Video Drivers",
        "100000   Speedhack",
        "110000   Autofire",
        "120000   Game Hook",
        "130000   Attempted PB Hack",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end()), list);
}

TEST(AboutTexts, DescriptionIsJoinedByCrLfWithNoneAtTheEnd) {
    const std::string text = joinLines(descriptionLines());
    EXPECT_NE(text.find("saved.\r\n\r\nCommon Violations:        \r\n==================\r\n50000"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\n130000   Attempted PB Hack"));
    EXPECT_EQ(joinLines({"a", "", "b"}), "a\r\n\r\nb");
    EXPECT_EQ(joinLines({}), "");
}

TEST(AboutTexts, DisclaimerLineByLine) {
    const std::vector<std::string> lines = disclaimerLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("Copyright"), std::string::npos);
    EXPECT_EQ(lines[1], "Oakmere is in no way affiliated with Even Balance.");
    EXPECT_EQ(lines[2], "");
    EXPECT_NE(lines[3].find("@"), std::string::npos);
}

}  // namespace
}  // namespace th::about
