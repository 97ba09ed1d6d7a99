#include "platform/StopSignals.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/Error.h"

namespace th {

namespace {

std::atomic<bool> g_requested{false};
std::atomic<bool> g_finishHeldWork{false};
std::atomic<bool> g_deferSecond{false};
std::atomic<int> g_secondWaiting{0};  // the second signal, while deferred
int g_wake[2] = {-1, -1};
struct sigaction g_oldTerm, g_oldInt;

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
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
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
    ::sigaction(SIGTERM, &action, &g_oldTerm);
    ::sigaction(SIGINT, &action, &g_oldInt);
    const sigset_t set = stopSet();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    ::sigaction(SIGINT, &g_oldInt, nullptr);
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

StopSignalsHeld::StopSignalsHeld() {
    const sigset_t set = stopSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() {
    // A program that runs until stopped takes a held signal as its orderly stop, as ever.
    struct sigaction term {};
    struct sigaction interrupt {};
    ::sigaction(SIGTERM, nullptr, &term);
    ::sigaction(SIGINT, nullptr, &interrupt);
    const bool orderly = term.sa_handler == onStop || interrupt.sa_handler == onStop;
    if (g_finishHeldWork && !orderly) return;  // they stay held until the program ends
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void StopSignalsHeld::finishHeldWork() {
    g_finishHeldWork = true;
}

}  // namespace th
