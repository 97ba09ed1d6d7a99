#include "bans/DatabaseLocation.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "bans/BanStore.h"
#include "bans/NewDatabase.h"
#include "bans/Paths.h"
#include "platform/Error.h"
#include "platform/TempFile.h"

namespace th {

namespace {

bool named(const char* value) {
    return value && *value;
}

std::string homeFolder(const EnvironmentLookup& getenv) {
    if (named(getenv("HOME"))) return getenv("HOME");
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

std::string userDataFolder(const EnvironmentLookup& getenv) {
    // The XDG rule: a relative XDG_DATA_HOME is to be ignored.
    const char* xdg = getenv("XDG_DATA_HOME");
    if (named(xdg) && xdg[0] == '/') return xdg;
    return homeFolder(getenv) + "/.local/share";
}

// The user's own database this run failed to make, and why.
struct NotMade {
    std::string path, why;
};
NotMade& notMade() {
    static NotMade value;
    return value;
}

bool writableFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && unwritableDatabase(path) == 0;
}

}  // namespace

int unwritableDatabase(const std::string& path) {
    // SQLite writes its journal beside the file, so the folder must take new files too.
    const std::string folder = folderOf(path);
    if (::access(path.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK | X_OK) != 0)
        return errno;
    return 0;
}

std::string unwritableText(const std::string& path, int error) {
    const std::string words = std::strerror(error);
    if (::access(path.c_str(), W_OK) != 0) return words;
    return "the folder " + folderOf(path) + " cannot be written to: " + words;
}

std::string fullDatabaseName(const std::string& named) {
    if (named.empty() || isPostgresUri(named)) return named;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(named, ec);
    return ec ? named : full.lexically_normal().string();
}

DatabaseLocation locateDatabase(const std::string& commandLine, const EnvironmentLookup& getenv,
                                const std::string& programFolder) {
    using Source = DatabaseLocation::Source;
    if (!commandLine.empty()) return {fullDatabaseName(commandLine), Source::CommandLine};
    if (named(getenv(kDatabaseVariable)))
        return {fullDatabaseName(getenv(kDatabaseVariable)), Source::Environment};
    std::string folder = programFolder;
    const std::string beside = g_strAddBackslash(folder) + kDatabaseFileName;
    if (writableFile(beside)) return {beside, Source::BesideProgram};
    return {userDataFolder(getenv) + "/tallyhound/" + kDatabaseFileName, Source::UserData};
}

DatabaseLocation locateDatabase(const std::string& commandLine) {
    return locateDatabase(
        commandLine, [](const char* name) { return std::getenv(name); }, applicationFolder());
}

bool prepareDatabase(const DatabaseLocation& location) {
    if (location.source != DatabaseLocation::Source::UserData) return false;
    std::error_code ec;
    if (std::filesystem::exists(location.path, ec)) return false;
    const std::filesystem::path folder = std::filesystem::path(location.path).parent_path();
    // Made by root in another account's home (su without "-", a sudo keeping HOME), the
    // folders and the database are given to that account, the owner of the nearest folder
    // there already: root's own would lock it out of its ban database for good.
    std::vector<std::filesystem::path> made{location.path};
    std::filesystem::path existing = folder;
    while (!existing.empty() && !std::filesystem::exists(existing, ec)) {
        made.push_back(existing);
        existing = existing.has_relative_path() ? existing.parent_path() : std::filesystem::path();
    }
    struct stat home {};
    const bool handOver =
        ::geteuid() == 0 && ::stat(existing.c_str(), &home) == 0 && home.st_uid != 0;
    try {
        std::filesystem::create_directories(folder, ec);
        if (ec) throw Error::fromErrno(ec.value(), folder.string());
        const bool madeNow = createDatabase(location.path);  // false: another made it
        if (handOver)
            for (const std::filesystem::path& path : made)
                if ((madeNow || path != location.path) &&
                    ::lchown(path.c_str(), home.st_uid, home.st_gid) != 0)
                    throw Error::fromErrno(errno, path.string());
        return madeNow;
    } catch (const Error& e) {
        notMade() = {location.path, e.description()};
        throw;
    }
}

bool databaseFileMissing(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool databaseCouldNotBeMade(const std::string& path) {
    return !notMade().path.empty() && notMade().path == path;
}

std::string missingDatabaseText(const std::string& path) {
    if (databaseCouldNotBeMade(path))
        return path + ": no ban database is there, and it could not be made (" + notMade().why +
               ")";
    return path + ": no ban database is there";
}

}  // namespace th
