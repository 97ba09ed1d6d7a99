#include <gtest/gtest.h>

#include "bans/BanListWriter.h"
#include "bans/LiftedBans.h"
#include "platform/DisplayBytes.h"

namespace th::test {
namespace {

std::string written(BanListFormat format, const std::vector<ShownBan>& bans) {
    std::string out;
    BanListWriter writer(format, [&](std::string_view text) { out += text; });
    for (const ShownBan& ban : bans) writer.add(ban);
    writer.finish();
    return out;
}

const ShownBan kPlain{"0123abcd", "Jayyz", "198.51.100.7", "VIOLATION DETECTED -> AIMBOT #1",
                      "[04.16.2017 21:03:11]"};
// Commas, quotes, a line break, a formula, a Windows-1252 byte and a terminal control.
const ShownBan kAwkward{"=cmd|' /C calc'!A0", "O'Neil, \"the\"\n\xe9vil\x1b[2J", "-1+1", "@SUM(A1)",
                        "[12.31.2016 23:59:59]"};
// A spreadsheet reads a formula after a leading TAB or CR too; "=" further in is no formula.
const ShownBan kFormulaAfterSpace{"\t=1+1", "\r=1+1", "a=1", "", ""};

// Each format's header and rows; in CSV a cell a spreadsheet would read as a formula
// starts with an apostrophe.
TEST(BanListWriter, EachFormatHoldsTheFieldsInItsOwnRules) {
    EXPECT_EQ(
        written(BanListFormat::Tsv, {kPlain, kAwkward}),
        "guid\tname\tip\treason\ttime\n"
        "0123abcd\tJayyz\t198.51.100.7\tVIOLATION DETECTED -> AIMBOT #1\t[04.16.2017 21:03:11]\n"
        "=cmd|' /C calc'!A0\tO'Neil, \"the\"\\n\xc3\xa9vil\\x1B[2J\t-1+1\t@SUM(A1)\t"
        "[12.31.2016 23:59:59]\n");
    EXPECT_EQ(
        written(BanListFormat::Csv, {kPlain, kAwkward, kFormulaAfterSpace}),
        "guid,name,ip,reason,time\r\n"
        "0123abcd,Jayyz,198.51.100.7,VIOLATION DETECTED -> AIMBOT #1,[04.16.2017 21:03:11]\r\n"
        "\"'=cmd|' /C calc'!A0\",\"O'Neil, \"\"the\"\"\n\xc3\xa9vil\x1b[2J\",\"'-1+1\","
        "\"'@SUM(A1)\",[12.31.2016 23:59:59]\r\n"
        "\"'\t=1+1\",\"'\r=1+1\",a=1,,\r\n");
    EXPECT_EQ(
        written(BanListFormat::Json, {kPlain, kAwkward}),
        "[\n"
        "{\"guid\":\"0123abcd\",\"name\":\"Jayyz\",\"ip\":\"198.51.100.7\","
        "\"reason\":\"VIOLATION DETECTED -> AIMBOT #1\",\"time\":\"[04.16.2017 21:03:11]\"},\n"
        "{\"guid\":\"=cmd|' /C calc'!A0\",\"name\":\"O'Neil, \\\"the\\\"\\n\xc3\xa9vil"
        "\\u001b[2J\",\"ip\":\"-1+1\",\"reason\":\"@SUM(A1)\",\"time\":\"[12.31.2016 23:59:59]\"}\n"
        "]\n");
    EXPECT_EQ(written(BanListFormat::Json, {}), "[]\n");
}

// Bytes that are not UTF-8 show as Windows-1252 (a Latin-1 letter: kAwkward above).
TEST(BanListWriter, NamesAreDecodedByTheDisplayRule) {
    for (const auto& [bytes, utf8] : std::vector<std::pair<std::string, std::string>>{
             {"caf\xc3\xa9", "caf\xc3\xa9"},                    // valid UTF-8 stays
             {"\x80\x9f", "\xe2\x82\xac\xc5\xb8"},              // Windows-1252's own
             {"\x81", "\xc2\x81"},                              // unassigned: the C1 control
             {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},  // a surrogate is not UTF-8
             {"\xc0\xaf", "\xc3\x80\xc2\xaf"}})                 // nor is an overlong form
        EXPECT_EQ(displayUtf8(bytes), utf8) << bytes;
}

TEST(LiftedBans, OnlyALaterReadableStampBansAgain) {
    const std::string lifted = "[04.16.2017 21:03:11]";
    for (const auto& [stamp, later] : std::vector<std::pair<std::string, bool>>{
             {"[04.16.2017 21:03:12]", true},
             {"[04.16.2017 21:03:11]", false},
             {"[01.01.2018 00:00:00]", true},   // later year, earlier month and day
             {"[03.17.2017 22:00:00]", false},  // day first would call it later
             {"[13.01.2017 00:00:00]", false},  // day first: no month 13 to be later in
             {"[12.32.2017 00:00:00]", false},
             {"[12.31.2017 24:00:00]", false},
             {"[12.31.2017 23:59:60]", true},  // a leap second is a moment
             {"junk", false}})
        EXPECT_EQ(laterThanLifting(stamp, lifted), later) << stamp;
    EXPECT_FALSE(laterThanLifting("[04.16.2017 21:03:12]", "not a stamp"));

    LiftingTimes times;
    times.add("ABCD", lifted);
    std::vector<WorkRow> rows(5);
    rows[0].guid = "abcd", rows[0].stamp = "[04.16.2017 21:03:10]";
    rows[1].guid = "other", rows[1].stamp = "";
    rows[2].guid = "aBcD", rows[2].stamp = "[04.17.2017 00:00:00]";
    rows[3].guid = "abcd", rows[3].stamp = "";
    // No stamp of its own: the merge's time is no proof of a later violation.
    rows[4].guid = "abcd", rows[4].stamp = "[04.17.2017 00:00:00]", rows[4].stamped = true;
    const LiftedRows result = dropLiftedRows(rows, times);
    EXPECT_EQ(result.skipped, 3);
    EXPECT_EQ(result.bannedAgain, (std::vector<std::string>{"aBcD"}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].guid, "other");
    EXPECT_EQ(rows[1].guid, "aBcD");
    EXPECT_EQ(liftedSkippedText(0), "");
}

}  // namespace
}  // namespace th::test
