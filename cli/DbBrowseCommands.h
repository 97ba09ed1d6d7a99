#pragma once
// tallyhound-cli db list, show, stats and export: reading the ban database.

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

void addDbBrowseCommands(CLI::App& db, CommandContext& context);

}  // namespace th::cli
