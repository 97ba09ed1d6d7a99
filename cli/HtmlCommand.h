#pragma once

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

// html -o OUT INPUT...: writes the HTML ban list of the arranged grid.
void addHtmlCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
