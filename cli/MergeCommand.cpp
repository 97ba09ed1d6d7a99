#include "cli/MergeCommand.h"

#include <sys/stat.h>

#include <cerrno>

#include "bans/BanStore.h"
#include "bans/DatabaseLocation.h"
#include "bans/Merge.h"
#include "bans/Paths.h"
#include "bans/ServerName.h"
#include "cli/AbsolutePath.h"
#include "cli/BanLines.h"
#include "cli/DatabaseOption.h"
#include "cli/GridInputs.h"
#include "cli/NameCheck.h"
#include "cli/NewOnly.h"
#include "cli/OutputChecks.h"
#include "cli/ScanFlags.h"
#include "platform/CountedText.h"
#include "platform/Error.h"
#include "scan/MainForm.h"

namespace th::cli {

namespace {

// The bans listed are those new to the database; the file is written again from the
// database, so it also gains the bans stored already that it lacks, and loses the lines of
// bans lifted.
std::string previewText(const MergePreview& preview, const std::string& bans) {
    std::string text = counted(static_cast<int64_t>(preview.added.size()), "ban", "bans") +
                       " would be added to " + bans;
    if (preview.fromStore > 0)
        text += ", and " + counted(preview.fromStore, "ban", "bans") +
                " the database holds that it lacks";
    if (preview.liftedLines > 0)
        text += "; " +
                counted(preview.liftedLines, "line of a lifted ban", "lines of lifted bans") +
                " would be taken out of it";
    if (preview.toStore > 0)
        text += "; the database would gain " + counted(preview.toStore, "ban", "bans") + " from it";
    if (preview.liftedRows > 0)
        text +=
            "; " +
            counted(preview.liftedRows, "violation of a lifted ban", "violations of lifted bans") +
            " would be skipped";
    return text + "; nothing was changed";
}

}  // namespace

void addMergeCommand(CLI::App& app, CommandContext& context) {
    struct Options {
        std::string bans, db, server;
        ScanOptions scan;
        bool newOnly = false, dryRun = false;
        std::vector<std::string> inputs;
    };
    auto options = std::make_shared<Options>();
    CLI::App* merge = app.add_subcommand(
        "merge", "Merge the violations of logs (or scan files) into a pbbans.dat");
    merge->add_option("--bans", options->bans, "The ban file to merge into (backed up first)")
        ->required()
        ->check(namedBy("the ban file"));
    addDbOption(*merge, options->db);
    addServerOption(*merge, options->server);
    addScanOptions(*merge, options->scan);
    addNewOnlyFlag(*merge, options->newOnly);
    merge->add_flag("--dry-run", options->dryRun,
                    "Print the bans the merge would add, and change nothing");
    merge->add_option("INPUT", options->inputs, kInputHelp)->required()->check(namedBy("an input"));
    merge->callback([options, &context] {
        // The merge takes the ban file as the file dialog hands it over: a full path.
        const std::string bans = absolutePath(options->bans);
        struct stat st {};
        if (::stat(bans.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            const int reason = errno;
            context.fail(S_ISDIR(st.st_mode) ? Error::fromErrno(EISDIR, bans).description()
                         : st.st_mode != 0   ? "Not a regular file: " + bans
                                             : Error::fromErrno(reason, bans).description());
            return;
        }
        setDatabasePath(databaseOption(options->db));
        std::optional<GridSources> gathered = gatherSources(context, options->inputs);
        if (!gathered) return;
        GridSources& sources = *gathered;
        if (!banOutputsAreNoInputs(context, bans, databasePath(), sources.files)) return;
        // As a dry run says it.
        if (const std::string why = unusableDatabase(databasePath()); !why.empty()) {
            context.fail(why);
            return;
        }

        CommandForm session(context.err, options->scan);
        MainForm& form = session.form;
        try {
            // A dry run opens the database as it is: one of an older version is refused,
            // not upgraded.
            std::unique_ptr<BanStore> looked;
            if (options->dryRun) looked = openBanStore(form, databasePath(), StoreOpening::AsItIs);
            if (options->newOnly) planFromStore(form, sources, kMergeReader, options->server);
            buildGrid(form, sources, true);
            const bool nothingNew = sources.plan && form.vsFlexGrid1.rows() < 2;
            // A dry run says what the merge would do: it promised what a merge of the whole
            // ban file changes (liftings, the server's own bans), which this one does not.
            if (options->dryRun && nothingNew) {
                context.note("No new violations in the logs; the merge would leave " + bans +
                             " unchanged; nothing was changed");
                return;
            }
            if (options->dryRun) {
                const MergePreview preview = previewMerge(form, *looked, bans);
                for (const NewBan& ban : preview.added) context.out << banLine(ban) << "\n";
                if (!context.outputWritten()) return;
                context.note(previewText(preview, bans));
                return;
            }
            if (nothingNew) {
                // Nothing new in the logs: the ban file is left alone, the places move on.
                storePlan(form, sources, kMergeReader, options->server);
                context.note("No new violations in the logs; " + bans + " is unchanged");
                return;
            }
        } catch (const Error& e) {
            context.fail(e.description());
            return;
        }
        session.terminal.files.paths = {bans};

        const size_t errorsBefore = session.terminal.messages.errors.size();
        MergeOptions quiet;
        quiet.explain = quiet.offerToOpen = false;
        quiet.server = options->server;
        if (sources.plan) {
            // Where the logs were left moves with the bans, in their transaction.
            quiet.beforeCommit = [&sources, server = serverName(options->server)](BanStore& store) {
                store.putLogPositions(server, kMergeReader, sources.plan->positions,
                                      sources.plan->gone);
            };
        }
        MergeOutcome outcome = mergeIntoBanFile(form, quiet);
        if (outcome.noRecords) {
            // A quiet new server: no ban anywhere yet is nothing gone wrong, and the lines
            // read (violations of no player) need no reading again.
            try {
                storePlan(form, sources, kMergeReader, options->server);
            } catch (const std::exception& e) {
                context.fail(unstoredPlanText(e.what()));
                return;
            }
            // Violations of lifted bans only are no bans either, and said so.
            context.note(outcome.liftedSkipped > 0
                             ? "No bans in " + bans +
                                   " or the database: the logs' violations are all of lifted "
                                   "bans (" +
                                   std::to_string(outcome.liftedSkipped) + " skipped); " + bans +
                                   " is unchanged"
                             : "No bans in " + bans + ", the database or the logs yet; " + bans +
                                   " is unchanged");
            return;
        }
        if (outcome.completed) context.out << promptForTerminal(outcome.report) << "\n";
        if (!outcome.completed && outcome.fileReplaced)
            context.fail("the merge into " + bans +
                         " did not complete; the file holds the merged bans, the database not yet");
        else if (!outcome.completed)
            context.fail("the merge into " + bans + " did not complete; the file is unchanged");
        else if (session.terminal.messages.errors.size() != errorsBefore)
            context.fail("errors were reported while merging into " + bans);
    });
}

}  // namespace th::cli
