#pragma once
// Checks made on an output before any work: nothing is scanned for an output that will be
// refused. Each reports through the context with exit status 2 and returns false.

#include <string>
#include <vector>

#include "cli/CommandContext.h"

namespace th::cli {

// The output must lead to a file, a pipe, a terminal or /dev/null (see platform/OutputFile).
bool outputAllowed(CommandContext& context, const std::string& output);

// A file that is replaced must not be one of the inputs, under any name or link: that
// would turn a log into a page or a ban list into a scan file.
bool outputIsNoInput(CommandContext& context, const std::string& output,
                     const std::vector<std::string>& inputs);

// A merge's two outputs, the ban file and the ban database (a PostgreSQL server is no
// file), are none of its inputs and not each other, and standard output is none of them.
bool banOutputsAreNoInputs(CommandContext& context, const std::string& bans,
                           const std::string& database, std::vector<std::string> inputs);

// Makes the database --db names the one in use; false, said through the context, when
// standard output is that very file (db path >> Vandrel.mdb wrote into it).
bool useDatabase(CommandContext& context, const std::string& db);

}  // namespace th::cli
