#pragma once
// The check of an option or argument that names a file: an empty name is a usage error,
// said in plain words ("--bans: the ban file's name is empty"), where it was taken for a
// file that is not there, or for none at all.

#include <CLI/CLI.hpp>
#include <string>

namespace th::cli {

// what is the thing named, as in "the ban file".
inline CLI::Validator namedBy(const std::string& what) {
    return CLI::Validator(
        [what](std::string& name) {
            return name.empty() ? what + "'s name is empty" : std::string();
        },
        "");
}

}  // namespace th::cli
