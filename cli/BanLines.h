#pragma once
// How follow and merge --dry-run print a ban: one line, its time stamp, GUID, name and
// reason separated by TABs, each under cli/TerminalText's rule, name and reason shown as
// db list shows them.

#include <string>

#include "bans/Merge.h"

namespace th::cli {

std::string banLine(const NewBan& ban);

}  // namespace th::cli
