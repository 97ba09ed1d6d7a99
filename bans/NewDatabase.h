#pragma once
// A new, empty ban database made from the schema the program was built with. The one
// way a database comes to be: the build's own tool and the programs both use it.

#include <string>

namespace th {

// The schema (bans/schema.sql), built into the program.
std::string databaseSchema();

// Writes a new database at path from the schema, through a temporary file in the same
// folder that is renamed into place once complete. An existing file is never touched:
// false then, true when made. Throws th::Error when the database could not be made.
bool createDatabase(const std::string& path, const std::string& schema = databaseSchema());

}  // namespace th
