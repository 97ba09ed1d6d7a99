#pragma once
// SIGTERM and SIGINT for a program that runs until stopped: the first asks it to stop
// once the work in hand is done; a second ends it at once. While a StopSignalsHeld is
// alive (a file being replaced and its database agreeing) both wait, so that no second
// signal ever ends the program halfway through.

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
    // The status the program exits with when a second signal ends it.
    static constexpr int kExitStatus = 0;
};

// Holds SIGTERM and SIGINT back for as long as it lives (in this thread); they are
// delivered when it ends.
class StopSignalsHeld {
  public:
    StopSignalsHeld();
    ~StopSignalsHeld();
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace th
