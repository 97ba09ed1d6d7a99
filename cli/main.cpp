#include <iostream>

#include "cli/Cli.h"
#include "cli/StandardOutput.h"
#include "platform/FileSizeLimit.h"
#include "platform/OpenFileLimit.h"
#include "platform/StopSignals.h"
#include "platform/TempFile.h"

int main(int argc, char** argv) {
    th::raiseOpenFileLimit();
    th::removeTempFilesOnStop();
    th::failWritesPastFileSizeLimit();
    th::StopSignalsHeld::finishHeldWork();
    // Standard output through a buffer of the tool's own, which keeps why a write failed;
    // standard error through one too, so that on a terminal both are shown by one rule.
    th::cli::StandardOutput standardOutput(1), standardError(2);
    std::streambuf* const stdio = std::cout.rdbuf(&standardOutput);
    std::streambuf* const stderrio = std::cerr.rdbuf(&standardError);
    const int status = th::cli::run(argc, argv, std::cout, std::cerr);  // flushes its output
    std::cout.rdbuf(stdio);
    std::cerr.rdbuf(stderrio);
    return status;
}
