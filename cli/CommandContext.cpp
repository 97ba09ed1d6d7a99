#include "cli/CommandContext.h"

#include <cerrno>
#include <cstring>

#include "cli/StandardOutput.h"
#include "cli/TerminalText.h"

namespace th::cli {

void CommandContext::note(const std::string& line) {
    err << terminalText(line) << "\n";
}

void CommandContext::fail(const std::string& message, int exitStatus) {
    err << "tallyhound-cli: " << terminalText(message) << "\n";
    status = exitStatus;
}

bool CommandContext::outputWritten() {
    if (outputLost_) return false;
    errno = 0;
    out.flush();
    if (out) return true;
    outputLost_ = true;
    // A full disk or a closed pipe: what was printed is incomplete, which is no success.
    // The cause is the first failed write's, kept by the tool's own output.
    const auto* standard = dynamic_cast<const StandardOutput*>(out.rdbuf());
    const int cause = standard && standard->failure() ? standard->failure() : errno ? errno : EIO;
    fail(std::string("standard output could not be written (") + std::strerror(cause) +
         "); what it holds is incomplete");
    return false;
}

std::string CommandContext::pathOutput(const std::string& path) const {
    const auto* standard = dynamic_cast<const StandardOutput*>(out.rdbuf());
    return standard && standard->terminal() ? terminalText(path) : path;
}

}  // namespace th::cli
