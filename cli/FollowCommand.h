#pragma once
// tallyhound-cli follow: runs until stopped, merging the violations appended to logs into
// a ban file within seconds of their being written.

#include <CLI/CLI.hpp>

#include "cli/CommandContext.h"

namespace th::cli {

void addFollowCommand(CLI::App& app, CommandContext& context);

}  // namespace th::cli
