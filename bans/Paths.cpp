#include "bans/Paths.h"

#include <unistd.h>

#include <climits>
#include <vector>

#include "bans/DatabaseLocation.h"
#include "platform/Error.h"

namespace th {

namespace {
std::string& chosenDatabasePath() {
    static std::string path;
    return path;
}

}  // namespace

std::string& g_strAddBackslash(std::string& path) {
    if (path.empty() || path.back() != kFolderSeparator) path.push_back(kFolderSeparator);
    return path;
}

std::string g_strGetFolder(const std::string& path) {
    size_t last = path.rfind(kFolderSeparator);
    if (last == std::string::npos)
        throw Error(err::kInvalidCall, appBaseName(), "Invalid procedure call or argument");
    // Spaces at either end stay: here they are part of a folder's name, and a folder "srv "
    // is not "srv", where backups would otherwise go.
    return path.substr(0, last);
}

std::string applicationFolder() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return ".";
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string exe(buffer.data(), static_cast<size_t>(n));
            size_t last = exe.rfind(kFolderSeparator);
            // The root folder keeps its separator; g_strAddBackslash adds none to it.
            return last == 0 ? std::string(1, kFolderSeparator) : exe.substr(0, last);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string databasePath() {
    if (!chosenDatabasePath().empty()) return chosenDatabasePath();
    return locateDatabase().path;
}

std::string databaseBesideProgram() {
    std::string folder = applicationFolder();
    return g_strAddBackslash(folder) + kDatabaseFileName;
}

void setDatabasePath(std::string path) {
    chosenDatabasePath() = std::move(path);
}

}  // namespace th
