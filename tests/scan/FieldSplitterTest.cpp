#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/FieldSplitter.h"

namespace th {
namespace {

// The merge reads field 1 (empty), 2 date, 3 time, 4 GUID, 5 name, 6 address and
// 7 onwards the reason, with both options on.
TEST(FieldSplitterTest, SplitsBanFileLinesIntoTheFieldsTheMergeReads) {
    const std::string d = "[01.06.2003 20:09:59] 0123abcd ";
    const std::string f = "|01.06.2003|20:09:59|0123abcd|";
    // A line and its fields, each followed by "|".
    const std::vector<std::pair<std::string, std::string>> cases = {
        {d + "\"Player Name\" \"1.2.3.4:5\" \"VIOLATION DETECTED -> (AIMBOT) #50001\"",
         f + "Player Name|1.2.3.4:5|VIOLATION DETECTED -> (AIMBOT) #50001|"},
        {d + "\"N\" \"1.2.3.4:5\" VIOLATION -> OGC #9001",
         f + "N|1.2.3.4:5|VIOLATION|->|OGC|#9001|"},
        // An empty reason leaves a trailing space, which starts no field.
        {d + "\"N\" \"1.2.3.4:5\" ", f + "N|1.2.3.4:5|"},
        {d + "\"[CLAN]  O'Brien \" \"\" \"R\"", f + "[CLAN]  O'Brien ||R|"},
        {"[ 01.06.2003  20:09:59 ]  0123abcd  \"N\"", f + "N|"},
        {"  [01.06.2003 20:09:59] 0123abcd", f},
        {"a\"b c\"d e", "ab cd|e|"},  // quotes inside a field join it
        {"a \"b c", "a|b c|"},        // a quote left open runs to the end
    };
    FieldSplitter s;
    s.setSeparators("[] ");
    s.setCollapseSeparators(true);
    s.setQuotedFields(true);
    for (const auto& [text, expected] : cases) {
        std::string line = text;
        s.setText(line);
        line.assign(line.size(), 'x');  // the fields are the splitter's own
        std::string fields;
        for (int32_t i = 1; i <= s.fieldCount(); ++i) fields += std::string(s.field(i)) + "|";
        EXPECT_EQ(fields, expected) << text;
        EXPECT_EQ(s.field(s.fieldCount() + 1), "");  // a field the line lacks
    }
}

}  // namespace
}  // namespace th
