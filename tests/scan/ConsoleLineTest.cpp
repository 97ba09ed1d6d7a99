#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "scan/ConsoleLine.h"

namespace th {
namespace {

// The prefixes a violation line may have (a time and a colour code before it too), and
// chat or a second colour code before the prefix, are the scan of the crafted console log
// (LogScannerTest); which bytes make a colour code, ColourCodesTest. These are the other
// edges of what counts as the console's prefix.
TEST(ConsoleLine, OnlyTheConsolesOwnPrefixIsTakenOff) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"PunkBuster Server:  x", " x"},
        // Not the console's prefix:
        {"[04.16.2017 21:03:11] PunkBuster Server: x", std::nullopt},
        {"PunkBuster Server:x", std::nullopt},
        {"punkbuster server: x", std::nullopt},
        {"12:34PunkBuster Server: x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, text] : cases) {
        const std::optional<std::string_view> got = consoleLineText(line);
        EXPECT_EQ(got ? std::optional<std::string>(*got) : std::nullopt, text) << line;
    }
}

}  // namespace
}  // namespace th
