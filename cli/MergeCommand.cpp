#include "cli/MergeCommand.h"

#include <sys/stat.h>

#include <cerrno>

#include "bans/Merge.h"
#include "bans/Paths.h"
#include "cli/AbsolutePath.h"
#include "cli/GridInputs.h"
#include "cli/OutputChecks.h"
#include "cli/ScanFlags.h"
#include "platform/Error.h"
#include "scan/MainForm.h"

namespace th::cli {

void addMergeCommand(CLI::App& app, CommandContext& context) {
    struct Options {
        std::string bans, db;
        ScanOptions scan;
        std::vector<std::string> inputs;
    };
    auto options = std::make_shared<Options>();
    CLI::App* merge = app.add_subcommand(
        "merge", "Merge the violations of logs (or scan files) into a pbbans.dat");
    merge->add_option("--bans", options->bans, "The ban file to merge into (backed up first)")
        ->required();
    merge->add_option("--db", options->db,
                      kDbOptionHelp);
    addScanOptions(*merge, options->scan);
    merge
        ->add_option("INPUT", options->inputs,
                     kInputHelp)
        ->required();
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
        setDatabasePath(absolutePath(options->db));
        GridSources sources;
        try {
            sources = gatherSources(options->inputs);
        } catch (const Error& e) {
            context.fail(e.description());
            return;
        }
        std::vector<std::string> inputs = sources.files;
        if (!outputIsNoInput(context, bans, inputs)) return;
        inputs.push_back(bans);
        if (!outputIsNoInput(context, databasePath(), inputs)) return;

        CommandForm session(context.err, options->scan);
        MainForm& form = session.form;
        try {
            buildGrid(form, sources, true);
        } catch (const Error& e) {
            context.fail(e.description());
            return;
        }
        session.terminal.files.paths = {bans};

        const size_t errorsBefore = session.terminal.messages.errors.size();
        MergeOptions quiet;
        quiet.explain = quiet.offerToOpen = false;
        MergeOutcome outcome = mergeIntoBanFile(form, quiet);
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
