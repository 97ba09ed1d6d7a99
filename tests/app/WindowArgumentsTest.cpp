#include <gtest/gtest.h>

#include "app/WindowArguments.h"

namespace th {
namespace {

// What the window makes of its words (Qt's own options are gone by then): --help and
// --version wherever they stand, the database in either spelling, the last one named, and
// the first word of no known kind, which once went unnoticed while the window opened.
TEST(WindowArguments, ReadsItsOptionsAndNamesAnyOtherWord) {
    struct Case {
        std::vector<std::string> words;
        std::string db, wrong;
        bool help = false, version = false;
    };
    const Case cases[] = {
        {{}, "", ""},
        {{"--db=postgresql://fleet@host/bans"}, "postgresql://fleet@host/bans", ""},
        {{"--db", "a.mdb", "--db=b.mdb"}, "b.mdb", ""},
        {{"--db"}, "", "--db"},  // no value
        {{"--help"}, "", "", true},
        {{"x.log", "-h"}, "", "x.log", true},
        {{"--version", "--verbose", "--dbx"}, "", "--verbose", false, true},
    };
    for (const Case& c : cases) {
        const WindowArguments read = windowArguments(c.words);
        const std::string shown = c.words.empty() ? "(none)" : c.words[0];
        EXPECT_EQ(read.db, c.db) << shown;
        EXPECT_EQ(read.wrong, c.wrong) << shown;
        EXPECT_EQ(read.help, c.help) << shown;
        EXPECT_EQ(read.version, c.version) << shown;
    }
    EXPECT_TRUE(windowUsage().starts_with("Usage: tallyhound [--db DB]\n"));
}

}  // namespace
}  // namespace th
