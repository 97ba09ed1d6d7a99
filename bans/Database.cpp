#include "bans/Database.h"

#include <filesystem>

#include "bans/DatabaseLocation.h"
#include "bans/Paths.h"
#include "platform/MessageBoxes.h"

namespace th {

std::unique_ptr<BanStore> g_cnnDatabase;

void showDatabaseErrorReport(MainForm& form, const std::string& tag, const Error& error) {
    std::string prompt = "An unhandled error has occured " + tag + kCrLf + error.description() +
                         " [" + std::to_string(error.number()) + "]" + kPad;
    form.ports.messages.show(withAdvice(std::move(prompt), databaseAdvice(tag, databasePath())),
                             MsgButtons::Ok, MsgIcon::Exclamation, kMsgTitle);
}

std::string databaseAdvice(const std::string& tag, const std::string& where) {
    const std::string path = storeDisplayName(where);
    if (isPostgresUri(where) && tag == kTagReset)
        return "Nothing was removed; resetting " + path +
               " needs the role that owns its tables: the fleet role cannot remove bans.";
    if (isPostgresUri(where))
        return "Check that the PostgreSQL server of " + path +
               " is running and reachable, that its password is in a password file "
               "(~/.pgpass or PGPASSFILE) and that the database was made with tallyhound-cli "
               "db init.";
    std::error_code ec;
    if (tag == kTagConnect && std::filesystem::exists(path, ec))
        return "Check that " + path +
               " is a ban database this Tallyhound can use and is not open in another program, "
               "or name another one with --db.";
    if (tag == kTagConnect && databaseCouldNotBeMade(path))
        return "Tallyhound makes its ban database at " + path +
               " on first use; let this account write to that folder, or name another "
               "database with --db or TALLYHOUND_DB.";
    if (tag == kTagConnect)
        return "The ban database was looked for at " + path +
               "; make one there with tallyhound-cli db init --db " + path +
               ", start the program without --db and TALLYHOUND_DB to have one made in "
               "~/.local/share/tallyhound, or name an existing one with --db.";
    if (tag == kTagReset)
        return "Nothing was removed; check that " + path +
               " can be written to and is not open in another program, then reset again.";
    return "Check that " + path + " is not open in another program and try again.";
}

bool g_blnConnectToDatabase(MainForm& form) {
    if (g_cnnDatabase) return true;
    try {
        g_cnnDatabase = openBanStore(form, databasePath());
        return true;
    } catch (const Error& e) {
        showDatabaseErrorReport(form, kTagConnect, e);
    } catch (const std::exception& e) {
        showDatabaseErrorReport(form, kTagConnect, Error(err::kDatabase, appBaseName(), e.what()));
    }
    return false;
}

void g_CloseDatabase() {
    g_cnnDatabase.reset();
}

bool m_blnGUIDExists(MainForm& form, std::string_view guid) {
    try {
        if (!g_cnnDatabase)
            throw Error(err::kObjectClosed, appBaseName() + ".Connection", "Object required");
        return g_cnnDatabase->hasBan(guid);
    } catch (const Error& e) {
        showDatabaseErrorReport(form, kTagGuidExists, e);
    }
    return false;
}

}  // namespace th
