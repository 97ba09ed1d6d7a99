#pragma once
// How the desktop's own mechanisms fail, in the launcher's result codes: the shell
// adapters use these so that every front end reports a failure the same way.

#include <cstdint>
#include <string>

namespace th {

// The result of the desktop opener (xdg-open): whether it could be started at all and,
// if so, its exit status.
int64_t shellCodeFromOpener(bool started, int exitStatus);

// The code for a system error of starting a program (errno).
int64_t shellCodeFromErrno(int errnoValue);

// Why a program could not be started, found by looking at its file: missing file or
// folder, not allowed to run, or not a program this system can run.
int64_t shellCodeForFailedStart(const std::string& program);

}  // namespace th
