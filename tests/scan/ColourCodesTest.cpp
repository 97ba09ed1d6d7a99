#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/ColourCodes.h"
#include "tests/support/GridColumnTexts.h"
#include "tests/support/GridForm.h"

namespace th {
namespace {

using test::Column;
using test::column;

TEST(ColourCodes, EveryCaretAndThePrintableByteAfterItGo) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"^1Jay^7yz", "Jayyz"},
        {"^!a^~b", "ab"},  // the first and last printable bytes
        {"^^1x", "1x"},    // a caret is printable too
        {"", ""},
        // A caret before anything but a printable byte stays, with that byte.
        {"a^", "a^"},
        {"^\x7fx", "^\x7fx"},
        {"^\x80x^\xffy", "^\x80x^\xffy"},
        {std::string("^\0x", 3), std::string("^\0x", 3)},
        {"^ ^1x", "^ x"},
        {"^1^7", "^1^7"},  // nothing but codes: no name at all would hide the player
    };
    // foldColourCodes is foldColourCodesInto's answer, or the name when that says unchanged.
    for (const auto& [name, folded] : cases) EXPECT_EQ(foldColourCodes(name), folded) << name;
}

// Folded, one player's names in colours form one group and sort by their letters; the
// cells keep the names as written (a folded column moved, or a later key of the sort, is the
// grid's large sort test).
TEST(ColourCodes, FoldedNamesArrangeTogetherAndTheCellsKeepTheirCodes) {
    test::GridForm f;
    FlexGrid& g = f.grid;
    f.arrange();  // on an empty grid: nothing to group
    EXPECT_EQ(g.rows(), 1);
    EXPECT_TRUE(g.redraw());
    const std::vector<std::string> names = {"^1Jay^7yz", "Alpha", "Jayyz", "^2Bravo", "^3Jayyz"};
    for (size_t i = 0; i < names.size(); ++i)
        g.addRow({names[i], "(AIMBOT)", std::to_string(50005 - i), "[01.01.2003 10:00:00]",
                  "(slot #1)", "g", "1.1.1.1:1"});
    f.arrange();
    EXPECT_EQ(column(g, 0), (Column{"*^1Jay^7yz", "^1Jay^7yz", "*^2Bravo", "^2Bravo", "*^3Jayyz",
                                    "^3Jayyz", "*Alpha", "Alpha", "*Jayyz", "Jayyz"}));

    setFoldColours(g, true);
    f.arrange();
    EXPECT_EQ(column(g, 0), (Column{"*Alpha", "Alpha", "*^2Bravo", "^2Bravo", "*^3Jayyz", "^3Jayyz",
                                    "Jayyz", "^1Jay^7yz"}));
    std::string scratch;
    EXPECT_EQ(g.shownCell(5, 0, scratch), "Jayyz");
    EXPECT_EQ(g.shownCell(8, 0, scratch), "Jayyz");
}

}  // namespace
}  // namespace th
