#include "cli/Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <new>

#include "cli/CommandContext.h"
#include "cli/DbCommand.h"
#include "cli/FollowCommand.h"
#include "cli/HtmlCommand.h"
#include "cli/MergeCommand.h"
#include "cli/SaveCommand.h"
#include "cli/ScanCommand.h"
#include "cli/TerminalText.h"

namespace th::cli {

namespace {

// CLI11's messages quote what was typed: each of their lines escaped as all the tool prints.
std::string escapedLines(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        appendTerminalText(out, std::string_view(text).substr(at, end - at));
        if (end < text.size()) out += '\n';
        at = end + 1;
    }
    return out;
}

// CLI11's words for a value given to a flag ("dry-run was given a disallowed flag
// override") said plainly.
std::string plainWords(std::string text) {
    const std::string override = " was given a disallowed flag override";
    if (const size_t at = text.find(override); at != std::string::npos) {
        const size_t line = text.rfind('\n', at);
        const size_t name = line == std::string::npos ? 0 : line + 1;
        text.replace(at, override.size(), " takes no value");
        text.insert(name, "--");
    }
    return text;
}

// An option's value left out, said as the usage error it is, where CLI11 took the next word
// for it: "--server= --dry-run" and "--server --dry-run" stored the server as "--dry-run",
// and merged for real. Only a next word that is one of the command's options counts: a
// search for a clan tag, "--=ABC=--", is a value. Empty when nothing is left out.
std::string valueLeftOut(const CLI::App& app, int argc, char** argv) {
    const CLI::App* level = &app;
    // The option a word names, with its value after '=' or not.
    const auto optionNamed = [&](std::string name) -> const CLI::Option* {
        if (name.starts_with("--")) name = name.substr(0, name.find('='));
        if (name.size() < 2 || name == "--" || name[0] != '-') return nullptr;
        if (const CLI::Option* option = level->get_option_no_throw(name)) return option;
        return app.get_option_no_throw(name);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") break;
        if (!word.starts_with('-')) {
            const auto named = level->get_subcommands(
                [&](const CLI::App* command) { return command->check_name(word); });
            if (!named.empty()) level = named.front();
            continue;
        }
        const bool isLong = word.starts_with("--");
        const size_t sign = isLong ? word.find('=') : std::string::npos;
        const std::string name = isLong ? word.substr(0, sign) : word.substr(0, 2);
        const CLI::Option* option = optionNamed(name);
        if (!option) continue;
        const bool takesValue = option->get_items_expected_min() > 0;
        if (!isLong) {
            // "-o=x.html" wrote a file named "=x.html".
            if (takesValue && word.size() > 2 && word[2] == '=')
                return name + ": write its value after a space, not after '='";
            if (word.size() > 2) continue;
        }
        if (sign != std::string::npos) {
            if (sign + 1 < word.size()) continue;
            return name + (takesValue ? ": nothing follows '='; give a value after it"
                                      : " takes no value");
        }
        // "--" is taken for the value, and the options after it are read on.
        if (takesValue && i + 1 < argc &&
            (optionNamed(argv[i + 1]) || std::string_view(argv[i + 1]) == "--"))
            return name + ": its value is missing (" + argv[i + 1] + " is the next option)";
    }
    return {};
}

// The word where a command (or a db action) is due that names none, said as such: CLI11
// says only that a command is needed. Empty when the words name one, or there is none.
std::string unknownCommand(const CLI::App& app, int argc, char** argv) {
    const CLI::App* level = &app;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        // The levels above a command have options without values only.
        if (word.starts_with('-')) {
            if (word == "--") return {};
            continue;
        }
        const auto named = level->get_subcommands(
            [&](const CLI::App* command) { return command->check_name(std::string(word)); });
        if (named.empty()) {
            const std::string path =
                level == &app ? app.get_name() : app.get_name() + " " + level->get_name();
            return "'" + std::string(word) + "' is not a" +
                   (level == &app ? " command" : "n action of " + level->get_name()) + "; see " +
                   path + " --help";
        }
        level = named.front();
        if (level->get_subcommands({}).empty()) return {};
    }
    return {};
}

}  // namespace

int run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Tallyhound: anti-cheat log scanner and ban-list tool", "tallyhound-cli"};
    app.set_version_flag("--version", std::string("tallyhound-cli ") + TALLYHOUND_VERSION);
    app.require_subcommand(1);
    // A flag takes no value: "--dry-run=off" was read as no dry run, and merged.
    app.option_defaults()->disable_flag_override();
    app.failure_message([](const CLI::App* failed, const CLI::Error& e) {
        return escapedLines(plainWords(CLI::FailureMessage::simple(failed, e)));
    });
    CommandContext context{out, err};
    addScanCommand(app, context);
    addHtmlCommand(app, context);
    addSaveCommand(app, context);
    addMergeCommand(app, context);
    addDbCommand(app, context);
    addFollowCommand(app, context);
    std::string misused = unknownCommand(app, argc, argv);
    if (misused.empty()) misused = valueLeftOut(app, argc, argv);
    if (!misused.empty()) {
        context.fail(misused, kExitUsage);
        context.outputWritten();
        return context.status;
    }
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
