#pragma once
// The --db option every command that reads or writes the ban database takes, and its value:
// a postgresql:// URI as given, a file path made full.

#include <CLI/CLI.hpp>
#include <string>

#include "bans/BanStore.h"
#include "bans/DatabaseLocation.h"
#include "bans/PostgresUri.h"
#include "bans/SchemaMigration.h"
#include "bans/SqliteConnection.h"
#include "cli/CommandContext.h"
#include "cli/NameCheck.h"

namespace th::cli {

// The database a command uses. Without --db, the located one, which for the user's own is
// made on first use; a failure is not reported here: opening it names it. Only then, so
// that naming another never leaves an empty one behind in the user's home.
inline std::string databaseOption(const std::string& value) {
    if (!value.empty()) return fullDatabaseName(value);
    const DatabaseLocation located = locateDatabase();
    try {
        prepareDatabase(located);
    } catch (const std::exception&) {
    }
    return located.path;
}

// Why a database cannot take a merge, in one line, or nothing: a file that is not there, no
// ban database (--db naming the ban file) or one a newer Tallyhound made; a PostgreSQL
// address holding a password where none may be. Said before a log is read: opening it said
// so in the window's connect report, with a routine's name and an error number. A server is
// not asked here.
inline std::string unusableDatabase(const std::string& path) {
    if (isPostgresUri(path)) {
        try {
            postgresParameters(path);
        } catch (const Error& e) {
            return e.description();
        }
        return {};
    }
    if (databaseFileMissing(path))
        return missingDatabaseText(path) +
               (databaseCouldNotBeMade(path) ? "" : "; make one with tallyhound-cli db init");
    if (std::string why = whyNotABanDatabase(path); !why.empty()) return why;
    if (const int version = storedSchemaVersion(path); version > latestSchemaVersion())
        return newerSchemaText(path, version);
    return {};
}

// An empty name is a usage error: taken as none, it quietly chose (and made) the default
// database in place of the one a script meant to name.
inline CLI::Option* addDbOption(CLI::App& command, std::string& db,
                                const std::string& help = kDbOptionHelp) {
    return command.add_option("--db", db, help)->check(namedBy("the ban database"));
}

// The game server a ban file is for: a shared database keeps each server's temp bans (and
// follow's log places) under its name. Every command that writes a ban file takes it. An
// empty name is misuse, as for --db: taken as none, it quietly stored them under the host's.
inline CLI::Option* addServerOption(CLI::App& command, std::string& server,
                                    const std::string& also = {}) {
    return command
        .add_option("--server", server,
                    "The game server this ban file is for; its temp bans" + also +
                        " are stored under this name in a shared database (default: the host "
                        "name)")
        ->check(namedBy("the game server"));
}

}  // namespace th::cli
