#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ServiceManager.h"

namespace th {
namespace {

// A service manager's end of the notify socket, at a path.
class ManagerSocket {
  public:
    explicit ManagerSocket(const std::string& name) : name_(name) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        name.copy(address.sun_path, name.size());
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), size), 0) << name;
    }
    ~ManagerSocket() {
        ::close(fd_);
        std::filesystem::remove(name_);
    }
    std::string receive() {
        char buffer[256];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        return n < 0 ? "(nothing)" : std::string(buffer, static_cast<size_t>(n));
    }

  private:
    std::string name_;
    int fd_ = -1;
};

TEST(ServiceManagerTest, SendsEachStateToTheSocketTheManagerNamed) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tallyhound-notify-" + std::to_string(::getpid())))
                                 .string();
    {
        ManagerSocket manager(path);
        ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
        for (const char* state : {"READY=1", "STOPPING=1"}) {
            EXPECT_TRUE(notifyServiceManager(state));
            EXPECT_EQ(manager.receive(), state);
        }
    }
    // It named what is no socket, or no manager asked: nothing sent, and the caller goes on.
    ::setenv("NOTIFY_SOCKET", "/nonexistent/tallyhound-notify", 1);
    EXPECT_FALSE(notifyServiceManager("READY=1"));
    ::unsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(notifyServiceManager("READY=1"));
}

}  // namespace
}  // namespace th
