#pragma once
// The merge's write step: the ban file anew from the database.

#include <cstdint>
#include <string>
#include <string_view>

#include "bans/BanStore.h"
#include "platform/TextFileWriter.h"

namespace th {

// Writes the stored bans in the stored query's order, one line each, then, when the
// server has kept lines, one empty line and those lines. Returns the number of ban lines
// written; with none, nothing at all is written. A line break inside a stored value
// becomes a space, so that a ban stays one line.
// One ban's line in the ban file, without its line end: stamp, GUID, name, address and
// reason, separated by spaces, any line break inside a value made a space.
std::string banFileLine(const Ban& ban);

int64_t writeBanFile(BanStore& store, std::string_view server, TextFileWriter& file);

}  // namespace th
