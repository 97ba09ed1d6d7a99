#pragma once

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

// db init [--db FILE|URI]: makes a new, empty database (never over an existing file or
// schema). db backup [--db FILE]: zips the database into a dated archive beside it and
// prints the archive's path. db reset [--db FILE|URI] --yes: empties the table of banned
// players.
void addDbCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
