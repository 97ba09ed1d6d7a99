#pragma once
// The log scanner: turns each kept violation line of the log named by the path panel
// into one row of the violation grid.

#include <cstdint>

#include "scan/MainForm.h"

namespace th {

// Returns the number of rows added, 0 when none, or -1 after an error it has shown.
int32_t g_lngScanLogFile(MainForm& form);

// The same scan; arrange false leaves the rows in the order they were added.
int32_t scanLogFile(MainForm& form, bool arrange);

inline constexpr const char* kLinePattern =
    "^{\\[.*\\]} {VIOLATION} {.*} {[#0-9:$]*} {.*} {(slot .*)$*} {.*[^\\[.\\]]$*} {.*}";
inline constexpr const char* kAddressPattern = "{[0-9+\\.0-9+\\.0-9+\\.0-9+:0-9+]*}";
inline constexpr const char* kGuidPattern = "{.*} {.*[\\[]*}";
inline constexpr const char* kContactAddress = "tallyhound@oakmere.net";

}  // namespace th
