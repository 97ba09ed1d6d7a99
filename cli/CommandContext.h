#pragma once
// What every command of the tool shares: the output streams and its exit status.

#include <ostream>
#include <string>

#include "cli/TerminalPorts.h"

namespace th::cli {

struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    int status = 0;

    // Reports a run-time failure on standard error and sets the exit status.
    void fail(const std::string& message) {
        err << "tallyhound-cli: " << message << "\n";
        status = 1;
    }
};

}  // namespace th::cli
