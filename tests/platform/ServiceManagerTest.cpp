#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ServiceManager.h"

namespace th {
namespace {

// Each state reaches the service manager's end of the socket it named.
TEST(ServiceManagerTest, SendsEachStateToTheSocketTheManagerNamed) {
    const std::string path =
        ::testing::TempDir() + "tallyhound-notify-" + std::to_string(::getpid());
    const int manager = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(manager, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
    for (const std::string state : {"READY=1", "STOPPING=1"}) {
        EXPECT_TRUE(notifyServiceManager(state));
        char buffer[256];
        const ssize_t n = ::recv(manager, buffer, sizeof buffer, MSG_DONTWAIT);
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0))), state);
    }
    ::close(manager);
    std::filesystem::remove(path);
    // It named what is no socket, or no manager asked: nothing sent, and the caller goes on.
    ::setenv("NOTIFY_SOCKET", "/nonexistent/tallyhound-notify", 1);
    EXPECT_FALSE(notifyServiceManager("READY=1"));
    ::unsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(notifyServiceManager("READY=1"));
}

}  // namespace
}  // namespace th
