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

// The database file: Vandrel.mdb in the application folder, unless a tool or a test has
// named another file.
std::string databasePath();
void setDatabasePath(std::string path);  // empty: back to the default

}  // namespace th
