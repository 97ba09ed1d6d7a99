#include "platform/CCursor.h"

#include <limits>

namespace th {

namespace {

Error componentFailure() {
    return Error(CCursor::kComponentFailure, appBaseName() + ".CCursor",
                 CCursor::kComponentFailureText);
}

}  // namespace

CCursor::CCursor(CursorPort& cursor) : cursor_(cursor) {
    try {
        saved_ = cursor_.shape();
    } catch (...) {
        throw componentFailure();
    }
}

CCursor::~CCursor() {
    if (saved_ == kDefault) return;
    try {
        RestoreCursor();
    } catch (...) {  // nothing to tell at release; the pointer stays as it is
    }
}

void CCursor::SetCursor(int32_t Cursor) {
    if (Cursor < std::numeric_limits<int16_t>::min() ||
        Cursor > std::numeric_limits<int16_t>::max()) {
        throw componentFailure();
    }
    try {
        cursor_.setShape(static_cast<int16_t>(Cursor));
    } catch (...) {
        throw componentFailure();
    }
}

void CCursor::RestoreCursor() {
    SetCursor(saved_);
}

}  // namespace th
