#pragma once
// Which ban database the programs use. An installed program cannot write beside
// itself, so the database there is used only when it exists and can be written;
// otherwise the user's own data folder holds one. A database named on the command
// line or in TALLYHOUND_DB comes before both.

#include <functional>
#include <string>

namespace th {

struct DatabaseLocation {
    enum class Source { CommandLine, Environment, BesideProgram, UserData };
    std::string path;
    Source source = Source::BesideProgram;
};

using EnvironmentLookup = std::function<const char*(const char*)>;

inline constexpr const char* kDatabaseVariable = "TALLYHOUND_DB";

// The errno that keeps this account from writing the database file, or 0: the file and
// its folder, where SQLite writes its journal.
int unwritableDatabase(const std::string& path);
// That errno for a message: the system's words, after the folder's name when the folder is
// the one at fault ("the folder F cannot be written to: Permission denied").
std::string unwritableText(const std::string& path, int error);

// A named database as the programs use it: a postgresql:// URI as given, a file path made
// full, so that its folder (where backups go) is known whatever the working folder.
std::string fullDatabaseName(const std::string& named);

// The database to use: the named one (commandLine, then the environment variable), else
// Vandrel.mdb beside the program when it is there and writable, else
// $XDG_DATA_HOME/tallyhound/Vandrel.mdb (~/.local/share by default).
DatabaseLocation locateDatabase(const std::string& commandLine, const EnvironmentLookup& getenv,
                                const std::string& programFolder);

// The same, from the process's own environment and folder.
DatabaseLocation locateDatabase(const std::string& commandLine = {});

// Makes the user-data database from the schema on first use, folders included; true when
// this call made it. Any other location, and any file already there, is left alone. Made by
// root in another account's home, folders and database are that account's. Throws
// th::Error when the database could not be made.
bool prepareDatabase(const DatabaseLocation& location);

// Whether no file is at path: nothing by that name, or a file where a folder of it would be.
bool databaseFileMissing(const std::string& path);

// What opening a database file that is not there says: with why this run could not make it
// when it was the user's own, since the advice to start without --db had just been taken.
std::string missingDatabaseText(const std::string& path);
bool databaseCouldNotBeMade(const std::string& path);

}  // namespace th
