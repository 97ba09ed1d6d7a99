#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/FieldSplitter.h"

namespace th {
namespace {

struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> fields;
};

std::vector<std::string> fieldsOf(const FieldSplitter& s) {
    std::vector<std::string> fields;
    for (int32_t i = 1; i <= s.fieldCount(); ++i) fields.emplace_back(s.field(i));
    return fields;
}

FieldSplitter banFileSplitter() {
    FieldSplitter s;
    s.setSeparators("[] ");
    s.setCollapseSeparators(true);
    s.setQuotedFields(true);
    return s;
}

// The merge reads field 1 (empty), 2 date, 3 time, 4 GUID, 5 name, 6 address and
// 7 onwards the reason.
TEST(FieldSplitterTest, BanFileLinesGiveTheFieldsTheMergeReads) {
    const std::string guid = "0123abcd0123abcd0123abcd0123abcd";
    const std::vector<Case> cases = {
        {"line the merge writes",
         "[07.12.2002 21:14:03] " + guid +
             " \"Player Name\" \"192.0.2.1:27960\" \"VIOLATION DETECTED -> (AIMBOT) #50001\"",
         {"", "07.12.2002", "21:14:03", guid, "Player Name", "192.0.2.1:27960",
          "VIOLATION DETECTED -> (AIMBOT) #50001"}},
        {"reason without quotes",
         "[06.01.2003 20:09:59] " + guid +
             " \"Name\" \"1.2.3.4:5\" VIOLATION DETECTED -> OGC #9001",
         {"", "06.01.2003", "20:09:59", guid, "Name", "1.2.3.4:5", "VIOLATION", "DETECTED", "->",
          "OGC", "#9001"}},
        {"empty reason leaves a trailing space",
         "[06.01.2003 20:09:59] " + guid + " \"Name\" \"1.2.3.4:5\" ",
         {"", "06.01.2003", "20:09:59", guid, "Name", "1.2.3.4:5"}},
        {"separators inside quotes stay",
         "[06.01.2003 20:09:59] " + guid + " \"[CLAN]  Some Player \" \"1.2.3.4:5\" \"R\"",
         {"", "06.01.2003", "20:09:59", guid, "[CLAN]  Some Player ", "1.2.3.4:5", "R"}},
        {"empty name in quotes",
         "[06.01.2003 20:09:59] " + guid + " \"\" \"1.2.3.4:5\" \"R\"",
         {"", "06.01.2003", "20:09:59", guid, "", "1.2.3.4:5", "R"}},
        {"apostrophe in the name",
         "[06.01.2003 20:09:59] " + guid + " \"O'Brien\" \"1.2.3.4:5\" \"R\"",
         {"", "06.01.2003", "20:09:59", guid, "O'Brien", "1.2.3.4:5", "R"}},
        {"runs of separators",
         "[ 06.01.2003  20:09:59 ]  " + guid + "  \"N\"",
         {"", "06.01.2003", "20:09:59", guid, "N"}},
        {"leading spaces count as the opening separator",
         "  [06.01.2003 20:09:59] " + guid,
         {"", "06.01.2003", "20:09:59", guid}},
        {"no opening bracket", "06.01.2003 20:09:59] " + guid, {"06.01.2003", "20:09:59", guid}},
        {"quotes inside a field join it", "a\"b c\"d e", {"ab cd", "e"}},
        {"quote left open runs to the end", "a \"b c", {"a", "b c"}},
        {"only separators", "[ ]", {""}},
        {"empty", "", {}},
    };
    FieldSplitter s = banFileSplitter();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.setText(c.text);
        EXPECT_EQ(fieldsOf(s), c.fields);
    }
    EXPECT_EQ(s.field(0), "");
    EXPECT_EQ(s.field(1), "");
}

TEST(FieldSplitterTest, OptionsOff) {
    struct OptionCase {
        const char* name;
        bool collapse;
        bool quoted;
        std::string text;
        std::vector<std::string> fields;
    };
    const std::vector<OptionCase> cases = {
        {"every separator ends a field", false, true, "a  b", {"a", "", "b"}},
        {"leading separators", false, true, "[ a", {"", "", "a"}},
        {"trailing separator", false, true, "a ", {"a"}},
        {"quotes are ordinary", true, false, "\"a b\" c", {"\"a", "b\"", "c"}},
    };
    FieldSplitter s;
    s.setSeparators("[] ");
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        s.setCollapseSeparators(c.collapse);
        s.setQuotedFields(c.quoted);
        s.setText(c.text);
        EXPECT_EQ(fieldsOf(s), c.fields);
    }
}

TEST(FieldSplitterTest, FieldsOutliveTheCallersText) {
    FieldSplitter s = banFileSplitter();
    std::string line = "[06.01.2003 20:09:59] abc \"N\"";
    s.setText(line);
    line.assign(line.size(), 'x');
    EXPECT_EQ(s.fieldCount(), 5);
    EXPECT_EQ(s.field(4), "abc");
    EXPECT_EQ(s.field(6), "");
    EXPECT_EQ(s.field(-1), "");
}

}  // namespace
}  // namespace th
