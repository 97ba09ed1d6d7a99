#pragma once

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

// db backup [--db FILE]: zips the database into a dated archive beside it and prints the
// archive's path. db reset [--db FILE] --yes: empties the table of banned players.
void addDbCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
