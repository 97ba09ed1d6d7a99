#include "cli/OutputChecks.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "cli/DatabaseOption.h"
#include "platform/Error.h"
#include "platform/OutputFile.h"
#include "platform/SameFile.h"

namespace th::cli {

bool outputAllowed(CommandContext& context, const std::string& output) {
    try {
        classifyOutput(output);
        return true;
    } catch (const Error& e) {
        context.fail(e.description(), e.number() == err::kRefusedPath ? kExitUsage : kExitRunTime);
        return false;
    }
}

bool outputIsNoInput(CommandContext& context, const std::string& output,
                     const std::vector<std::string>& inputs) {
    struct stat out {};
    // Only a regular file is replaced; a new name clashes with nothing. A pipe it reads from
    // took the output too: nobody read it (a success said), or the write waited for ever.
    // Standard output is whatever the shell opened there: save -o - LOG >> LOG added the
    // list to the server's log.
    const bool standard = output == "-";
    if ((standard ? ::fstat(1, &out) : ::stat(output.c_str(), &out)) != 0 ||
        !(S_ISREG(out.st_mode) || S_ISFIFO(out.st_mode)))
        return true;
    for (const auto& input : inputs) {
        struct stat in {};
        // Standard input is whatever was given on it: a log redirected in (html -o LOG - <
        // LOG) was replaced by the page.
        if (input == "-" ? ::fstat(0, &in) != 0 : ::stat(input.c_str(), &in) != 0) continue;
        if (sameFile(in, out)) {
            // Given with >, the file was emptied by the shell before the command began, and
            // "nothing written" read as if it were whole.
            const bool emptied = standard && S_ISREG(out.st_mode) && out.st_size == 0 &&
                                 !(::fcntl(1, F_GETFL) & O_APPEND);
            context.fail((standard ? "Standard output" : output) + " is also an input (" + input +
                             "); nothing written" +
                             (emptied ? ". It is empty: a shell's > empties a file before the "
                                        "command starts; put it back from a backup"
                                      : ""),
                         kExitUsage);
            return false;
        }
    }
    return true;
}

bool banOutputsAreNoInputs(CommandContext& context, const std::string& bans,
                           const std::string& database, std::vector<std::string> inputs) {
    if (!outputIsNoInput(context, bans, inputs)) return false;
    inputs.push_back(bans);
    if (isPostgresUri(database)) return outputIsNoInput(context, "-", inputs);
    if (!outputIsNoInput(context, database, inputs)) return false;
    // What they print (merge --dry-run >> pbbans.dat) went into the ban file for good.
    inputs.push_back(database);
    return outputIsNoInput(context, "-", inputs);
}

bool useDatabase(CommandContext& context, const std::string& db) {
    setDatabasePath(databaseOption(db));
    return outputIsNoInput(context, "-", {databasePath()});
}

}  // namespace th::cli
