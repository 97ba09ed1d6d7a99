#include "cli/GridOutputCommand.h"

#include "cli/GridInputs.h"
#include "platform/Error.h"

namespace th::cli {

void addGridOutputCommand(CLI::App& app, CommandContext& context, const std::string& name,
                          const std::string& description,
                          std::function<std::string(const FlexGrid&, const std::string&)> write) {
    struct Options {
        std::string output;
        std::vector<std::string> inputs;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(name, description);
    command
        ->add_option("-o,--output", options->output, "The file to write (replaced when it exists)")
        ->required();
    command->add_option("INPUT", options->inputs, "Server logs, or scan files ending in .sf")
        ->required();
    command->callback([options, &context, write] {
        CommandForm session(context.err);
        MainForm& form = session.form;
        try {
            buildGrid(form, options->inputs, true);
            if (form.vsFlexGrid1.rows() <= 1) {
                context.err << "No violations added to grid; " << options->output
                            << " not written\n";
                return;
            }
            context.err << write(form.vsFlexGrid1, options->output) << "\n";
        } catch (const Error& e) {
            context.fail(e.description());
        }
    });
}

}  // namespace th::cli
