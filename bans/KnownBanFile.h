#pragma once
// What an appending merge keeps of a ban file between its runs, so that follow, merging
// every few seconds into a file of many bans, reads only what was added since: the GUIDs
// its whole lines hold and where they end. A file that was replaced, shrank or has other
// bytes at its start or before where the reading stopped (an older copy put back, or a
// rewrite by another program) is rewritten sorted from the database, as it may lack bans.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <unordered_set>

namespace th {

struct KnownBanFile {
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    uint64_t end = 0;  // just after the last whole line taken in
    // Hashes of the file's first and of its last min(kHeadBytes, end) bytes before end:
    // a rewritten file that got the freed inode of the known one differs in them.
    uint64_t headHash = 0, endHash = 0;
    std::unordered_set<std::string> guids;  // guidKey() of each ban line
    int64_t banLines = 0, oddLines = 0;
    // False after a sorted rewrite, whose bans the database holds: the next appending
    // merge reads the file whole for its GUIDs, and stores only the lines after end.
    bool gathered = true;
};

}  // namespace th
