#include "cli/ScanFlags.h"

#include "cli/NumberCheck.h"

namespace th::cli {

void addScanOptions(CLI::App& command, ScanOptions& options) {
    command
        .add_option("--threads", options.threads,
                    "Threads that scan parts of a log side by side (default: one per core)")
        ->transform(numberFrom(1, 1024, true));
    command.add_flag("--console-lines", options.consoleLines,
                     "Also read violation lines as a game's console log holds them "
                     "(\"PunkBuster Server: VIOLATION ...\", no date); their rows get the "
                     "log's modification time");
}

void addFoldColoursFlag(CLI::App& command, bool& fold) {
    command.add_flag("--fold-colours", fold,
                     "Group, sort and show player names without colour codes (^ and the "
                     "character after it); saved files keep the names as written");
}

}  // namespace th::cli
