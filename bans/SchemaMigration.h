#pragma once
// Versions of the ban database's schema. bans/schema.sql holds them all, each ending
// with its "PRAGMA user_version = N;" line, and the program carries that file: a new
// database runs it whole, an older one runs the versions it lacks. A later change of the
// schema appends its version to schema.sql; nothing here needs to change.

#include <string_view>

#include "bans/Database.h"

namespace th {

// The whole of bans/schema.sql, as the build read it.
extern const std::string_view kSchemaText;

// The newest version this program knows.
int latestSchemaVersion();
// The statements that take a database from version - 1 to version (1 to the latest).
std::string_view schemaVersion(int version);

// Brings a database just opened up to the latest version. An older one is first backed
// up into a dated zip beside it, once, then upgraded in one transaction that keeps every
// row. A database newer than the program, or one that cannot be backed up or upgraded,
// is left as it was: the connection is closed and th::Error says why.
void upgradeDatabase(MainForm& form, Connection& connection);

}  // namespace th
