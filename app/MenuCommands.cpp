#include "app/MenuCommands.h"

#include "app/LoadLogCommand.h"
#include "app/MainCommands.h"
#include "bans/BanStore.h"
#include "bans/DatabaseUtilities.h"
#include "bans/Paths.h"
#include "platform/CCursor.h"
#include "platform/CShell.h"
#include "platform/MessageBoxes.h"

namespace th {

namespace {

MsgResult say(MainForm& form, const std::string& text, MsgButtons buttons, MsgIcon icon,
              std::optional<MsgResult> defaultButton = std::nullopt) {
    return say(form.ports.messages, text, buttons, icon, defaultButton);
}

std::string backupAdvice(const std::string& database) {
    std::string advice = menu::kBackupAdvice;
    return advice.replace(advice.find("%s"), 2, database);
}

void resetFlow(MainForm& form, const MenuActions& actions) {
    // No is the default: Return pressed once too often must not empty the ban table.
    if (say(form, menu::kAskReset, MsgButtons::YesNo, MsgIcon::Question, MsgResult::No) !=
        MsgResult::Yes)
        return;
    // The bans go for good: zipped first, as the command line's reset zips them, and kept
    // as they are when that fails.
    std::string archive, why;
    bool backedUp = false, reset = false;
    {
        Hourglass busy(form.ports);
        backedUp = actions.backUpBeforeReset ? actions.backUpBeforeReset(form, archive, why)
                                             : backUpBeforeReset(form, archive, why);
        if (backedUp)
            reset = actions.resetDatabase ? actions.resetDatabase(form) : g_blnResetDatabase(form);
    }
    if (!backedUp) say(form, "Database not reset: " + why, MsgButtons::Ok, MsgIcon::Exclamation);
    // A failed reset has shown its report; this box says that nothing was reset.
    // Where the bans went, when they went somewhere.
    if (reset)
        say(form,
            archive.empty() ? std::string(menu::kResetDone)
                            : menu::kResetDone + std::string(kPad) + kCrLf +
                                  "The bans were zipped first to " + archive,
            MsgButtons::Ok, MsgIcon::Information);
    else
        say(form, menu::kResetFailed, MsgButtons::Ok, MsgIcon::Exclamation);
}

void backupFlow(MainForm& form, const MenuActions& actions) {
    std::string archivePath, why;
    bool backedUp = false;
    {
        Hourglass busy(form.ports);
        backedUp = actions.backupDatabase ? actions.backupDatabase(form, archivePath)
                                          : g_blnBackupDatabase(form, archivePath, &why);
    }
    if (backedUp) {
        say(form, menu::kBackupDone + archivePath, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    std::string prompt = std::string(menu::kBackupFailed) + kPad;
    if (!why.empty()) prompt += kCrLf + why + kPad;
    // A PostgreSQL database has no folder to check; the reason says what to do.
    if (!isPostgresUri(databasePath()))
        prompt = withAdvice(prompt, backupAdvice(storeDisplayName(databasePath())));
    form.ports.messages.show(prompt, MsgButtons::Ok, MsgIcon::Exclamation, kMsgTitle);
}

// The File entries press the window's buttons, as the window presses them.
void pressButton(MainForm& form, const MenuActions& actions, int16_t index) {
    if (actions.pressButton)
        actions.pressButton(index);
    else
        cmdQuelvane_Click(form, index);
}

void openWebLink(MainForm& form, const char* url) {
    CShell(form.ports.shell).OpenUrl(url);
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
        pressButton(form, actions, cmd::kLoadLog);
    } else if (toolId == "ID_LoadLogFolder...") {
        loadLogFolderCommand(form);
    } else if (toolId == "ID_GenerateHTML...") {
        pressButton(form, actions, cmd::kHtml);
    } else if (toolId == "ID_Exit") {
        pressButton(form, actions, cmd::kExit);
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
    } catch (const std::exception& e) {
        showErrorBox(form.ports.messages, menu::kMenuCommandFailed, toError(e),
                     menu::kMenuCommandAdvice);
    }
}

}  // namespace th
