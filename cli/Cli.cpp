#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <new>

#include "cli/CommandContext.h"
#include "cli/DbCommand.h"
#include "cli/FollowCommand.h"
#include "cli/HtmlCommand.h"
#include "cli/MergeCommand.h"
#include "cli/SaveCommand.h"
#include "cli/ScanCommand.h"

namespace th::cli {

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Tallyhound: anti-cheat log scanner and ban-list tool", "tallyhound-cli"};
    app.set_version_flag("--version", std::string("tallyhound-cli ") + TALLYHOUND_VERSION);
    app.require_subcommand(1);
    CommandContext context{out, err};
    addScanCommand(app, context);
    addHtmlCommand(app, context);
    addSaveCommand(app, context);
    addMergeCommand(app, context);
    addDbCommand(app, context);
    addFollowCommand(app, context);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version are "errors" that end well; anything else is a usage error.
        const int status = app.exit(e, out, err) == 0 ? kExitOk : kExitUsage;
        return context.outputWritten() ? status : kExitRunTime;
    } catch (const std::bad_alloc&) {
        // The command's files are left as they were: a file is only replaced once whole.
        context.fail("Out of memory");
    } catch (const std::exception& e) {
        // What a command did not expect (a database missing a table a hand has dropped)
        // still ends as a failure that says why, never as an abort.
        context.fail(e.what());
    }
    context.outputWritten();
    return context.status;
}

}  // namespace th::cli
