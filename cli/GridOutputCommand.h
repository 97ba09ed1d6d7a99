#pragma once
// The commands that build the arranged grid from their inputs and write it to one file.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "cli/CommandContext.h"
#include "scan/MainForm.h"

namespace th::cli {

// Adds a subcommand "name -o OUT INPUT...". The file is written even when the inputs
// hold no violations. write() throws th::Error and returns the line to report on
// standard error, to which the number of records is added. withFoldColours: the command
// takes --fold-colours, for a file that shows player names.
void addGridOutputCommand(CLI::App& app, CommandContext& context, const std::string& name,
                          const std::string& description, bool withFoldColours,
                          std::function<std::string(const FlexGrid&, const std::string&)> write);

}  // namespace th::cli
