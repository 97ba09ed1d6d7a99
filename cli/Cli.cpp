#include "cli/Cli.h"

#include <CLI/CLI.hpp>

namespace th::cli {

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Tallyhound: anti-cheat log scanner and ban-list tool", "tallyhound-cli"};
    app.set_version_flag("--version", std::string("tallyhound-cli ") + TALLYHOUND_VERSION);
    app.require_subcommand(1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        out << app.help();
        return kExitOk;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "tallyhound-cli: " << e.what() << "\n" << app.help();
        return kExitUsage;
    }
    return kExitOk;
}

}  // namespace th::cli
