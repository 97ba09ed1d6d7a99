#pragma once

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

// merge --bans FILE [--db FILE] INPUT...: builds the grid from the inputs and merges it
// into the ban file as the window's Merge does, without its explanation and question.
void addMergeCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
