#pragma once
// Versions of the ban database's schema. bans/schema.sql (SQLite) and
// bans/schema_postgresql.sql hold them all, each version ending with the line that
// records its number; the program carries both files: a new database runs one whole, an
// older one runs the versions it lacks. Each engine numbers its own versions: a change
// appends its version to the file of each engine it concerns, and a fleet's older servers
// go on using a shared database that a change of SQLite's alone did not touch.

#include <string_view>
#include <vector>

#include "bans/SqliteConnection.h"
#include "scan/MainForm.h"

namespace th {

// The whole of bans/schema.sql and bans/schema_postgresql.sql, as the build read them.
extern const std::string_view kSchemaText;
extern const std::string_view kPostgresSchemaText;

// One engine's schema, split into its versions.
class SchemaVersions {
  public:
    // Each version ends with a line of versionLine, its number and ";". The versions
    // must run 1, 2, 3, ... so that a number names one step.
    SchemaVersions(std::string_view text, std::string_view versionLine);
    int latest() const { return static_cast<int>(versions_.size()); }
    // The statements that take a database from version - 1 to version (1 to latest()).
    std::string_view version(int version) const;

  private:
    std::vector<std::string_view> versions_;
};

const SchemaVersions& sqliteSchema();
const SchemaVersions& postgresSchema();

// The newest version of a ban database file (SQLite) this program knows.
int latestSchemaVersion();

// The oldest version of a ban database file read as the newest is: the versions after it
// only lay tables out differently. Such a database that this account cannot write, or
// that a command opens to change nothing, is read as it is.
int oldestReadableSchemaVersion();

// The messages of a database that cannot be brought up to date; name is the database as
// messages name it, version the one it holds, latest its engine's newest.
std::string newerSchemaText(const std::string& name, int version,
                            int latest = latestSchemaVersion());
std::string upgradeFailedText(const std::string& name, int version, std::string_view why,
                              int latest = latestSchemaVersion());

// Brings an SQLite database just opened up to the latest version. An older one is first
// backed up into a dated zip beside it, once, then upgraded in one transaction that keeps
// every row. A database newer than the program, or one that cannot be backed up or
// upgraded, is left as it was: the connection is closed and th::Error says why.
void upgradeDatabase(MainForm& form, SqliteConnection& connection);

}  // namespace th
