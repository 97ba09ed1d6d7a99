#pragma once
// The ban database's one program-wide connection. A command that needs it connects at
// its start and closes at its end.

#include <memory>
#include <string>
#include <string_view>

#include "bans/BanStore.h"
#include "platform/Error.h"
#include "scan/MainForm.h"

namespace th {

// The one connection: none before the first connect succeeds, and closing releases it.
extern std::unique_ptr<BanStore> g_cnnDatabase;

// Opens the database that databasePath() names. False when it could not be opened; the
// error report with "{g_blnConnectToDatabase}" has then been shown, and there is no
// connection.
bool g_blnConnectToDatabase(MainForm& form);
// Closes the connection, if open, and releases it.
void g_CloseDatabase();
// Whether the database holds a ban of the GUID, letter case ignored. A failure shows the
// error report with "{m_blnGUIDExists}" and counts as not found.
bool m_blnGUIDExists(MainForm& form, std::string_view guid);

// The database routines' own report of a trapped error, naming the routine by its tag,
// with a line on what to do under it.
void showDatabaseErrorReport(MainForm& form, const std::string& tag, const Error& error);
std::string databaseAdvice(const std::string& tag, const std::string& path);

inline constexpr const char* kTagConnect = "{g_blnConnectToDatabase}";
inline constexpr const char* kTagGuidExists = "{m_blnGUIDExists}";
inline constexpr const char* kTagReset = "{g_blnResetDatabase}";

}  // namespace th
