#pragma once
// The progress bar of long work on the ban file and database, which is also where that work
// stops when asked to: nothing is written before the progress ends.

#include <cstdint>

#include "scan/MainForm.h"

namespace th {

// Moves the progress bar, repainting only when the shown fraction has changed enough to see.
class WorkProgress {
  public:
    explicit WorkProgress(MainForm& form) : form_(form) {}
    void start(int64_t maximum) {
        form_.prgScanning.setValue(0);
        form_.prgScanning.setMaximum(maximum);
        step_ = maximum / 200 > 0 ? maximum / 200 : 1;
        next_ = 0;
    }
    void set(int64_t value) {
        form_.cancel.check();
        if (value < next_ && value != form_.prgScanning.maximum()) return;
        form_.prgScanning.setValue(value);
        form_.ports.events.repaintNow();
        next_ = value + step_;
    }

  private:
    MainForm& form_;
    int64_t step_ = 1, next_ = 0;
};

}  // namespace th
