#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "platform/LoadedLibrary.h"
#include "tests/platform/PlatformTestSupport.h"

namespace th {
namespace {

// What a missing library or function says is the system's own text; what matters is that
// the load says so rather than leave a pointer empty, and fills every one when it succeeds.
TEST(LoadedLibraryTest, FillsEveryFunctionOrSaysWhyNot) {
    size_t (*strlenFound)(const char*) = nullptr;
    EXPECT_EQ(loaded_library::loadFunctions("libc.so.6", {{"strlen", &strlenFound}}), "");
    ASSERT_NE(strlenFound, nullptr);
    EXPECT_EQ(strlenFound("tally"), 5u);

    // What the user is told: what is missing, the system's reason, and what to install;
    // only the reason when installing is no help (the open-file limit reached, say).
    for (const char* file : {"libtallyhound-none.so.9", "/proc/self/status"}) {
        const std::string text = test::raised([&] {
            loaded_library::load({file, "The none library", "none9", "to test", err::kZip, ".Test"},
                                 {});
        });
        EXPECT_TRUE(text.starts_with("Tallyhound.Test " + std::to_string(err::kZip) +
                                     ": The none library (" + file + ") could not be loaded: "))
            << text;
        EXPECT_EQ(text.ends_with(". Install it (on Debian: apt-get install none9) to test."),
                  file[0] != '/')
            << text;
    }
}

}  // namespace
}  // namespace th
