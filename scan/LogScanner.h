#pragma once
// The log scanner: turns each kept violation line of the log named by the path panel
// into one row of the violation grid.

#include <cstddef>
#include <cstdint>

#include "scan/LinePattern.h"
#include "scan/MainForm.h"

namespace th {

// Returns the number of rows added, 0 when none, -1 after an error it has shown, or
// kScanCancelled when stopped through the form's cancel token, its rows left in place
// unarranged.
int32_t g_lngScanLogFile(MainForm& form);
inline constexpr int32_t kScanCancelled = -2;

// The cores this process may run on.
unsigned processorCores();

// Which bytes of which file a scan reads: by default all of the path panel's log.
struct LogRange {
    // Only the bytes [begin, end) are read: what was appended since an earlier scan. A
    // regular file only; begin and end lie at line starts (end: just after a line end).
    uint64_t begin = 0;
    uint64_t end = UINT64_MAX;  // to the end
    // A descriptor of the log, open already, read instead of the path panel's file (which
    // still names it in messages): the very file whose range was chosen, even when it was
    // renamed meanwhile. The scan does not close it.
    int descriptor = -1;
};

// The same scan, read as the form's scan options say; arrange false leaves the rows in
// the order they were added. With throwErrors a failure is thrown to the caller rather
// than shown in the window's box (whose advice speaks of the grid).
int32_t scanLogFile(MainForm& form, bool arrange, const LogRange& range = {},
                    bool throwErrors = false);

inline constexpr const char* kAddressPattern = "{[0-9+\\.0-9+\\.0-9+\\.0-9+:0-9+]*}";
inline constexpr const char* kGuidPattern = "{.*} {.*[\\[]*}";
inline constexpr const char* kContactAddress = "tallyhound@oakmere.net";

}  // namespace th
