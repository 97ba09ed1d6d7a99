#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "scan/ByteSearch.h"

namespace th {
namespace {

// The fast searches must agree with the plain ones at every length and alignment,
// including needles that straddle the 16-byte steps and the end of the text.
TEST(ByteSearch, AgreesWithThePlainSearchesOnRandomText) {
    std::mt19937 rng(3);
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 200, ' ');
        for (char& c : text) c = "VIOLATN \n\r"[rng() % 10];
        if (round % 3 == 0) text.insert(rng() % (text.size() + 1), "VIOLATION");
        const std::string_view rest = std::string_view(text).substr(rng() % (text.size() + 1));
        const char* end = rest.data() + rest.size();
        for (std::string_view needle : {"VIOLATION", "VI", "N", "", "\n\n"}) {
            const char* got = findLiteral(rest.data(), end, needle);
            ASSERT_EQ(got ? static_cast<size_t>(got - rest.data()) : rest.npos, rest.find(needle))
                << round << " [" << needle << "]";
        }
        ASSERT_EQ(countByte(rest.data(), end, '\n'),
                  static_cast<size_t>(std::ranges::count(rest, '\n')));
    }
    std::string many(100000, '\n');  // more than the byte counters hold before folding
    EXPECT_EQ(countByte(many.data(), many.data() + many.size(), '\n'), many.size());
}

}  // namespace
}  // namespace th
