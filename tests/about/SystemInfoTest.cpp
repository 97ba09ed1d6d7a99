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

// PATH pointing at a folder of stand-in programs, restored afterwards.
class SystemInfoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* p = std::getenv("PATH")) savedPath = p;
        dir = fs::temp_directory_path() /
              (std::string("sysinfo-") + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("PATH", dir.c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", savedPath.c_str(), 1);
        fs::remove_all(dir);
    }
    std::string install(const std::string& name, bool runnable = true) {
        fs::path p = dir / name;
        std::ofstream(p) << "#!/bin/sh\n";
        fs::permissions(p, runnable ? fs::perms::owner_all : fs::perms::owner_read);
        return p.string();
    }
    void expectUnavailable() {
        ASSERT_EQ(ports.messages.shown.size(), 1u);
        const auto& box = ports.messages.shown[0];
        EXPECT_EQ(box.prompt, "System Information Is Unavailable At This Time");
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
        EXPECT_EQ(box.icon, MsgIcon::None);
        EXPECT_EQ(box.title, "");
    }

    std::string savedPath;
    fs::path dir;
    test::ScriptedPorts ports;
};

TEST_F(SystemInfoTest, StartsTheFirstInstalledProgram) {
    struct Case {
        std::vector<std::string> installed;
        std::string started;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {{"kinfocenter"}, "kinfocenter", {}},
        {{"kinfocenter", "hardinfo2"}, "hardinfo2", {}},
        {{"hardinfo", "gnome-control-center"}, "hardinfo", {}},
        {{"gnome-control-center"}, "gnome-control-center", {"info-overview"}},
    };
    for (const Case& c : cases) {
        for (const auto& name : c.installed) install(name);
        ports.shell.calls.clear();
        StartSysInfo(ports.ports);
        ASSERT_EQ(ports.shell.calls.size(), 1u);
        EXPECT_EQ(ports.shell.calls[0].kind, "program");
        EXPECT_EQ(ports.shell.calls[0].target, (dir / c.started).string());
        EXPECT_EQ(ports.shell.calls[0].args, c.args);
        EXPECT_TRUE(ports.messages.shown.empty());
        for (const auto& name : c.installed) fs::remove(dir / name);
    }
}

TEST_F(SystemInfoTest, NothingInstalledSaysSo) {
    install("hardinfo", false);  // present but not runnable counts as missing
    StartSysInfo(ports.ports);
    EXPECT_TRUE(ports.shell.calls.empty());
    expectUnavailable();
}

TEST_F(SystemInfoTest, AProgramThatWillNotStartSaysSo) {
    install("kinfocenter");
    ports.shell.result = 2;
    StartSysInfo(ports.ports);
    EXPECT_EQ(ports.shell.calls.size(), 1u);
    expectUnavailable();
}

}  // namespace
}  // namespace th::about
