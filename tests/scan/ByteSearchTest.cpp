#include "scan/ByteSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace th {
namespace {

// The fast searches must agree with the plain ones at every length and alignment,
// including needles that straddle the 16-byte steps and the end of the text.
TEST(ByteSearch, AgreesWithThePlainSearchesOnRandomText) {
    std::mt19937 rng(3);
    const std::string alphabet = "VIOLATN \n\r";
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 200, ' ');
        for (char& c : text) c = alphabet[rng() % alphabet.size()];
        for (std::string needle : {"VIOLATION", "VI", "N", "", "\n\n"}) {
            size_t offset = text.empty() ? 0 : rng() % text.size();
            const char* begin = text.data() + offset;
            const char* end = text.data() + text.size();
            size_t expected = std::string_view(begin, static_cast<size_t>(end - begin)).find(needle);
            const char* got = findLiteral(begin, end, needle);
            ASSERT_EQ(got ? static_cast<size_t>(got - begin) : std::string_view::npos, expected)
                << round << " [" << needle << "]";
        }
        if (round % 7 == 0) text.insert(rng() % (text.size() + 1), "VIOLATION");
        ASSERT_EQ(countByte(text.data(), text.data() + text.size(), '\n'),
                  static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    }
    std::string many(100000, '\n');  // more than the byte counters hold before folding
    EXPECT_EQ(countByte(many.data(), many.data() + many.size(), '\n'), many.size());
}

}  // namespace
}  // namespace th
