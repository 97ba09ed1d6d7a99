#pragma once
// The System Info button: starts the desktop's own system-information program.

#include <string>
#include <vector>

#include "platform/Ports.h"

namespace th::about {

struct SysInfoProgram {
    const char* name;
    std::vector<std::string> args;
};

// The system-information programs looked for, in order of preference.
const std::vector<SysInfoProgram>& sysInfoPrograms();

// Starts the first of them that is installed; when none is, or it cannot be started,
// says so in a box with only OK, no icon and no title of its own.
void StartSysInfo(Ports& ports);

}  // namespace th::about
