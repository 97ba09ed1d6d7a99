#pragma once
// Backup and reset of the ban database, for the Utilities menu.

#include <string>

#include "scan/MainForm.h"

namespace th {

// Zips the database into a dated archive in the application folder; archivePath gets
// the archive's full path. False when the archive could not be written.
bool g_blnBackupDatabase(MainForm& form, std::string& archivePath);

// Empties the table of banned players. False after an error it has reported.
bool g_blnResetDatabase(MainForm& form);

}  // namespace th
