#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "platform/StopSignals.h"

namespace th {
namespace {

// A Ctrl+C that comes while a merge commits waits for the commit. A command then reports
// the work and exits by its own status, whatever comes after; the window is ended by it
// as before, and a program that runs until stopped takes it as its orderly stop. A second
// signal ends that at once, as the signal would (it ended with 0, as if the stop had
// finished its work); deferred, only once the deferral ends.
TEST(StopSignalsHeld, AStopThatWaitedForTheWorkEndsACommandOnlyOnceItHasSaidWhatItDid) {
    enum class Run { Ended, Finished, Orderly, Twice, Deferred };
    for (const Run run : {Run::Ended, Run::Finished, Run::Orderly, Run::Twice, Run::Deferred}) {
        int said[2];
        ASSERT_EQ(::pipe(said), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
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
            ::_exit(3);  // the report, then the command's own status
        }
        ::close(said[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        char text[16] = {};
        EXPECT_EQ(::read(said[0], text, sizeof text), run == Run::Deferred ? 9 : 0);
        ::close(said[0]);
        // Ended by SIGINT (shown as 128 and the signal), or exited with the command's status
        // or the orderly stop's.
        const int ended = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        const int expected = run == Run::Ended      ? 128 + SIGINT
                             : run == Run::Finished ? 3
                             : run == Run::Orderly  ? 7
                                                    : 128 + SIGTERM;  // Twice, Deferred
        EXPECT_EQ(ended, expected);
    }
}

}  // namespace
}  // namespace th
