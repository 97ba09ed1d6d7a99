#include "cli/DbCommand.h"

#include "bans/BanStore.h"
#include "bans/DatabaseLocation.h"
#include "bans/DatabaseUtilities.h"
#include "bans/Paths.h"
#include "cli/Cli.h"
#include "cli/DatabaseOption.h"
#include "cli/DbBrowseCommands.h"
#include "cli/DbChangeCommands.h"
#include "cli/OutputChecks.h"
#include "cli/TerminalPorts.h"
#include "cli/TerminalText.h"
#include "platform/Error.h"
#include "scan/MainForm.h"

namespace th::cli {

void addDbCommand(CLI::App& app, CommandContext& context) {
    struct Options {
        std::string db;
        bool yes = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* db = app.add_subcommand(
        "db", "Make, browse, change, export, back up, reset or locate the ban database");
    db->require_subcommand(1);

    CLI::App* init = db->add_subcommand(
        "init",
        "Make a new, empty ban database: a file, or the schema in an empty PostgreSQL database");
    addDbOption(*init, options->db);
    init->callback([options, &context] {
        // Not databaseOption, which would make the user's own before init could.
        const DatabaseLocation located = locateDatabase();
        const bool own =
            options->db.empty() && located.source == DatabaseLocation::Source::UserData;
        setDatabasePath(options->db.empty() ? located.path : fullDatabaseName(options->db));
        const std::string where = databasePath();
        try {
            // The user's own is made as on first use, its folders with it; one there already
            // is refused below.
            if (!own || !prepareDatabase(located)) createBanDatabase(where);
            context.out << "Ban database made: " << terminalText(storeDisplayName(where)) << "\n";
        } catch (const Error& e) {
            context.fail("Ban database not made: " + e.description());
        }
    });

    CLI::App* backup =
        db->add_subcommand("backup", "Zip the database into a dated archive beside it");
    addDbOption(*backup, options->db);
    backup->callback([options, &context] {
        TerminalPorts terminal(context.err);
        MainForm form(terminal.ports);
        if (!useDatabase(context, options->db)) return;
        std::string archive, why;
        if (g_blnBackupDatabase(form, archive, &why)) {
            context.out << context.pathOutput(archive) << "\n";
            return;
        }
        // The reason names the file it concerns: the database or the archive (or says how a
        // PostgreSQL database is backed up).
        context.fail("Database could not be backed up: " + why);
    });

    CLI::App* path = db->add_subcommand("path", "Print which ban database is in use");
    addDbOption(*path, options->db);
    path->callback([options, &context] {
        if (!useDatabase(context, options->db)) return;
        context.out << context.pathOutput(storeDisplayName(databasePath())) << "\n";
    });

    CLI::App* reset = db->add_subcommand(
        "reset", "Empty the table of banned players (liftings, temp bans and names stay)");
    addDbOption(*reset, options->db);
    reset->add_flag("--yes", options->yes, "Confirm that every recorded ban is to be removed");
    reset->callback([options, &context] {
        if (!useDatabase(context, options->db)) return;
        const std::string shown = storeDisplayName(databasePath());
        if (!options->yes) {
            context.fail(
                "db reset removes every ban recorded in " + shown + "; give --yes to confirm",
                kExitUsage);
            return;
        }
        TerminalPorts terminal(context.err);
        MainForm form(terminal.ports);
        std::string archive, why;
        if (!backUpBeforeReset(form, archive, why)) {
            context.fail("Database not reset: " + why);
            return;
        }
        if (!archive.empty())
            context.out << "Backed up first to " << context.pathOutput(archive) << "\n";
        if (g_blnResetDatabase(form))
            context.out << "Database has been successfully reset\n";
        else
            context.fail("Database could not be reset: " + shown);
    });

    addDbBrowseCommands(*db, context);
    addDbChangeCommands(*db, context);
}

}  // namespace th::cli
