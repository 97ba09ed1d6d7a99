#pragma once
// --new-only: a command reads only what was appended to its logs since the last run of its
// kind that used the same ban database. Merge and follow keep one place in each log, the
// commands that only look (scan, save, html) another, so looking never hides a violation
// from the next merge. A place moves only once the run's output is written.

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "cli/GridInputs.h"
#include "scan/MainForm.h"

namespace th::cli {

struct NewOnlyOptions {
    bool newOnly = false;
    std::string db;
};

// Adds --new-only and --db to a command that only looks.
void addNewOnlyOptions(CLI::App& command, NewOnlyOptions& options);
// Adds --new-only alone, to a command that has its own --db.
void addNewOnlyFlag(CLI::App& command, bool& newOnly);

// The files a command reads: the sources' and, with --new-only, the ban database it then
// also writes, made the one in use.
std::vector<std::string> filesRead(const GridSources& sources, const NewOnlyOptions& options);

// Plans the run from the places the reader's last runs for this game server left in the
// database in use; an empty server is this host's name. Throws th::Error.
void planFromStore(MainForm& form, GridSources& sources, std::string_view reader,
                   const std::string& server = {});

// Stores where the planned run leaves the reader, in one transaction. Throws th::Error.
void storePlan(MainForm& form, const GridSources& sources, std::string_view reader,
               const std::string& server = {});

// What a failure to store the places says, after the output was written.
std::string unstoredPlanText(const std::string& why);

}  // namespace th::cli
