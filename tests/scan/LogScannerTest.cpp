#include "scan/LogScanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

const std::string kData = TALLYHOUND_TEST_DATA;
const std::string kLine =
    "[07.12.2002 21:14:03] VIOLATION (AIMBOT) #50001: Alpha (slot #1) Aimbot detected "
    "[0123456789abcdef0123456789abcdef(VALID) 192.0.2.1:27960]";

struct ScanFixture : ::testing::Test {
    test::ScriptedPorts p;
    MainForm form{p.ports};
    std::string dir = ::testing::TempDir();

    void SetUp() override { form.setUpGrid(); }

    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    int32_t scan(const std::string& path, bool arrange = true) {
        form.pnlLogPathToFile.setCaption(path);
        return scanLogFile(form, arrange);
    }

    int32_t dataRows() const {
        int32_t n = 0;
        for (int32_t r = 1; r < form.vsFlexGrid1.rows(); ++r) n += !form.vsFlexGrid1.isSubtotal(r);
        return n;
    }
};

TEST_F(ScanFixture, KeptLinesBecomeGroupedRowsAndTheIndicatorsGoAway) {
    int32_t added = scan(kData + "/logs/sample.log");
    EXPECT_EQ(added, 15);
    EXPECT_EQ(dataRows(), 15);
    EXPECT_TRUE(form.vsFlexGrid1.isSubtotal(1));  // arranged: a group row heads the grid
    EXPECT_EQ(form.vsFlexGrid1.textMatrix(1, 0), "Alpha");
    EXPECT_TRUE(p.messages.shown.empty());
    EXPECT_EQ(p.events.processed, 1);
    EXPECT_EQ(p.cursor.history, (std::vector<int16_t>{11, 0}));
    EXPECT_EQ(form.lblNumberLinesScanned.caption(), "0");
    for (const Indicator* i : {&form.lblScanning, &form.lblLinesScanned, &form.lblNumberLinesScanned})
        EXPECT_FALSE(i->visible());
    EXPECT_TRUE(form.vsFlexGrid1.redraw());
}

TEST_F(ScanFixture, TheCounterShowsEveryLineReadWhateverTheLineEnds) {
    std::string captions;
    form.lblNumberLinesScanned.setListener([&](const Indicator& i) { captions += i.caption() + "|"; });
    struct Case {
        std::string bytes;
        std::string counted;
    };
    for (const Case& c : {Case{"", " 0"}, Case{"\n", " 1"}, Case{"a\nb", " 2"}, Case{"a\r\nb\r\n", " 2"},
                          Case{kLine + "\n\n" + kLine, " 3"}, Case{"x\ry\n", " 1"}}) {
        captions.clear();
        scan(write("count.log", c.bytes), false);
        // The last count shown before the indicators are reset to "0".
        EXPECT_NE(captions.find(c.counted + "|0|"), std::string::npos) << captions;
    }
}

TEST_F(ScanFixture, AppendsToRowsAlreadyThereAndCountsOnlyItsOwn) {
    EXPECT_EQ(scan(write("one.log", kLine + "\n")), 1);
    EXPECT_EQ(scan(write("one.log", kLine + "\n")), 1);
    EXPECT_EQ(dataRows(), 2);
    EXPECT_EQ(form.vsFlexGrid1.rows(), 4);  // header, one group row, two rows
}

TEST_F(ScanFixture, AnEmptyOrViolationFreeLogAddsNothingAndDoesNotArrange) {
    form.vsFlexGrid1.addRow({"zed", "", "", "", "", "", ""});
    form.vsFlexGrid1.addRow({"amy", "", "", "", "", "", ""});
    EXPECT_EQ(scan(kData + "/logs/empty.log"), 0);
    EXPECT_EQ(scan(write("none.log", "just chatter\nVIOLATION but not a line\n")), 0);
    EXPECT_EQ(form.vsFlexGrid1.rows(), 3);
    EXPECT_EQ(form.vsFlexGrid1.textMatrix(1, 0), "zed");
}

TEST_F(ScanFixture, AFileThatCannotBeReadShowsTheScanErrorBoxAndKeepsTheGrid) {
    EXPECT_EQ(scan(write("one.log", kLine + "\n")), 1);
    std::string folder = dir + "/a-folder.log";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(scan(folder), -1);
    EXPECT_EQ(scan(dir + "/missing.log"), -1);
    ASSERT_EQ(p.messages.shown.size(), 2u);
    const test::ShownBox& box = p.messages.shown[1];
    std::string expected =
        "An error has occured during scan of log file. Please e-mail me this log and your pbbans.dat        \r\n"
        "so that i can see why this error was caused. tallyhound@oakmere.net        \r\n"
        "No such file or directory: " + dir + "/missing.log 53        ";
    EXPECT_EQ(box.prompt, expected);
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.title, "        ");
    EXPECT_EQ(dataRows(), 1);
    EXPECT_TRUE(form.vsFlexGrid1.redraw());
    EXPECT_FALSE(form.lblScanning.visible());
    EXPECT_EQ(p.cursor.current, 0);
}

TEST_F(ScanFixture, AHugeLineOfPatternCharactersIsNoViolation) {
    std::string line = "[";
    const char pieces[] = " ()[]#";
    for (size_t i = 0; line.size() < (1u << 20); ++i) line += pieces[i * 7 % 6];
    line += " VIOLATION ";
    for (size_t i = 0; line.size() < (2u << 20); ++i) line += pieces[i * 5 % 6];
    EXPECT_EQ(scan(write("huge.log", line + "\n" + kLine)), 1);
}

}  // namespace
}  // namespace th
