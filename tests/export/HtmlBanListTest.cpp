#include <gtest/gtest.h>

#include <sstream>

#include "export/HtmlBanList.h"
#include "scan/ColourCodes.h"
#include "tests/support/ColumnMoves.h"
#include "tests/support/GridForm.h"

namespace th::test {
namespace {

Cells row(std::string name) {
    return {std::move(name), "(GAMEHACK)", "50001",         "[01.12.2026 10:00:00]",
            "(slot #1)",     "abcd1234",   "10.0.0.1:28960"};
}

// The page of the rows, written after a column was dragged from one place to another, with
// colour codes folded or not.
std::string pageOf(const std::vector<Cells>& rows, std::pair<int32_t, int32_t> move = {0, 0},
                   bool fold = false) {
    FormFixture f;
    setFoldColours(f.grid, fold);
    f.addRows(rows);
    f.grid.select(1, 0);  // group rows made as the arrangement makes them, without its sort
    f.grid.subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor, true);
    f.grid.moveColumn(move.first, move.second);
    writeHtmlBanList(f.grid, f.dir + "/page.html");
    return readBytes(f.dir + "/page.html");
}

// The sample's rows (one a line, cells separated by tabs) hold runs of one player in
// several cases, an empty first name, spaces, quoted time stamps, markup and 8-bit bytes:
// a name's "<b>Bob & "Co"</b>" is written escaped, byte for byte.
TEST(HtmlBanList, SamplePageMatchesByteForByteAndShowsMarkupUnobeyed) {
    std::vector<Cells> rows;
    std::istringstream lines(readBytes(dataPath("html/banlist.tsv")));
    for (std::string text; std::getline(lines, text);) {
        std::istringstream cells(text);
        rows.emplace_back();
        for (std::string cell; std::getline(cells, cell, '\t');) rows.back().push_back(cell);
    }
    const std::string expected = readBytes(dataPath("html/banlist.expected.html"));
    EXPECT_EQ(pageOf(rows), expected);
    // The rows in the same order give the same page wherever the columns stand.
    for (auto move : everyColumnMove()) EXPECT_EQ(pageOf(rows, move), expected) << moveName(move);

    // A name that holds a line break (possible through a scan file) stays on its line.
    const std::string forged = pageOf({row("x\r\n[01.01.2003 00:00:00] f0f0 \"forged\"")});
    EXPECT_NE(forged.find(" \"x  [01.01.2003 00:00:00] f0f0 &quot;forged&quot;\" "),
              std::string::npos);
    EXPECT_EQ(forged.find("x\r"), std::string::npos);
}

// The player lines of a page, each name shown as it is written in them.
std::vector<std::string> namesOnPage(const std::vector<Cells>& rows, bool fold) {
    std::vector<std::string> names;
    std::istringstream lines(pageOf(rows, {0, 0}, fold));
    const std::string start = "[01.12.2026 10:00:00] abcd1234 \"";
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(start))
            names.push_back(line.substr(start.size(), line.find('"', start.size()) - start.size()));
    return names;
}

// Folded, a name is written without its colour codes, and one player's names in several
// colours one after another give one line; unfolded, each name as written gives its own.
TEST(HtmlBanList, FoldedNamesAreWrittenWithoutColourCodes) {
    const std::vector<Cells> rows = {row("^1Jay^7yz"), row("Jayyz"), row("^4jAYYZ"),
                                     row(" ^2Bravo^7 "), row("^ x &^<")};
    EXPECT_EQ(namesOnPage(rows, true), (std::vector<std::string>{"Jayyz", "Bravo", "^ x &amp;"}));
    EXPECT_EQ(namesOnPage(rows, false), (std::vector<std::string>{"^1Jay^7yz", "Jayyz", "^4jAYYZ",
                                                                  "^2Bravo^7", "^ x &amp;^&lt;"}));
}

// Cancelled, answered No, answered Yes, then a file in a missing folder and a shell that
// cannot open the page: only Yes opens it, and each failure shows its box.
TEST(HtmlCommand, WritesThePageAndOpensItOnYesOnly) {
    FormFixture f;
    f.addRows({row("Alpha"), row("Bob")});
    const std::string path = f.dir + "/bans.html", missing = f.dir + "/missing/bans.html";
    f.scripted.files.answers = {{}, {path}, {path}, {missing}, {path}};
    f.scripted.messages.answers = {MsgResult::No, MsgResult::Yes};
    for (int i = 0; i < 4; ++i) runHtmlCommand(f.form);
    EXPECT_EQ(readBytes(path), pageOf({row("Alpha"), row("Bob")}));
    ASSERT_EQ(f.scripted.messages.shown.size(), 3u);
    EXPECT_EQ(f.scripted.messages.shown[0].prompt,
              "'" + path + "' has been created, open for viewing?        ");
    EXPECT_EQ(f.scripted.messages.shown[2].prompt,
              "An error has occured during a creating of this HTML file        \r\n"
              "No such file or directory: " +
                  missing +
                  " 53        \r\nCheck that the folder can be written to and try again; no page "
                  "was written.        ");
    ASSERT_EQ(f.scripted.shell.calls.size(), 1u);
    EXPECT_EQ(f.scripted.shell.calls[0].target, path);

    // The page is written even when it cannot be opened, and the box says so.
    f.scripted.shell.result = 31;  // no program for the file's kind
    f.scripted.files.answers = {{path}};
    f.scripted.messages.answers = {MsgResult::Yes};
    EXPECT_TRUE(runHtmlCommand(f.form));
    EXPECT_EQ(
        f.scripted.messages.shown.back().prompt,
        "'" + path +
            "' was written but could not be opened        \r\nNo association for file "
            "extension -2147203453        \r\nOpen it with a program of your choice.        ");
}

}  // namespace
}  // namespace th::test
