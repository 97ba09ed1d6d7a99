#pragma once

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

// save -o OUT INPUT...: writes a scan file of the arranged grid.
void addSaveCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
