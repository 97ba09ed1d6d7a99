#pragma once
// A request to stop long work, made from elsewhere (the window's Cancel button) and
// polled by the work at points where stopping is safe. The core knows nothing of
// threads: it only asks whether to stop.

#include <atomic>
#include <exception>

namespace th {

// Thrown by check() once a stop was requested; the work's own trap ends it quietly.
class Cancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "Stopped by the user"; }
};

class CancelToken {
  public:
    void request() { requested_.store(true, std::memory_order_relaxed); }
    void reset() { requested_.store(false, std::memory_order_relaxed); }
    bool requested() const { return requested_.load(std::memory_order_relaxed); }
    void check() const {
        if (requested()) throw Cancelled();
    }

  private:
    std::atomic<bool> requested_{false};
};

}  // namespace th
