#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/TimeStamp.h"
#include "scan/ConsoleLine.h"
#include "scan/LogScanner.h"
#include "scan/RowBuilder.h"
#include "tests/support/GridForm.h"
#include "tests/support/LocalFileTime.h"

namespace th {
namespace {

// The prefixes a violation line may have (a time and a colour code before it too) are the
// row builder's cases below; these are the edges of what counts as one.
TEST(ConsoleLine, OnlyTheConsolesOwnPrefixIsTakenOff) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"^~PunkBuster Server: x", "x"},
        {"PunkBuster Server:  x", " x"},
        // Not the console's prefix:
        {"[04.16.2017 21:03:11] PunkBuster Server: x", std::nullopt},
        {"PunkBuster Server:x", std::nullopt},
        {"punkbuster server: x", std::nullopt},
        {"12:34PunkBuster Server: x", std::nullopt},
        {"^3^7PunkBuster Server: x", std::nullopt},
        {"say: PunkBuster Server: x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, text] : cases) {
        const std::optional<std::string_view> got = consoleLineText(line);
        EXPECT_EQ(got ? std::optional<std::string>(*got) : std::nullopt, text) << line;
    }
}

using Cells = std::optional<std::array<std::string, kGridColumnCount>>;
Cells cells(const std::optional<ViolationRow>& row) {
    return row ? Cells(row->values) : std::nullopt;
}

// What follows the time stamp in anti-cheat lines: kept ones, dropped ones, other notices.
const std::vector<std::string> kBodies = {
    "VIOLATION (MD5TOOL) #59002: ^1Jay^7yz (slot #3) Violation (MD5TOOL) #59002 "
    "[0123456789abcdef0123456789abcdef(VALID) 198.51.100.7:28960]",
    "VIOLATION (CVAR) #9001: Foxtrot (slot #6) Cvar OGC_aim = 1 "
    "[11112222333344445555666677778888(-) 192.0.2.60:27960]",
    "VIOLATION (CVAR) #09001: Golf (slot #7) Cvar ogc_x [99990000 192.0.2.70:27960]",
    "VIOLATION (AIMBOT) #50001: Delta (slot #3) Aim [aaaabbbbccccddddeeeeffff00002222(LAN) "
    "10.0.0.2:28960]",
    "VIOLATION (AIMBOT) #49999: Delta (slot #3) Aim [aaaa(VALID) 10.0.0.2:28960]",
    "VIOLATION (CVAR) #9001: Foxtrot (slot #6) ogc_aim = 1 [1111(-) 192.0.2.60:27960]",
    "Player GUID Computed 0123456789abcdef0123456789abcdef(VALID) (slot #3) 198.51.100.7:28960 "
    "Jayyz",
    "Kick Command Issued (MD5TOOL VIOLATION) ^1Jay^7yz (for 0 minutes)",
    "",
};

// Under the setting a console line gives exactly the row of the anti-cheat line it stands
// for, stamped with the log's modification time; without it, none. Anti-cheat lines give
// the same rows either way.
TEST(RowBuilder, AConsoleLineGivesTheRowOfItsLogLineStampedWithTheLogsTime) {
    test::GridForm m;  // its line matchers' patterns set as a scan sets them
    m.form.flexQuelvane.setPattern(kLinePattern);
    m.form.flexQuelvaneGetIP.setPattern(kAddressPattern);
    m.form.flexQuelvaneGetGUID.setPattern(kGuidPattern);
    const std::time_t modified = test::consoleLogTime();
    const std::string stamp = formatStamp(modified);
    ASSERT_EQ(stamp, "[04.16.2017 21:03:11]");
    RowBuilder on(m.form, ScanOptions{.consoleLines = true}, modified),
        off(m.form, ScanOptions{.consoleLines = false}, modified);
    int kept = 0;
    for (const std::string& body : kBodies) {
        const std::string logLine = stamp + " " + body;
        const Cells expected = cells(parseViolationLine(m.form, logLine));
        kept += expected.has_value();
        EXPECT_EQ(cells(on.row(logLine)), expected) << logLine;
        EXPECT_EQ(cells(off.row(logLine)), expected) << logLine;
        for (std::string prefix : {"", "^3", "12:34 ", " 5:07 ^3", "123:59 ^7"}) {
            const std::string line = prefix + "PunkBuster Server: " + body;
            EXPECT_EQ(cells(on.row(line)), expected) << line;
            EXPECT_EQ(cells(off.row(line)), std::nullopt) << line;
        }
    }
    EXPECT_EQ(kept, 3);
    // Only lines holding the literal are built: under the setting one that console lines
    // hold too, and that every anti-cheat line read without it still holds.
    EXPECT_NE(off.literal().find(on.literal()), std::string::npos);
    EXPECT_NE(("^3PunkBuster Server: " + kBodies[0]).find(on.literal()), std::string::npos);
    const std::optional<ViolationRow> first = on.row("^3PunkBuster Server: " + kBodies[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->values, (std::array<std::string, kGridColumnCount>{
                                 "^1Jay^7yz", "(MD5TOOL)", "59002", "[04.16.2017 21:03:11]",
                                 "(slot #3) Violation (MD5TOOL)",
                                 "0123456789abcdef0123456789abcdef", "198.51.100.7:28960"}));
}

}  // namespace
}  // namespace th
