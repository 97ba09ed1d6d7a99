#include <gtest/gtest.h>

#include <string>

#include "app/NoDisplay.h"
#include "tests/support/Environment.h"

namespace th {
namespace {

TEST(NoDisplay, OnlyAMachineWithoutAnyDisplayOrChosenPlatformHasNone) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"DISPLAY= WAYLAND_DISPLAY=", true},  // set but empty names nothing
        {"DISPLAY=:0", false},
        {"WAYLAND_DISPLAY=wayland-0", false},
        {"QT_QPA_PLATFORM=vnc", false},
    };
    for (const auto& [environment, none] : cases)
        EXPECT_EQ(noDisplay(test::Environment(environment).lookup()), none) << environment;
    const std::string message = noDisplayMessage();
    EXPECT_EQ(message.substr(0, message.find('\n')),
              "tallyhound: the window needs a desktop session (or ssh -X, or "
              "QT_QPA_PLATFORM=vnc); on this machine use tallyhound-cli instead:");
}

}  // namespace
}  // namespace th
