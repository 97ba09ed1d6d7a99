#include "app/MenuCommands.h"

#include <new>

#include "app/MainCommands.h"
#include "bans/DatabaseUtilities.h"
#include "platform/CShell.h"
#include "platform/Error.h"

namespace th {

namespace {

// Numbers for failures that do not come as the program's own error type.
constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInternalError = 51;

MsgResult say(MainForm& form, const std::string& text, MsgButtons buttons, MsgIcon icon) {
    return form.ports.messages.show(text + kPad, buttons, icon, kMsgTitle);
}

void resetFlow(MainForm& form, const MenuActions& actions) {
    if (say(form, menu::kAskReset, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) return;
    if (actions.resetDatabase ? actions.resetDatabase(form) : g_blnResetDatabase(form))
        say(form, menu::kResetDone, MsgButtons::Ok, MsgIcon::Information);
    else
        say(form, menu::kResetFailed, MsgButtons::Ok, MsgIcon::Exclamation);
}

void backupFlow(MainForm& form, const MenuActions& actions) {
    std::string archivePath;
    if (actions.backupDatabase ? actions.backupDatabase(form, archivePath)
                               : g_blnBackupDatabase(form, archivePath))
        say(form, menu::kBackupDone + archivePath, MsgButtons::Ok, MsgIcon::Information);
    else
        say(form, menu::kBackupFailed, MsgButtons::Ok, MsgIcon::Exclamation);
}

void openWebLink(MainForm& form, const char* url) {
    CShell(form.ports.shell).OpenUrl(url);
}

void showError(MainForm& form, const std::string& description, int32_t number) {
    std::string prompt = std::string(menu::kMenuCommandFailed) + kPad + kCrLf + description + " " +
                         std::to_string(number) + kPad;
    form.ports.messages.show(prompt, MsgButtons::Ok, MsgIcon::Exclamation, kErrTitle);
}

}  // namespace

void SSActiveToolBars1_ToolClick(MainForm& form, const std::string& toolId,
                                 const MenuActions& actions) {
    if (toolId == "ID_ResetDatabase") {
        resetFlow(form, actions);
    } else if (toolId == "ID_Backup") {
        backupFlow(form, actions);
    } else if (toolId == "ID_File" || toolId == "ID_Help") {
        // Opening a menu is a click on its title: nothing to do.
    } else if (toolId == "ID_LoadLog...") {
        cmdQuelvane_Click(form, cmd::kLoadLog);
    } else if (toolId == "ID_GenerateHTML...") {
        cmdQuelvane_Click(form, cmd::kHtml);
    } else if (toolId == "ID_Exit") {
        cmdQuelvane_Click(form, cmd::kExit);
    } else if (toolId == "ID_About") {
        if (actions.showAbout) actions.showAbout();
    } else if (toolId == "ID_Quelvane") {
        openWebLink(form, menu::kProductUrl);
    } else if (toolId == "ID_Punkbuster") {
        openWebLink(form, menu::kAntiCheatMakerUrl);
    } else if (toolId == "ID_Oakmere") {
        openWebLink(form, menu::kMakerUrl);
    }
}

void runMenuTool(MainForm& form, const std::string& toolId, const MenuActions& actions) {
    try {
        SSActiveToolBars1_ToolClick(form, toolId, actions);
    } catch (const Error& e) {
        showError(form, e.description(), e.number());
    } catch (const std::bad_alloc&) {
        showError(form, "Out of memory", kOutOfMemory);
    } catch (const std::exception& e) {
        showError(form, e.what(), kInternalError);
    }
}

}  // namespace th
