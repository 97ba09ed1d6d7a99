#include "cli/ScanCommand.h"

#include "bans/Paths.h"
#include "cli/AbsolutePath.h"
#include "cli/DatabaseOption.h"
#include "cli/GridInputs.h"
#include "cli/NameCheck.h"
#include "cli/NewOnly.h"
#include "cli/OutputChecks.h"
#include "cli/RowPrinter.h"
#include "cli/ScanFlags.h"
#include "platform/Error.h"
#include "scan/MainForm.h"

namespace th::cli {

void addScanCommand(CLI::App& app, CommandContext& context) {
    struct Options {
        bool raw = false, foldColours = false;
        ScanOptions scan;
        NewOnlyOptions newOnly;
        std::vector<std::string> files;
    };
    auto options = std::make_shared<Options>();
    CLI::App* scan =
        app.add_subcommand("scan", "Scan logs (or import scan files) and print the violation rows");
    scan->add_flag("--raw", options->raw,
                   "Print the rows in the order they were added, not arranged");
    addScanOptions(*scan, options->scan);
    addFoldColoursFlag(*scan, options->foldColours);
    addNewOnlyOptions(*scan, options->newOnly);
    scan->add_option("INPUT", options->files, kInputHelp)->required()->check(namedBy("an input"));
    scan->callback([options, &context] {
        CommandForm session(context.err, options->scan, options->foldColours);
        MainForm& form = session.form;
        GridSources sources;
        try {
            sources = gatherSources(options->files);
            // Standard output appended to a log (scan LOG >> LOG) put the rows in it.
            if (!outputIsNoInput(context, "-", filesRead(sources, options->newOnly))) return;
            if (options->newOnly.newOnly) planFromStore(form, sources, kLookReader);
            buildGrid(form, sources, !options->raw);
        } catch (const Error& e) {
            context.fail(e.description());
            return;
        }
        long rows = printDataRows(form.vsFlexGrid1, context.out);
        if (!context.outputWritten()) return;
        try {
            storePlan(form, sources, kLookReader);
        } catch (const Error& e) {
            context.fail(unstoredPlanText(e.description()));
        }
        if (rows == 0)
            context.note("No violations added to grid");
        else
            context.note(std::to_string(rows) + " violations found and added to grid");
    });
}

}  // namespace th::cli
