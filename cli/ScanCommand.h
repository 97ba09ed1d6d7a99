#pragma once

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

// scan [--raw] FILE...: prints the grid's data rows.
void addScanCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
