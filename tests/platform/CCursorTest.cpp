// The wait cursor: what pointer shows after each sequence a command may run.

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/CCursor.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

// A pointer that can stop being readable or settable.
struct BrokenCursor : test::ScriptedCursor {
    bool failRead = false, failWrite = false;
    int16_t shape() override { return failRead ? throw std::runtime_error("gone") : current; }
    void setShape(int16_t shape) override {
        ScriptedCursor::setShape(shape);
        if (failWrite) throw std::runtime_error("gone");
    }
};

TEST(CCursor, ReleasePutsBackOnlyAPointerOtherThanTheDefaultAndNeverFails) {
    const std::string failure = "Tallyhound.CCursor -2147204223: CCursor component failure";
    BrokenCursor port;  // the default arrow at creation: release leaves the pointer alone
    {
        CCursor cursor(port);
        cursor.SetCursor(CCursor::kHourglass);
    }
    port.current = 2;
    {
        CCursor cursor(port);
        for (int32_t shape : {32768, -32769})
            EXPECT_EQ(test::raised([&] { cursor.SetCursor(shape); }), failure);
        cursor.SetCursor(32767);
        cursor.SetCursor(-32768);
        cursor.SetCursor();
        cursor.RestoreCursor();
        port.failWrite = true;
        EXPECT_EQ(test::raised([&] { cursor.RestoreCursor(); }), failure);
    }  // release tries once more and stays quiet
    EXPECT_EQ(port.history, (std::vector<int16_t>{11, 32767, -32768, 0, 2, 2, 2}));
    port.failRead = true;
    EXPECT_EQ(test::raised([&] { CCursor cursor(port); }), failure);
}

}  // namespace
}  // namespace th
