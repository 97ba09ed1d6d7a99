#pragma once
// SIGTERM, SIGINT and SIGHUP for a program that runs until stopped: the first asks it to stop
// once the work in hand is done; a second ends it at once, with 128 and the signal's
// number, as the signal would (it ended with 0, as if the stop had finished its work).
// While a StopSignalsHeld is alive (a file being replaced and its database agreeing) both
// wait, so that no second signal ever ends the program halfway through.

#include <csignal>

namespace th {

class StopSignals {
  public:
    // Installs the handlers; the previous ones come back when this ends.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether a stop was asked for.
    static bool requested();
    // A descriptor that becomes readable when a stop is asked for: wait on it with the
    // others, so a signal between two checks is never missed.
    static int wakeDescriptor();
    // While deferred, a second signal waits: it ends the program once the deferral ends.
    static void deferSecond(bool defer);
    static bool secondDeferred();  // whether it is deferred now
    // Whether a second signal came while deferred, and waits.
    static bool secondWaiting();
};

// Holds those signals back for as long as it lives (in this thread); they are
// delivered when it ends.
class StopSignalsHeld {
  public:
    StopSignalsHeld();
    ~StopSignalsHeld();
    // For a command that ends once its work is done: what it held signals for is its work
    // committed, so they stay held until it has reported that work and exited by its own
    // status. Ended after the commit, it exited as interrupted (130) with the work done
    // and unsaid. A program that runs until stopped still takes them as its orderly stop.
    static void finishHeldWork();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace th
