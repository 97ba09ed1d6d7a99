#pragma once
// The merge's write step: the ban file anew from the database.

#include <cstdint>
#include <string_view>

#include "bans/BanStore.h"
#include "platform/TextFileWriter.h"

namespace th {

// Writes the stored bans in the stored query's order, one line each, then, when the
// server has kept lines, one empty line and those lines. Returns the number of ban lines
// written; with none, nothing at all is written. A line break inside a stored value
// becomes a space, so that a ban stays one line.
int64_t writeBanFile(BanStore& store, std::string_view server, TextFileWriter& file);

}  // namespace th
