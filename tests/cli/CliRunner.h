#pragma once
// Runs tallyhound-cli in-process and captures what it prints.

#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace th::test {

struct CliResult {
    int status;
    std::string out, err;
};

inline CliResult runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "tallyhound-cli");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    int status = cli::run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

}  // namespace th::test
