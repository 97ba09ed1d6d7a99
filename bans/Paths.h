#pragma once
// Paths of the ban subsystem: the folder separator routines, the application folder and
// where the ban database lives.

#include <string>

namespace th {

inline constexpr char kFolderSeparator = '/';
inline constexpr const char* kDatabaseFileName = "Vandrel.mdb";

// Appends the folder separator to the path itself unless it already ends in one, and
// returns it. An empty path becomes the separator alone.
std::string& g_strAddBackslash(std::string& path);

// The folder part of a file path: the text before its last separator, without leading
// and trailing spaces. A path without a separator is an error.
std::string g_strGetFolder(const std::string& path);

// The folder that holds the running executable.
std::string applicationFolder();

// The database file: the one a tool, a test or the command line has named, else the
// one locateDatabase (bans/DatabaseLocation.h) finds.
std::string databasePath();
void setDatabasePath(std::string path);  // empty: back to the default
// Vandrel.mdb in the application folder, whether it exists or not.
std::string databaseBesideProgram();

}  // namespace th
