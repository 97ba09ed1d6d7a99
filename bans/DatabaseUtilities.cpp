#include "bans/DatabaseUtilities.h"

namespace th {

bool g_blnBackupDatabase(MainForm&, std::string&) { return false; }
bool g_blnResetDatabase(MainForm&) { return false; }

}  // namespace th
