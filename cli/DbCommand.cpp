#include "cli/DbCommand.h"

#include <filesystem>

#include "bans/DatabaseUtilities.h"
#include "bans/Paths.h"
#include "cli/AbsolutePath.h"
#include "cli/Cli.h"
#include "cli/DbBrowseCommands.h"
#include "cli/DbChangeCommands.h"
#include "cli/TerminalPorts.h"
#include "cli/TerminalText.h"
#include "scan/MainForm.h"

namespace th::cli {

void addDbCommand(CLI::App& app, CommandContext& context) {
    struct Options {
        std::string db;
        bool yes = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* db = app.add_subcommand(
        "db", "Browse, change, export, back up, reset or locate the ban database");
    db->require_subcommand(1);

    CLI::App* backup =
        db->add_subcommand("backup", "Zip the database into a dated archive beside it");
    backup->add_option("--db", options->db, kDbOptionHelp);
    backup->callback([options, &context] {
        TerminalPorts terminal(context.err);
        MainForm form(terminal.ports);
        setDatabasePath(absolutePath(options->db));
        std::string archive;
        if (g_blnBackupDatabase(form, archive)) {
            context.out << terminalText(archive) << "\n";
            return;
        }
        std::error_code ec;
        const std::string database = databasePath();
        context.fail(std::filesystem::is_regular_file(database, ec)
                         ? "Database could not be backed up: " + database + " to " + archive
                         : "Database could not be backed up: " + database + ": no such file");
    });

    CLI::App* path = db->add_subcommand("path", "Print which ban database is in use");
    path->add_option("--db", options->db, kDbOptionHelp);
    path->callback([options, &context] {
        setDatabasePath(absolutePath(options->db));
        context.out << databasePath() << "\n";
    });

    CLI::App* reset = db->add_subcommand("reset", "Empty the table of banned players");
    reset->add_option("--db", options->db, kDbOptionHelp);
    reset->add_flag("--yes", options->yes, "Confirm that every recorded ban is to be removed");
    reset->callback([options, &context] {
        setDatabasePath(absolutePath(options->db));
        if (!options->yes) {
            context.fail("db reset removes every ban recorded in " + databasePath() +
                             "; give --yes to confirm",
                         kExitUsage);
            return;
        }
        TerminalPorts terminal(context.err);
        MainForm form(terminal.ports);
        if (g_blnResetDatabase(form))
            context.out << "Database has been successfully reset\n";
        else
            context.fail("Database could not be reset: " + databasePath());
    });

    addDbBrowseCommands(*db, context);
    addDbChangeCommands(*db, context);
}

}  // namespace th::cli
