#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "about/SystemInfo.h"
#include "tests/support/Files.h"
#include "tests/support/ScriptedPorts.h"

namespace th::about {
namespace {

namespace fs = std::filesystem;

TEST(SystemInfo, StartsTheFirstInstalledProgramOrSaysItIsUnavailable) {
    test::ScratchFolder folder;
    const std::string& dir = folder.dir;
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    test::ScriptedPorts ports;
    // Installs one more program in the one folder on PATH, presses the button, and says
    // what was started.
    auto start = [&](const std::string& name) {
        std::ofstream(dir + "/" + name) << "#!/bin/sh\n";
        fs::permissions(dir + "/" + name, fs::perms::owner_all);
        ports.shell.calls.clear();
        setenv("PATH", dir.c_str(), 1);
        StartSysInfo(ports.ports);
        setenv("PATH", savedPath.c_str(), 1);
        std::string started;
        for (const auto& call : ports.shell.calls)
            started += call.target + (call.args.empty() ? "" : " " + call.args[0]);
        return started;
    };
    EXPECT_EQ(start("gnome-control-center"), dir + "/gnome-control-center info-overview");
    ports.shell.result = 2;  // installed but not startable: no second try
    EXPECT_EQ(start("kinfocenter"), dir + "/kinfocenter");
    ports.shell.result = 42;
    EXPECT_EQ(start("hardinfo2"), dir + "/hardinfo2");
    ASSERT_EQ(ports.messages.shown.size(), 1u);
    const auto& box = ports.messages.shown[0];
    EXPECT_EQ(box.prompt,
              "System Information Is Unavailable At This Time\r\nInstall hardinfo, kinfocenter or "
              "gnome-control-center to use this button.        ");
    // Only OK, no icon, and the application's own title.
    EXPECT_TRUE(box.buttons == MsgButtons::Ok && box.icon == MsgIcon::None && box.title.empty());
}

}  // namespace
}  // namespace th::about
