#pragma once
// How logs are read. The window keeps these in its settings; the command line takes them
// as options of every command that reads logs.

namespace th {

struct ScanOptions {
    // Also read the game console's form of the anti-cheat's lines (scan/ConsoleLine.h).
    bool consoleLines = false;
};

}  // namespace th
