#pragma once
// tallyhound-cli db unban and db import: changes to the bans that rewrite the ban file.

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

void addDbChangeCommands(CLI::App& db, CommandContext& context);

}  // namespace th::cli
