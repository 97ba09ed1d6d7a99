// The wait cursor: what pointer shows after each sequence a command may run.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "platform/CCursor.h"
#include "tests/support/ScriptedPorts.h"

namespace {

using th::CCursor;
using th::test::ScriptedCursor;

void expectCursorFailure(const std::function<void()>& action) {
    try {
        action();
        ADD_FAILURE() << "no error";
    } catch (const th::Error& e) {
        EXPECT_EQ(e.number(), -2147204223);
        EXPECT_EQ(e.source(), th::appBaseName() + ".CCursor");
        EXPECT_EQ(e.description(), "CCursor component failure");
    }
}

TEST(CCursor, PointerAfterEachSequence) {
    struct Case {
        int16_t atCreation;
        std::string steps;               // H hourglass, D default, O argument omitted, R restore
        std::vector<int16_t> shapesSet;  // every shape set, release included
        int16_t showing;
    } cases[] = {
        {11, "", {11}, 11},       {11, "D", {0, 11}, 11},    {0, "H", {11}, 11},
        {0, "HR", {11, 0}, 0},    {11, "O", {0, 11}, 11},    {0, "HO", {11, 0}, 0},
        {2, "HR", {11, 2, 2}, 2}, {0, "RHR", {0, 11, 0}, 0},
    };
    for (const auto& c : cases) {
        ScriptedCursor port;
        port.current = c.atCreation;
        {
            CCursor cursor(port);
            for (char step : c.steps) {
                if (step == 'H') cursor.SetCursor(CCursor::kHourglass);
                if (step == 'D') cursor.SetCursor(CCursor::kDefault);
                if (step == 'O') cursor.SetCursor();
                if (step == 'R') cursor.RestoreCursor();
            }
        }
        EXPECT_EQ(port.history, c.shapesSet) << c.atCreation << " " << c.steps;
        EXPECT_EQ(port.current, c.showing) << c.atCreation << " " << c.steps;
    }
}

// A pointer that can no longer be read or set.
struct BrokenCursor : ScriptedCursor {
    bool failRead = false, failWrite = false;
    int16_t shape() override { return failRead ? throw std::runtime_error("gone") : current; }
    void setShape(int16_t shape) override {
        ScriptedCursor::setShape(shape);
        if (failWrite) throw std::runtime_error("gone");
    }
};

TEST(CCursor, FailuresAreComponentFailuresExceptAtRelease) {
    BrokenCursor port;
    port.current = 11;  // the hourglass at creation: release restores it
    {
        CCursor cursor(port);
        for (int32_t shape : {32768, -32769}) expectCursorFailure([&] { cursor.SetCursor(shape); });
        cursor.SetCursor(32767);
        cursor.SetCursor(-32768);
        port.failWrite = true;
        expectCursorFailure([&] { cursor.SetCursor(CCursor::kHourglass); });
        expectCursorFailure([&] { cursor.RestoreCursor(); });
    }  // release tries once more and stays quiet
    EXPECT_EQ(port.history, (std::vector<int16_t>{32767, -32768, 11, 11, 11}));
    port.failRead = true;
    expectCursorFailure([&] { CCursor cursor(port); });
}

}  // namespace
