#pragma once
// The hourglass over a long command: an instance remembers the application-wide pointer
// as it was when made, so the command can put it back at its end.

#include <cstdint>

#include "platform/Error.h"
#include "platform/Ports.h"

namespace th {

class CCursor {
  public:
    static constexpr int32_t kComponentFailure = err::kObjectErrorBase + 17281;
    static constexpr const char* kComponentFailureText = "CCursor component failure";

    // Pointer shapes in the platform's numbering.
    static constexpr int16_t kDefault = 0;
    static constexpr int16_t kHourglass = 11;

    // Saves the current pointer shape.
    explicit CCursor(CursorPort& cursor);
    CCursor(const CCursor&) = delete;
    CCursor& operator=(const CCursor&) = delete;

    // Puts the saved pointer back only when it was not the default, so an instance made
    // while the default arrow showed leaves the pointer alone; failures are ignored.
    ~CCursor();

    // Sets the pointer; the shape must fit in 16 bits.
    void SetCursor(int32_t Cursor = kDefault);
    // Sets the pointer to the shape saved at creation.
    void RestoreCursor();

  private:
    CursorPort& cursor_;
    int32_t saved_ = kDefault;
};

// The hourglass for as long as it lives, over work on the window's own thread (a large ban
// table takes seconds), with what was just closed painted away first.
class Hourglass {
  public:
    explicit Hourglass(Ports& ports) : cursor_(ports.cursor) {
        cursor_.SetCursor(CCursor::kHourglass);
        ports.events.repaintNow();
    }
    ~Hourglass() {
        try {
            cursor_.RestoreCursor();
        } catch (const Error&) {
        }
    }

  private:
    CCursor cursor_;
};

}  // namespace th
