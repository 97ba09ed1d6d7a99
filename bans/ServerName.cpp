#include "bans/ServerName.h"

#include <unistd.h>

#include <climits>

namespace th {

std::string defaultServerName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !name[0]) return "localhost";
    return name;
}

std::string serverName(const std::string& given) {
    return given.empty() ? defaultServerName() : given;
}

}  // namespace th
