#pragma once
// The options through which a command reads logs as the window's settings would. Every
// command that reads logs takes them with one call, so they all read logs alike.

#include <CLI/CLI.hpp>

#include "scan/ScanOptions.h"

namespace th::cli {

// --threads, --console-lines
void addScanOptions(CLI::App& command, ScanOptions& options);

// --fold-colours, for the commands that show or export player names.
void addFoldColoursFlag(CLI::App& command, bool& fold);

}  // namespace th::cli
