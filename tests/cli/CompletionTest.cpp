// The shell completions and the manual page name every command and option that the
// command-line tool's own help lists, so that none is left out when one is added.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "tests/cli/CliRunner.h"
#include "tests/support/Files.h"

namespace th::test {
namespace {

// What a help text lists in one of its sections ("Subcommands:", "Options:"): each
// entry's names (an option's short and long one); help itself left out.
std::vector<std::vector<std::string>> listed(const std::string& help, const std::string& section) {
    std::vector<std::vector<std::string>> entries;
    const size_t start = help.find(section + ":\n");
    if (start == std::string::npos) return entries;
    std::istringstream lines(help.substr(start + section.size() + 2));
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        if (!line.starts_with("  ") || line[2] == ' ') continue;
        std::istringstream words(line.substr(2, line.find(' ', 2) - 2));
        std::vector<std::string> names;
        for (std::string name; std::getline(words, name, ',');) names.push_back(name);
        if (names.back() != "--help") entries.push_back(names);
    }
    return entries;
}

// The part of a completion script for one command: from the line "command)" to its
// ";;", with the script's own `local name='...'` values put in for $name.
std::string caseOf(const std::string& script, const std::string& command) {
    std::smatch found;
    if (!std::regex_search(script, found, std::regex("\n *" + command + "\\)"))) return {};
    const size_t start = static_cast<size_t>(found.position(0));
    std::string part = script.substr(start, script.find(";;", start) - start);
    static const std::regex local(R"(local (\w+)='([^']*)')");
    for (std::sregex_iterator m(script.begin(), script.end(), local), end; m != end; ++m)
        for (size_t at; (at = part.find("$" + (*m)[1].str() + " ")) != std::string::npos;)
            part.replace(at, (*m)[1].length() + 1, (*m)[2].str() + " ");
    return part;
}

// Whether text holds one of the names as a word of its own.
bool holds(const std::string& text, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (std::regex_search(text, std::regex("(^|[ '(\"])" + name + "([ \\[)'\"]|$)")))
            return true;
    return false;
}

// Whether the manual page's synopsis holds one of the names, hyphens escaped.
bool inSynopsis(const std::string& synopsis, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (synopsis.find("\\fB" + std::regex_replace(name, std::regex("-"), "\\-") + "\\fR") !=
            std::string::npos)
            return true;
    return false;
}

TEST(Completion, EveryCommandAndOptionOfTheHelpIsCompletedAndInTheManualPage) {
    const std::string bash = readBytes(dataPath("../../dist/completion/tallyhound-cli.bash"));
    const std::string zsh = readBytes(dataPath("../../dist/completion/_tallyhound-cli"));
    const std::string man = readBytes(dataPath("../../dist/man/tallyhound-cli.1"));
    const std::string bashCommands = bash.substr(0, bash.find('\n', bash.find("commands=")));
    const std::string zshCommands = zsh.substr(zsh.find("1:command:"));
    // Each command, and each of its own commands (db's), with its help.
    struct Command {
        std::string name, sub, help;
    };
    std::vector<Command> commands;
    for (const auto& command : listed(runCli({"--help"}).out, "Subcommands")) {
        const std::string name = command[0], help = runCli({name, "--help"}).out;
        EXPECT_TRUE(holds(bashCommands, command)) << name;
        EXPECT_TRUE(holds(zshCommands, command)) << name;
        const auto subs = listed(help, "Subcommands");
        if (subs.empty()) commands.push_back({name, "", help});
        for (const auto& sub : subs)
            commands.push_back({name, sub[0], runCli({name, sub[0], "--help"}).out});
    }
    for (const Command& c : commands) {
        const std::string title = "tallyhound-cli " + c.name + (c.sub.empty() ? "" : " " + c.sub);
        SCOPED_TRACE(title);
        const std::string inBash = caseOf(bash, c.name), inZsh = caseOf(zsh, c.name);
        const size_t at = man.find(".B " + title + "\n");
        ASSERT_NE(at, std::string::npos) << "no synopsis in the manual page";
        const std::string synopsis = man.substr(at, man.find(".br", at) - at);
        if (!c.sub.empty()) {
            EXPECT_TRUE(holds(inBash, {c.sub})) << "bash";
            EXPECT_TRUE(holds(inZsh, {c.sub})) << "zsh";
        }
        for (const auto& option : listed(c.help, "Options")) {
            EXPECT_TRUE(holds(inBash, option)) << option.back() << " in bash";
            EXPECT_TRUE(holds(inZsh, option)) << option.back() << " in zsh";
            EXPECT_TRUE(inSynopsis(synopsis, option)) << option.back() << " in the manual page";
        }
    }
    EXPECT_GE(commands.size(), 15u);
}

}  // namespace
}  // namespace th::test
