#include "bans/NewDatabase.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "bans/SchemaMigration.h"
#include "platform/Error.h"
#include "platform/TempFile.h"

namespace th {

std::string databaseSchema() {
    return std::string(kSchemaText);
}

bool createDatabase(const std::string& path, const std::string& schema) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return false;  // it may hold a ban history
    // A name of this run's own: two runs making the same database at once must not build
    // in one file. Its permissions are the umask's, as any new file's: a folder shared by
    // several accounts under umask 002 gets a database its group can write.
    TempFile temp = createTempFor(path, 0666, path);
    ::close(temp.fd);
    const std::string& partial = temp.path;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    char* message = nullptr;
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, schema.c_str(), nullptr, nullptr, &message);
    // The versions remake tables as they go; a new database starts without the pages those
    // left free.
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "VACUUM", nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string why = message ? message : db ? sqlite3_errmsg(db) : "cannot open";
        sqlite3_free(message);
        sqlite3_close(db);
        ::unlink(partial.c_str());
        throw Error(err::kDatabase, appBaseName(), path + ": " + why);
    }
    sqlite3_close(db);
    // link() refuses to replace a file that appeared meanwhile, where rename would not.
    if (::link(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(partial.c_str());
        if (error == EEXIST) return false;
        throw Error::fromErrno(error, path);
    }
    ::unlink(partial.c_str());
    syncFolder(folderOf(path), path);
    return true;
}

}  // namespace th
