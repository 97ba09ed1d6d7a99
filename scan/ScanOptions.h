#pragma once
// How logs are read. The window keeps these in its settings; the command line takes them
// as options of every command that reads logs.

#include <cstddef>

namespace th {

// Large, yet small enough to stay in the processor's cache.
inline constexpr size_t kScanBlockSize = 256u << 10;

struct ScanOptions {
    // How the log is read; none of these changes a row, a count or a message.
    // Threads that scan parts of a log side by side; 0 is one per processor core. A
    // stream is read by one, in order.
    unsigned threads = 0;
    // The log is read this many bytes at a time.
    size_t blockSize = kScanBlockSize;
    // The size of the parts the threads take in turn; 0 lets the scan choose from the
    // log's size.
    size_t partSize = 0;

    // Also read the game console's form of the anti-cheat's lines (scan/ConsoleLine.h).
    bool consoleLines = false;
};

}  // namespace th
