#pragma once
// What every command of the tool shares: the output streams and its exit status.

#include <ostream>
#include <string>

#include "cli/Cli.h"

namespace th::cli {

// What every --db option says of the database used without it.
inline constexpr const char* kDbOptionHelp =
    "The ban database (default: $TALLYHOUND_DB, else Vandrel.mdb beside the program when it "
    "is there and writable, else ~/.local/share/tallyhound/Vandrel.mdb), or a shared "
    "postgresql://user@host/dbname database whose password is in a password file";

// What every list of inputs says of itself.
inline constexpr const char* kInputHelp =
    "Server logs, folders of logs (every *.log in them, in name order), or scan files "
    "ending in .sf; - is standard input";

struct CommandContext {
    CommandContext(std::ostream& output, std::ostream& errors) : out(output), err(errors) {}

    std::ostream& out;
    std::ostream& err;
    int status = kExitOk;

    // A line on standard error, as cli/TerminalText writes it.
    void note(const std::string& line);
    // Reports a failure on standard error and sets the exit status.
    void fail(const std::string& message, int exitStatus = kExitRunTime);
    // Flushes standard output; when a byte of it was lost, says so and fails. True when
    // everything printed so far has been written.
    bool outputWritten();
    // A path that is the command's whole output, for a script to use
    // ("$(tallyhound-cli db path)"): as it is, or by the one rule on a terminal.
    std::string pathOutput(const std::string& path) const;

  private:
    bool outputLost_ = false;
};

}  // namespace th::cli
