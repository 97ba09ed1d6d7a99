#include <gtest/gtest.h>

#include "bans/BanFileReader.h"
#include "bans/GuidKey.h"
#include "bans/WorkingTable.h"

namespace th::test {
namespace {

// Rows' texts, then whether each had a stamp of its own and came from the grid.
std::vector<std::string> texts(const std::vector<WorkRow>& rows) {
    std::vector<std::string> out;
    for (const WorkRow& r : rows)
        out.push_back(std::string(r.stamp) + "|" + std::string(r.guid) + "|" + std::string(r.name) +
                      "|" + std::string(r.address) + "|" + std::string(r.reason) + "|" +
                      std::to_string(r.stamped) + std::to_string(r.fromGrid));
    return out;
}

// Comparing GUIDs without making their keys must give what comparing the keys gives,
// wherever in a long GUID the letter case or the bytes differ.
TEST(WorkingTable, GuidsCompareAsTheirKeysDo) {
    const std::vector<std::string> guids = {"",
                                            "a",
                                            "A",
                                            "0123456789abcdef0123456789abcdef",
                                            "0123456789ABCDEF0123456789ABCDEF",
                                            "0123456789abcdef0123456789abcdeg",
                                            "0123456789abcdeF0123456789abcde",
                                            "0123456789abcdef0123456789abcdef0",
                                            "0123456789abcde\xe9",
                                            "0123456789abcde\xc9"};
    auto sign = [](int c) { return (c > 0) - (c < 0); };
    for (const std::string& a : guids)
        for (const std::string& b : guids) {
            SCOPED_TRACE(a + " ~ " + b);
            EXPECT_EQ(sign(compareGuids(a, b)), sign(guidKey(a).compare(guidKey(b))));
            EXPECT_EQ(sameGuid(a, b), guidKey(a) == guidKey(b));
        }
}

// Sorting a merge's rows moves their texts into the rows' own store, in the new order: every
// value must come out as the plain sort gives it, with nothing left viewing where it was read.
TEST(WorkingTable, SortedRowsKeepTheirValuesInTheirOwnTexts) {
    const std::string file =
        "[04.16.2017 21:03:11] g3 \"Three\" \"3:3\" \"VIOLATION DETECTED -> C #3\"\r\n"
        "[04.16.2017 21:03:12] G1 \"One\" \"\" \"\"\r\n"
        "[04.16.2017 21:03:13] g2 \"Two\" \"2:2\" \"VIOLATION DETECTED -> B #2\"\r\n";
    WorkingRows work;
    FieldSplitter awk;
    collectFileLines(file, awk, work);
    // Rows a caller hands over view the caller's own text, which may go after the sort.
    std::string callers = "[04.16.2017 21:03:14]g1\"Grid\"\"9:9\"X";
    const std::string_view held = callers;
    work.rows.push_back({held.substr(0, 21), held.substr(21, 2), held.substr(23, 6),
                         held.substr(29, 5), held.substr(34, 1), false, true});
    work.rows.push_back({held.substr(0, 21), held.substr(21, 2), {}, {}, {}, true, false});
    std::vector<WorkRow> plain = work.rows;
    sortByGuid(plain);
    const std::vector<std::string> expected = texts(plain);
    sortByGuid(work);
    callers.assign(callers.size(), '#');
    const std::vector<std::string> got = texts(work.rows);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.front(), "[04.16.2017 21:03:12]|G1|\"One\"|\"\"||00");
}

// A large file is taken apart in two halves at once: its rows, kept lines and counts must be
// those of one pass, wherever the cut falls among the kinds of line end.
TEST(WorkingTable, ALargeFileGivesWhatOnePassGives) {
    const std::vector<std::string> lines = {
        "[04.16.2017 21:03:11] g1 \"One\" \"1.2.3.4:5\" \"VIOLATION DETECTED -> X #1\"",
        "; a temp ban", "", "odd", "[04.16.2017 21:03:12] G2 \"Two \"\" \"2:2\""};
    const std::vector<std::string> ends = {"\r\n", "\n", "\r", "\r\n\r\n"};
    std::string bytes;
    for (size_t i = 0; bytes.size() < (size_t{3} << 20) / 2; ++i)
        bytes += lines[i % lines.size()] + std::to_string(i) + ends[i % ends.size()];
    for (int extra = 0; extra < 6; ++extra) {
        bytes += lines[0] + ends[static_cast<size_t>(extra) % ends.size()];
        WorkingRows once, halves;
        FieldSplitter awk;
        std::vector<std::string> expected;
        collectFileLines(bytes, awk, once, [&](WorkRow&& r) { expected.push_back(texts({r})[0]); });
        collectFileLines(bytes, awk, halves);
        ASSERT_EQ(texts(halves.rows), expected);
        EXPECT_EQ(std::tie(halves.keptLines, halves.banLines, halves.oddLines),
                  std::tie(once.keptLines, once.banLines, once.oddLines));
    }
}

}  // namespace
}  // namespace th::test
