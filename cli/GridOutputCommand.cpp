#include "cli/GridOutputCommand.h"

#include "bans/BanStore.h"
#include "bans/Paths.h"
#include "cli/AbsolutePath.h"
#include "cli/DatabaseOption.h"
#include "cli/GridInputs.h"
#include "cli/NameCheck.h"
#include "cli/NewOnly.h"
#include "cli/OutputChecks.h"
#include "cli/ScanFlags.h"
#include "platform/Error.h"

namespace th::cli {

void addGridOutputCommand(CLI::App& app, CommandContext& context, const std::string& name,
                          const std::string& description, bool withFoldColours,
                          std::function<std::string(const FlexGrid&, const std::string&)> write) {
    struct Options {
        std::string output;
        ScanOptions scan;
        bool foldColours = false;
        NewOnlyOptions newOnly;
        std::vector<std::string> inputs;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(name, description);
    command
        ->add_option("-o,--output", options->output,
                     "The file to write (replaced when it exists), a pipe, or - for standard "
                     "output")
        ->required()
        ->check(namedBy("the output"));
    addScanOptions(*command, options->scan);
    if (withFoldColours) addFoldColoursFlag(*command, options->foldColours);
    addNewOnlyOptions(*command, options->newOnly);
    command->add_option("INPUT", options->inputs, kInputHelp)
        ->required()
        ->check(namedBy("an input"));
    command->callback([options, &context, write] {
        if (!outputAllowed(context, options->output)) return;
        std::optional<GridSources> gathered = gatherSources(context, options->inputs);
        if (!gathered) return;
        GridSources& sources = *gathered;
        if (!outputIsNoInput(context, options->output, filesRead(sources, options->newOnly)))
            return;
        CommandForm session(context.err, options->scan, options->foldColours);
        MainForm& form = session.form;
        try {
            if (options->newOnly.newOnly) {
                planFromStore(form, sources, kLookReader);
            }
            buildGrid(form, sources, true);
            // With no rows the file is written all the same: an empty list is an answer,
            // and an old file of that name must not pass for it.
            const FlexGrid& grid = form.vsFlexGrid1;
            int64_t records = 0;
            for (int32_t r = 1; r < grid.rows(); ++r) records += grid.isSubtotal(r) ? 0 : 1;
            context.note(write(grid, options->output) + ", " + std::to_string(records) +
                         " records");
            try {
                storePlan(form, sources, kLookReader);
            } catch (const Error& e) {
                context.fail(unstoredPlanText(e.description()));
            }
        } catch (const Error& e) {
            context.fail(e.description(),
                         e.number() == err::kRefusedPath ? kExitUsage : kExitRunTime);
        }
    });
}

}  // namespace th::cli
