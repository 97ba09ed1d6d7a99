#include "platform/StopSignals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iterator>

#include "platform/Error.h"

namespace th {

namespace {

std::atomic<bool> g_requested{false};
std::atomic<bool> g_finishHeldWork{false};
std::atomic<bool> g_deferSecond{false};
std::atomic<int> g_secondWaiting{0};  // the second signal, while deferred
int g_wake[2] = {-1, -1};
// SIGHUP too: a terminal closed or an ssh session lost ended follow outright, with what it
// had read and not merged neither merged nor kept.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_old[std::size(kStopSignals)];

void onStop(int signal) {
    const int saved = errno;
    if (g_requested.exchange(true)) {  // the second one
        if (!g_deferSecond) ::_exit(128 + signal);
        g_secondWaiting = signal;
        errno = saved;
        return;
    }
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_wake[1], &byte, 1);
    errno = saved;
}

sigset_t stopSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kStopSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

StopSignals::StopSignals() {
    g_requested = false;
    g_deferSecond = false;
    g_secondWaiting = 0;
    if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Error::fromErrno(errno, "pipe");
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        ::sigaction(kStopSignals[i], &action, &g_old[i]);
    const sigset_t set = stopSet();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

StopSignals::~StopSignals() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        ::sigaction(kStopSignals[i], &g_old[i], nullptr);
    char drain[64];
    while (::read(g_wake[0], drain, sizeof drain) > 0) {
    }
}

bool StopSignals::requested() {
    return g_requested;
}

int StopSignals::wakeDescriptor() {
    return g_wake[0];
}

void StopSignals::deferSecond(bool defer) {
    g_deferSecond = defer;
    if (const int signal = defer ? 0 : g_secondWaiting.exchange(0)) ::_exit(128 + signal);
}

bool StopSignals::secondDeferred() {
    return g_deferSecond;
}

bool StopSignals::secondWaiting() {
    return g_secondWaiting != 0;
}

StopSignalsHeld::StopSignalsHeld() {
    const sigset_t set = stopSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() {
    // A program that runs until stopped takes a held signal as its orderly stop, as ever.
    struct sigaction term {};
    ::sigaction(SIGTERM, nullptr, &term);
    const bool orderly = term.sa_handler == onStop;
    if (g_finishHeldWork && !orderly) return;  // they stay held until the program ends
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void StopSignalsHeld::finishHeldWork() {
    g_finishHeldWork = true;
}

}  // namespace th
