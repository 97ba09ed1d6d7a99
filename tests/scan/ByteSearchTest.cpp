#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "scan/ByteSearch.h"

namespace th {
namespace {

// Both literal searches find what a plain search finds, and the line ends before it are
// counted, at every width the searches can take (the processor's widest last, so that it
// stays set), on texts long enough for the widest steps, with the literal at every place in
// a step, its bytes repeated around it and cut off by the text's end.
TEST(ByteSearch, TheSearchesFindTheFirstOccurrenceAndCountTheLinesBeforeIt) {
    const std::string_view needles[] = {"VIOLATION", "V", "VV", "N\nN", "PunkBuster Server:", ""};
    for (SearchWidth width : {SearchWidth::Bytewise, SearchWidth::Sixteen, SearchWidth::Widest}) {
        setSearchWidth(width);
        std::mt19937 rng(5);
        for (std::string_view needle : needles) {
            const LiteralSearch search(needle);
            for (int round = 0; round < 2000; ++round) {
                std::string text(rng() % 400, ' ');
                for (char& c : text) c = "VIOLATNPS:\n "[rng() % 12];
                if (round % 2 == 0 && !needle.empty())
                    text.insert(rng() % (text.size() + 1),
                                needle.substr(0, 1 + rng() % needle.size()));
                if (round % 3 == 0) text.insert(rng() % (text.size() + 1), needle);
                SCOPED_TRACE(::testing::Message() << round << " [" << needle << "]");
                const std::string_view rest =
                    std::string_view(text).substr(rng() % (text.size() + 1));
                const char* end = rest.data() + rest.size();
                uint64_t lineEnds = 7;
                const char* got = search.find(rest.data(), end, lineEnds);
                const size_t want = rest.find(needle);
                ASSERT_EQ(got ? static_cast<size_t>(got - rest.data()) : rest.npos, want);
                ASSERT_EQ(findLiteral(rest.data(), end, needle), got);
                const std::string_view before = rest.substr(0, want);
                ASSERT_EQ(lineEnds, 7 + static_cast<uint64_t>(std::ranges::count(before, '\n')));
            }
        }
        std::string many(100000, '\n');  // more than the byte counters hold before folding
        EXPECT_EQ(countByte(many.data(), many.data() + many.size(), '\n'), many.size());
    }
}

}  // namespace
}  // namespace th
