#include <csignal>
#include <iostream>

#include "cli/Cli.h"
#include "cli/StandardOutput.h"
#include "platform/OpenFileLimit.h"
#include "platform/StopSignals.h"
#include "platform/TempFile.h"

int main(int argc, char** argv) {
    th::raiseOpenFileLimit();
    th::removeTempFilesOnStop();
    // Past a limit on file sizes a write fails and is said, the file left as it was; the
    // signal the kernel sends instead ended the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
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
