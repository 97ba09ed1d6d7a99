#pragma once
// The window's command line: --db DB (or --db=DB), --help and --version. Qt takes its own
// options (-platform, -style, ...) out of the arguments before the rest are read here.

#include <string>
#include <vector>

namespace th {

struct WindowArguments {
    std::string db;
    bool help = false, version = false;
    std::string wrong;  // what is wrong with the first word that is none of these, escaped
};

// The words after the program's name.
WindowArguments windowArguments(const std::vector<std::string>& words);

// What --help prints.
std::string windowUsage();

}  // namespace th
