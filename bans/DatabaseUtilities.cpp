#include "bans/DatabaseUtilities.h"

#include <ctime>

#include "bans/Database.h"
#include "bans/DatedArchiveName.h"
#include "bans/Paths.h"

namespace th {

bool g_blnBackupDatabase(MainForm& form, std::string& archivePath) {
    bool result = true;
    XZipper& zip = form.xzipper1;
    try {
        // The file must not be held open while it is copied.
        g_CloseDatabase();
        const std::string database = databasePath();
        // Backups go beside the database: the application folder, unless another
        // database file was named.
        std::string folder = g_strGetFolder(database);
        archivePath =
            freeArchivePath(g_strAddBackslash(folder), std::time(nullptr), "_Vandrel.zip");

        zip.clearFiles();
        zip.resetOptions();
        zip.setArchiveName(archivePath);
        zip.setCompressionLevel(5);
        zip.setStorePaths(false);
        zip.setAppend(false);
        zip.setOverwrite(false);
        zip.addFile(database);
        zip.write();
    } catch (const std::exception&) {
        // The menu command tells the user; this routine only answers.
        result = false;
    }
    zip.clearFiles();
    return result;
}

bool g_blnResetDatabase(MainForm& form) {
    try {
        if (!g_blnConnectToDatabase(form)) return false;
        if (g_cnnDatabase) g_cnnDatabase->execute("DELETE FROM tblVandrel");
        g_CloseDatabase();
        return true;
    } catch (const Error& e) {
        showDatabaseErrorReport(form, kTagReset, e);
    } catch (const std::exception& e) {
        showDatabaseErrorReport(form, kTagReset, Error(err::kDatabase, appBaseName(), e.what()));
    }
    return false;
}

}  // namespace th
