#pragma once
// The merge's write step: the ban file anew from the database.

#include <cstdint>
#include <string>
#include <string_view>

#include "bans/BanStore.h"
#include "bans/WorkingTable.h"
#include "platform/TextFileWriter.h"

namespace th {

// One ban's line in the ban file, without its line end: stamp, GUID, name, address and
// reason, separated by spaces, any line break inside a value made a space.
std::string banFileLine(const Ban& ban);

// Writes the stored bans in the stored query's order, one line each, then, when the
// server has kept lines, one empty line and those lines. Returns the number of ban lines
// written; with none, nothing at all is written. A line break inside a stored value
// becomes a space, so that a ban stays one line.
int64_t writeBanFile(BanStore& store, std::string_view server, TextFileWriter& file);

// Whether the file is written with a stored ban of this GUID: not with one no line can
// carry, nor with spaces around it (a database changed by hand). Such a GUID bans no one,
// as from the grid: written, it came back as another ban, or as a line of another shape that
// was kept and written again beside its ban at every merge.
bool writtenToBanFile(std::string_view guid);

// Takes the lines this writer wrote for stored bans out of the kept lines, counting them as
// ban lines. A ban of an older database whose stamp is not of the usual shape is written as
// stored, and the reader, which knows ban lines by that shape, keeps such a line as one of
// no known shape: kept, it came back beside the ban's own line at every merge, and lifting
// the ban left it in the file.
void dropStoredBansLines(BanStore& store, WorkingRows& work);

}  // namespace th
