#pragma once
// Backup and reset of the ban database, for the Utilities menu.

#include <sys/stat.h>

#include <string>

#include "scan/MainForm.h"

namespace th {

// Zips the database into a dated archive in the application folder; archivePath gets
// the archive's full path. False when the archive could not be written; why, when given,
// then gets the reason.
bool g_blnBackupDatabase(MainForm& form, std::string& archivePath, std::string* why = nullptr);

// Empties the table of banned players. False after an error it has reported.
bool g_blnResetDatabase(MainForm& form);

// What comes before a reset, whose bans go for good: a database file is zipped as the
// backup zips it, and archivePath gets the archive's path (a PostgreSQL database is backed
// up with its own tools: nothing is done, archivePath stays empty). False when the file
// cannot be changed or copied; why then says so, and the database must not be reset.
bool backUpBeforeReset(MainForm& form, std::string& archivePath, std::string& why);

// A consistent copy of a database file, taken now and zipped only when asked: an upgrade
// keeps the copy of the database it changes only once the change has succeeded. The copy
// is deleted with the object. Each throws th::Error.
class DatabaseCopy {
  public:
    explicit DatabaseCopy(const std::string& database);
    ~DatabaseCopy();
    DatabaseCopy(const DatabaseCopy&) = delete;
    DatabaseCopy& operator=(const DatabaseCopy&) = delete;
    // Zips the copy into a new dated archive beside the database whose name ends in suffix;
    // archivePath gets the archive's full path (the last one tried when it throws).
    void zip(MainForm& form, const std::string& suffix, std::string& archivePath);

  private:
    std::string database_, copy_;
    struct stat status_ {};
};

// Zips a database file, which must not be held open, into a new dated archive beside
// it whose name ends in suffix; archivePath gets the archive's full path (the last one
// tried when it throws th::Error).
void zipDatabase(MainForm& form, const std::string& database, const std::string& suffix,
                 std::string& archivePath);

}  // namespace th
