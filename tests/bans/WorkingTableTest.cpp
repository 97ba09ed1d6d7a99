#include <gtest/gtest.h>

#include "bans/BanFileReader.h"
#include "bans/GuidKey.h"
#include "bans/WorkingTable.h"

namespace th::test {
namespace {

// GUIDs compare as text, never as numbers, so that equal GUIDs always become neighbours:
// ASCII letters without regard to case, ties by bytes, equal GUIDs in their first order.
TEST(WorkingTable, SortsGuidsAsTextSoThatEqualGuidsMeet) {
    const std::vector<std::string> guids = {"abc", "ABC", "Abc", "",      "10",    "9",  "09",
                                            "1",   "01",  "1",   "\xe9t", "\xc9T", "zz", "Z"};
    std::vector<std::string> places;
    for (size_t i = 0; i < guids.size(); ++i) places.push_back(std::to_string(i));
    std::vector<WorkRow> rows;
    for (size_t i = 0; i < guids.size(); ++i) rows.push_back({places[i], guids[i], "", "", ""});
    sortByGuid(rows);
    std::string order;
    for (const WorkRow& r : rows) order.append(r.stamp).append(" ");
    EXPECT_EQ(order, "3 8 6 7 9 4 5 1 2 0 13 12 11 10 ");
}

// Comparing GUIDs without making their keys must give what comparing the keys gives,
// wherever in a long GUID the letter case or the bytes differ.
TEST(WorkingTable, GuidsCompareAsTheirKeysDo) {
    const std::vector<std::string> guids = {
        "",  "a", "A", "0123456789abcdef0123456789abcdef", "0123456789ABCDEF0123456789ABCDEF",
        "0123456789abcdef0123456789abcdeg", "0123456789abcdeF0123456789abcde",
        "0123456789abcdef0123456789abcdef0", "0123456789abcde\xe9", "0123456789abcde\xc9"};
    auto sign = [](int c) { return (c > 0) - (c < 0); };
    for (const std::string& a : guids)
        for (const std::string& b : guids) {
            SCOPED_TRACE(a + " ~ " + b);
            EXPECT_EQ(sign(compareGuids(a, b)), sign(guidKey(a).compare(guidKey(b))));
            EXPECT_EQ(sameGuid(a, b), guidKey(a) == guidKey(b));
        }
}

// A line ends at LF, CR LF or a lone CR; a line is a ban line only with a stamp, a space
// and a GUID; every other line that is not blank is kept as it is.
TEST(WorkingTable, FileLinesEndAtAnyLineEndAndOnlyBanLinesAreTakenApart) {
    std::vector<std::string> lines;
    forEachLine("a\rb\r\nc\n\r\nd", [&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "d"}));

    const std::string bytes =
        "[04.16.2017 21:03:11] g1 \"One\" \"1.2.3.4:5\" \"VIOLATION DETECTED -> X #1\"\r"
        " 0123cdef \"Jayyz\" \"198.51.100.7:28960\" \"VIOLATION DETECTED -> (AIMBOT) #50001\"\r"
        "[4.16.2017 21:03:11] g2 \"Two\" \"1:1\" \"r\"\r\n"
        "[04.16.2017 21:03:11]  \r\n"
        "; a temp ban\n   \n"
        "[04.16.2017 21:03:12] g3 \"Three\" \"2:2\"";
    WorkingRows work;
    FieldSplitter awk;
    collectFileLines(bytes, awk, work);
    ASSERT_EQ(work.rows.size(), 2u);
    const WorkRow &first = work.rows[0], &second = work.rows[1];
    EXPECT_EQ(std::string(first.stamp) + std::string(first.guid) + std::string(first.name) +
                  std::string(first.reason),
              "[04.16.2017 21:03:11]g1\"One\"VIOLATION DETECTED -> X #1");
    EXPECT_EQ(std::string(second.guid) + std::string(second.address), "g3\"2:2\"");
    EXPECT_EQ(work.keptLines,
              (std::vector<std::string>{
                  " 0123cdef \"Jayyz\" \"198.51.100.7:28960\" \"VIOLATION DETECTED -> (AIMBOT) "
                  "#50001\"",
                  "[4.16.2017 21:03:11] g2 \"Two\" \"1:1\" \"r\"", "[04.16.2017 21:03:11]  ",
                  "; a temp ban"}));
    EXPECT_EQ(work.banLines, 2);
    EXPECT_EQ(work.oddLines, 3);
}

// A large file is taken apart in two halves at once: its rows, kept lines and counts must be
// those of one pass, wherever the cut falls among the kinds of line end.
TEST(WorkingTable, ALargeFileGivesWhatOnePassGives) {
    const std::vector<std::string> lines = {
        "[04.16.2017 21:03:11] g1 \"One\" \"1.2.3.4:5\" \"VIOLATION DETECTED -> X #1\"",
        "; a temp ban", "", "odd", "[04.16.2017 21:03:12] G2 \"Two \"\" \"2:2\""};
    const std::vector<std::string> ends = {"\r\n", "\n", "\r", "\r\n\r\n"};
    auto text = [](const WorkRow& r) {
        return std::string(r.stamp) + "|" + std::string(r.guid) + "|" + std::string(r.name) +
               "|" + std::string(r.address) + "|" + std::string(r.reason);
    };
    std::string bytes;
    for (size_t i = 0; bytes.size() < (size_t{3} << 20) / 2; ++i)
        bytes += lines[i % lines.size()] + std::to_string(i) + ends[i % ends.size()];
    for (int extra = 0; extra < 6; ++extra) {
        bytes += lines[0] + ends[static_cast<size_t>(extra) % ends.size()];
        WorkingRows once, halves;
        FieldSplitter awk;
        std::vector<std::string> expected, got;
        collectFileLines(bytes, awk, once, [&](WorkRow&& r) { expected.push_back(text(r)); });
        collectFileLines(bytes, awk, halves);
        for (const WorkRow& r : halves.rows) got.push_back(text(r));
        ASSERT_EQ(got, expected);
        EXPECT_EQ(halves.keptLines, once.keptLines);
        EXPECT_EQ(halves.banLines, once.banLines);
        EXPECT_EQ(halves.oddLines, once.oddLines);
    }
}

}  // namespace
}  // namespace th::test
