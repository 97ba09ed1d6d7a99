#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "platform/StopSignals.h"
#include "tests/support/ChildProcess.h"

namespace th {
namespace {

// A Ctrl+C that comes while a merge commits waits for the commit. A command then reports
// the work and exits by its own status, whatever comes after; the window is ended by it
// as before, and a program that runs until stopped takes it as its orderly stop. A second
// signal ends that at once, as the signal would (it ended with 0, as if the stop had
// finished its work); deferred, only once the deferral ends.
TEST(StopSignalsHeld, AStopThatWaitedForTheWorkEndsACommandOnlyOnceItHasSaidWhatItDid) {
    enum class Run { Ended, Finished, Orderly, Twice, Deferred };
    // How each run ends: by SIGINT or SIGTERM (128 and the signal), or with the command's
    // status or the orderly stop's.
    const std::pair<Run, int> runs[] = {{Run::Ended, 128 + SIGINT},
                                        {Run::Finished, 3},
                                        {Run::Orderly, 7},
                                        {Run::Twice, 128 + SIGTERM},
                                        {Run::Deferred, 128 + SIGTERM}};
    for (const auto& [run, expected] : runs) {
        int said[2];
        ASSERT_EQ(::pipe(said), 0);
        const int ended = test::runInChild([&] {
            ::signal(SIGINT, SIG_DFL);
            if (run == Run::Twice || run == Run::Deferred) {
                StopSignals stops;
                StopSignals::deferSecond(run == Run::Deferred);
                ::raise(SIGINT);
                ::raise(SIGTERM);
                [[maybe_unused]] const ssize_t n = ::write(said[1], "work kept", 9);
                StopSignals::deferSecond(false);
                ::_exit(9);
            }
            if (run != Run::Ended) StopSignalsHeld::finishHeldWork();
            if (run == Run::Orderly) {
                StopSignals stops;
                {
                    StopSignalsHeld held;
                    ::raise(SIGINT);
                }
                ::_exit(StopSignals::requested() ? 7 : 8);
            }
            {
                StopSignalsHeld held;
                ::raise(SIGINT);
            }
            ::raise(SIGINT);
            return 3;  // the report, then the command's own status
        });
        ::close(said[1]);
        char text[16] = {};
        EXPECT_EQ(::read(said[0], text, sizeof text), run == Run::Deferred ? 9 : 0);
        ::close(said[0]);
        EXPECT_EQ(ended, expected);
    }
}

}  // namespace
}  // namespace th
