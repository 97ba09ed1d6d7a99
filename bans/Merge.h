#pragma once
// The merge of the grid into the anti-cheat's ban file, through the ban database.

#include "scan/MainForm.h"

namespace th {

void g_MergeIntoBanFile(MainForm& form);

}  // namespace th
