#include "bans/Merge.h"

namespace th {

void g_MergeIntoBanFile(MainForm&) {}

}  // namespace th
