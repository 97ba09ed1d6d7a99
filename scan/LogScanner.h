#pragma once
// The log scanner: turns each kept violation line of the log named by the path panel
// into one row of the violation grid.

#include <cstddef>
#include <cstdint>

#include "scan/MainForm.h"

namespace th {

// Returns the number of rows added, 0 when none, -1 after an error it has shown, or
// kScanCancelled when stopped through the form's cancel token, its rows left in place
// unarranged.
int32_t g_lngScanLogFile(MainForm& form);
inline constexpr int32_t kScanCancelled = -2;

// Large, yet small enough to stay in the processor's cache.
inline constexpr size_t kScanBlockSize = 256u << 10;

// The same scan; arrange false leaves the rows in the order they were added. The log is
// read blockSize bytes at a time; the rows never depend on it.
int32_t scanLogFile(MainForm& form, bool arrange, size_t blockSize = kScanBlockSize);

inline constexpr const char* kLinePattern =
    "^{\\[.*\\]} {VIOLATION} {.*} {[#0-9:$]*} {.*} {(slot .*)$*} {.*[^\\[.\\]]$*} {.*}";
inline constexpr const char* kAddressPattern = "{[0-9+\\.0-9+\\.0-9+\\.0-9+:0-9+]*}";
inline constexpr const char* kGuidPattern = "{.*} {.*[\\[]*}";
inline constexpr const char* kContactAddress = "tallyhound@oakmere.net";

}  // namespace th
