#pragma once
// Which game server a merge speaks for. Bans are the whole database's; the ban file's
// kept lines (temp bans) are one server's, stored under its name in a shared database.

#include <string>

namespace th {

// This machine's host name: the server's name unless one is given.
std::string defaultServerName();

// The server a run speaks for: the name given (--server), or this host's name.
std::string serverName(const std::string& given);

}  // namespace th
