// The wait cursor: what pointer shows after each sequence a command may run.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
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
    enum Step { SetHourglass, SetDefault, SetOmitted, Restore };
    struct Case {
        const char* name;
        int16_t atCreation;
        std::vector<Step> steps;
        std::vector<int16_t> shapesSet;  // every shape set, release included
        int16_t showing;
    } cases[] = {
        {"hourglass at creation, released", 11, {}, {11}, 11},
        {"hourglass at creation, arrow set, released", 11, {SetDefault}, {0, 11}, 11},
        {"arrow at creation, hourglass, released", 0, {SetHourglass}, {11}, 11},
        {"arrow at creation, hourglass, restored", 0, {SetHourglass, Restore}, {11, 0}, 0},
        {"argument omitted", 11, {SetOmitted}, {0, 11}, 11},
        {"argument omitted, arrow at creation", 0, {SetHourglass, SetOmitted}, {11, 0}, 0},
        {"other shape saved", 2, {SetHourglass, Restore}, {11, 2, 2}, 2},
        {"restored twice", 0, {Restore, SetHourglass, Restore}, {0, 11, 0}, 0},
    };
    for (const auto& c : cases) {
        ScriptedCursor port;
        port.current = c.atCreation;
        {
            CCursor cursor(port);
            for (Step step : c.steps) {
                switch (step) {
                    case SetHourglass:
                        cursor.SetCursor(CCursor::kHourglass);
                        break;
                    case SetDefault:
                        cursor.SetCursor(CCursor::kDefault);
                        break;
                    case SetOmitted:
                        cursor.SetCursor();
                        break;
                    case Restore:
                        cursor.RestoreCursor();
                        break;
                }
            }
        }
        EXPECT_EQ(port.history, c.shapesSet) << c.name;
        EXPECT_EQ(port.current, c.showing) << c.name;
    }
}

TEST(CCursor, ShapeMustFitSixteenBits) {
    struct Case {
        int32_t shape;
        std::optional<int16_t> set;
    } cases[] = {
        {40000, std::nullopt}, {32768, std::nullopt}, {-32769, std::nullopt},
        {32767, 32767},        {-32768, -32768},      {11, 11},
    };
    for (const auto& c : cases) {
        ScriptedCursor port;
        CCursor cursor(port);
        if (c.set) {
            cursor.SetCursor(c.shape);
            EXPECT_EQ(port.current, *c.set) << c.shape;
        } else {
            expectCursorFailure([&] { cursor.SetCursor(c.shape); });
            EXPECT_TRUE(port.history.empty()) << c.shape;
        }
    }
}

// A pointer that can no longer be read or set.
class BrokenCursor : public th::CursorPort {
  public:
    bool failRead = false;
    bool failWrite = false;
    int writes = 0;
    int16_t shape() override {
        if (failRead) throw std::runtime_error("no pointer");
        return 11;
    }
    void setShape(int16_t) override {
        ++writes;
        if (failWrite) throw std::runtime_error("no pointer");
    }
};

TEST(CCursor, PortFailuresAreComponentFailuresExceptAtRelease) {
    BrokenCursor unreadable;
    unreadable.failRead = true;
    expectCursorFailure([&] { CCursor cursor(unreadable); });

    BrokenCursor unwritable;
    {
        CCursor cursor(unwritable);
        unwritable.failWrite = true;
        expectCursorFailure([&] { cursor.SetCursor(CCursor::kHourglass); });
        expectCursorFailure([&] { cursor.RestoreCursor(); });
    }  // release tries once more and stays quiet
    EXPECT_EQ(unwritable.writes, 3);
}

}  // namespace
