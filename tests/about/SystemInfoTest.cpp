#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "about/SystemInfo.h"
#include "tests/support/ScriptedPorts.h"

namespace th::about {
namespace {

namespace fs = std::filesystem;

TEST(SystemInfo, StartsTheFirstInstalledProgramOrSaysItIsUnavailable) {
    const fs::path dir = fs::temp_directory_path() / ("sysinfo-" + std::to_string(::getpid()));
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    struct Case {
        std::vector<std::string> installed;
        int64_t launch;       // what starting it returns
        std::string started;  // program and arguments
        bool unavailable;
    } cases[] = {
        {{"kinfocenter", "hardinfo2"}, 42, "hardinfo2", false},
        {{"hardinfo", "gnome-control-center"}, 42, "hardinfo", false},
        {{"gnome-control-center"}, 42, "gnome-control-center info-overview", false},
        {{}, 42, "", true},
        {{"kinfocenter", "gnome-control-center"}, 2, "kinfocenter", true},  // no second try
    };
    for (const Case& c : cases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (const std::string& name : c.installed) {
            std::ofstream(dir / name) << "#!/bin/sh\n";
            fs::permissions(dir / name, fs::perms::owner_all);
        }
        test::ScriptedPorts ports;
        ports.shell.result = c.launch;
        setenv("PATH", dir.c_str(), 1);
        StartSysInfo(ports.ports);
        setenv("PATH", savedPath.c_str(), 1);
        std::string started;
        for (const auto& call : ports.shell.calls) {
            started += call.kind + ":" + call.target;
            for (const auto& arg : call.args) started += " " + arg;
        }
        EXPECT_EQ(started, c.started.empty() ? "" : "program:" + (dir / c.started).string());
        ASSERT_EQ(ports.messages.shown.size(), c.unavailable ? 1u : 0u);
        if (!c.unavailable) continue;
        const auto& box = ports.messages.shown[0];
        EXPECT_EQ(box.prompt, "System Information Is Unavailable At This Time");
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
        EXPECT_EQ(box.icon, MsgIcon::None);
        EXPECT_EQ(box.title, "");
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace th::about
