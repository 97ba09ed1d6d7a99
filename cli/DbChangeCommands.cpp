#include "cli/DbChangeCommands.h"

#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "bans/BanFileChanges.h"
#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "cli/AbsolutePath.h"
#include "cli/DatabaseOption.h"
#include "cli/GridInputs.h"
#include "cli/NameCheck.h"
#include "cli/OutputChecks.h"
#include "platform/CountedText.h"
#include "platform/Error.h"
#include "platform/MessageBoxes.h"

namespace th::cli {

namespace {

// The ban file must be a regular file that exists: these commands change it, never make it.
bool banFileUsable(CommandContext& context, const std::string& bans) {
    struct stat st {};
    if (::stat(bans.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
    const int reason = errno;
    context.fail(S_ISDIR(st.st_mode) ? Error::fromErrno(EISDIR, bans).description()
                 : st.st_mode != 0   ? "Not a regular file: " + bans
                                     : Error::fromErrno(reason, bans).description());
    return false;
}

// Prints the change's report, or fails when it did not complete.
void finish(CommandContext& context, CommandForm& session, const BanFileChange& change,
            const std::string& bans, size_t errorsBefore) {
    if (change.completed) {
        context.out << promptForTerminal(change.report) << "\n";
        if (session.terminal.messages.errors.size() != errorsBefore)
            context.fail("errors were reported while changing " + bans);
    } else if (change.fileReplaced) {
        context.fail(bans + " was changed and the ban database was not");
    } else {
        context.fail("nothing was changed in " + bans + " or the ban database");
    }
}

}  // namespace

void addDbChangeCommands(CLI::App& db, CommandContext& context) {
    struct Options {
        std::string db, bans, note, server;
        bool ignoreMissing = false;
        std::vector<std::string> guids, others;
    };
    auto options = std::make_shared<Options>();

    CLI::App* unban = db.add_subcommand(
        "unban", "Lift bans: remove them from the ban file and the database, recording each");
    addDbOption(*unban, options->db);
    unban->add_option("--bans", options->bans, "The ban file to change (backed up first)")
        ->required()
        ->check(namedBy("the ban file"));
    addServerOption(*unban, options->server);
    unban->add_option("--note", options->note, "Why the bans are lifted, kept with each");
    unban->add_flag("--ignore-missing", options->ignoreMissing,
                    "Pass over GUIDs that have no ban instead of changing nothing");
    unban->add_option("GUID", options->guids, "The players' GUIDs (letter case ignored)")
        ->required();
    unban->callback([options, &context] {
        const std::string bans = absolutePath(options->bans);
        if (!banFileUsable(context, bans)) return;
        setDatabasePath(databaseOption(options->db));
        if (!banOutputsAreNoInputs(context, bans, databasePath(), {})) return;
        CommandForm session(context.err);
        // Every GUID is looked up before anything changes.
        try {
            std::unique_ptr<BanStore> store = openBanStore(session.form, databasePath());
            const std::vector<std::string> missing = guidsWithoutBan(*store, bans, options->guids);
            if (!missing.empty() && !options->ignoreMissing) {
                context.fail("no ban of " + namedWithLiftings(*store, missing) + " in " +
                             store->name() +
                             "; nothing was changed (--ignore-missing lifts the others)");
                return;
            }
        } catch (const std::exception& e) {
            context.fail(toError(e).description());
            return;
        }
        const size_t errorsBefore = session.terminal.messages.errors.size();
        const BanFileChange change =
            liftBans(session.form, bans, options->guids, options->note, options->server);
        finish(context, session, change, bans, errorsBefore);
        // Lifted by another program between the look above and the lifting: not all that
        // was asked was done, as when it was found so at the look.
        if (change.completed && change.notBanned > 0 && !options->ignoreMissing)
            context.fail(counted(change.notBanned, "GUID was", "GUIDs were") +
                         " no longer banned when the lifting ran (lifted meanwhile by another "
                         "program?); the note was not kept for " +
                         (change.notBanned == 1 ? "it" : "them"));
    });

    CLI::App* imports = db.add_subcommand(
        "import", "Add the bans of other ban files to the ban file and the database");
    addDbOption(*imports, options->db);
    imports->add_option("--bans", options->bans, "The ban file to change (backed up first)")
        ->required()
        ->check(namedBy("the ban file"));
    addServerOption(*imports, options->server);
    imports->add_option("OTHER", options->others, "Ban files of other servers")
        ->required()
        ->check(namedBy("a ban file"));
    imports->callback([options, &context] {
        const std::string bans = absolutePath(options->bans);
        if (!banFileUsable(context, bans)) return;
        setDatabasePath(databaseOption(options->db));
        std::vector<std::string> others;
        for (const std::string& other : options->others) others.push_back(absolutePath(other));
        if (!banOutputsAreNoInputs(context, bans, databasePath(), others)) return;
        // As merge says it.
        if (const std::string why = unusableDatabase(databasePath()); !why.empty()) {
            context.fail(why);
            return;
        }
        CommandForm session(context.err);
        const size_t errorsBefore = session.terminal.messages.errors.size();
        const BanFileChange change = importBanFiles(session.form, bans, others, options->server);
        finish(context, session, change, bans, errorsBefore);
    });
}

}  // namespace th::cli
