#pragma once
// The menu bar's one tool-click handler and the texts its flows show. No Qt here: the
// About box, which is a window, comes in as a callback.

#include <functional>
#include <string>

#include "scan/MainForm.h"

namespace th {

namespace menu {
inline constexpr const char* kAskReset = "WARNING, all data will be lost, continue?";
inline constexpr const char* kResetDone = "Database has been successfully reset";
inline constexpr const char* kResetFailed = "Database could not be reset";
inline constexpr const char* kBackupDone = "Database has been successfully backed up to ";
inline constexpr const char* kBackupFailed = "Database could not be backed up";
// Lead sentence of the box that reports a menu command's error (a web link that
// could not be opened).
inline constexpr const char* kMenuCommandFailed = "The menu command could not be completed";
inline constexpr const char* kMenuCommandAdvice = "Open the address in your web browser yourself.";
inline constexpr const char* kBackupAdvice =
    "Check that the ban database is at %s and that its folder can be written to.";

// The web links of the Help menu.
inline constexpr const char* kProductUrl = "http://www.quelvane.net/";
inline constexpr const char* kAntiCheatMakerUrl = "http://www.evenbalance.com/";
inline constexpr const char* kMakerUrl = "http://www.oakmere.net/";
}  // namespace menu

// What the handler hands work to besides the window's own buttons: the About box, and
// stand-ins for the database routines (empty: the real g_blnResetDatabase and
// g_blnBackupDatabase).
struct MenuActions {
    std::function<void()> showAbout;
    std::function<bool(MainForm&)> resetDatabase;
    std::function<bool(MainForm&, std::string&)> backupDatabase;
    // The window's own way to press a button (empty: the click handler itself).
    std::function<void(int16_t)> pressButton = {};
    std::function<bool(MainForm&, std::string& archive, std::string& why)> backUpBeforeReset = {};
};

// Runs the tool whose ID matches toolId exactly; IDs of menu titles and unknown IDs do
// nothing. Traps no errors: a web link that cannot be opened throws th::Error.
void SSActiveToolBars1_ToolClick(MainForm& form, const std::string& toolId,
                                 const MenuActions& actions);

// The tool-click event: runs the handler and reports what it throws in an error box,
// so that a failed command never ends the program.
void runMenuTool(MainForm& form, const std::string& toolId, const MenuActions& actions);

}  // namespace th
