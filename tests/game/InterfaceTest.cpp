#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Clock.h"
#include "Minesweeper.h"

namespace {

// Records every call as text, so expectations read like the game's log.
class CRecordingGame : public CMineSweeperInterface {
public:
    CRecordingGame(uint32_t w, uint32_t h) { Width = w, Height = h; }
    std::vector<std::string> Calls;
    bool ReadBoard(CMineSweeperBoard**) override { return false; }
    bool NewGame() override { return Log("new", 0, 0); }
    bool OpenSquare(uint32_t x, uint32_t y) override { return Log("open", x, y); }
    bool FlagSquare(uint32_t x, uint32_t y) override { return Log("flag", x, y); }
    bool UnflagSquare(uint32_t x, uint32_t y) override { return Log("unflag", x, y); }
    bool MoveCursorToSquare(uint32_t x, uint32_t y) override { return Log("cursor", x, y); }

private:
    bool Log(const char* what, uint32_t x, uint32_t y) {
        Calls.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y));
        return true;
    }
};

using Strings = std::vector<std::string>;
using A = CMineSweeperInterface;

TEST(InterfaceTest, DoActionNormalisesAndPerforms) {
    struct Case {
        uint32_t x, y;
        double p;
        A::ActionType type;
        bool performed;
        Strings calls;
    } cases[] = {
        {9, 0, 1.0, A::Open, false, {}},              // outside the 9 x 9 game
        {0, 9, 1.0, A::Open, false, {}},
        {2, 3, 1.0, A::Open, true, {"open 2,3"}},
        {2, 3, 0.0, A::Open, true, {"flag 2,3"}},     // certain to be a mine
        {2, 3, 0.0, A::Flag, true, {"open 2,3"}},     // certain to be safe
        {2, 3, 0.0, A::Unflag, false, {}},
        {2, 3, 0.3, A::Flag, true, {"open 2,3"}},     // guessed flag becomes an opening
        {2, 3, 1.0, A::Flag, true, {"flag 2,3"}},
        {2, 3, 1.0, A::Unflag, true, {"unflag 2,3"}},
        {2, 3, 0.5, A::Unflag, true, {"unflag 2,3"}},
        {2, 3, 1.0, static_cast<A::ActionType>(7), true, {}},  // unknown type: nothing to call
    };
    for (const Case& c : cases) {
        CRecordingGame g(9, 9);
        EXPECT_EQ(c.performed, g.DoAction(c.x, c.y, c.p, c.type)) << c.x << "," << c.y << " p=" << c.p;
        EXPECT_EQ(c.calls, g.Calls) << c.x << "," << c.y << " p=" << c.p << " type=" << c.type;
        EXPECT_EQ(0u, g.GetActionCount());
    }
}

TEST(InterfaceTest, QueueingByThresholdAndFlags) {
    CRecordingGame g(9, 9);
    g.QueueThreshold = 2.0;  // everything queued
    EXPECT_FALSE(g.DoAction(1, 1, 1.0, A::Open));
    EXPECT_FALSE(g.DoAction(2, 3, 0.3, A::Flag));
    EXPECT_FALSE(g.DoAction(4, 4, 0.0, A::Open));
    EXPECT_TRUE(g.Calls.empty());
    ASSERT_EQ(3u, g.GetActionCount());
    uint32_t x, y;
    A::ActionType t;
    double p;
    ASSERT_TRUE(g.GetAction(1, &x, &y, &t, &p));
    EXPECT_EQ(2u, x);
    EXPECT_EQ(3u, y);
    EXPECT_EQ(A::Open, t);
    EXPECT_DOUBLE_EQ(0.7, p);
    ASSERT_TRUE(g.GetAction(2, &x, &y, &t, &p));
    EXPECT_EQ(A::Flag, t);
    EXPECT_EQ(1.0, p);
    EXPECT_TRUE(g.GetAction(0, nullptr, nullptr, nullptr, nullptr));
    x = 99;
    EXPECT_FALSE(g.GetAction(3, &x, nullptr, nullptr, nullptr));
    EXPECT_EQ(99u, x);

    // Queued moves are performed as stored and stay queued.
    EXPECT_TRUE(g.PerformAction(2));
    EXPECT_TRUE(g.PerformAction(1));
    EXPECT_FALSE(g.PerformAction(3));
    EXPECT_EQ((Strings{"flag 4,4", "open 2,3"}), g.Calls);
    EXPECT_EQ(3u, g.GetActionCount());
    g.ClearActions();
    EXPECT_EQ(0u, g.GetActionCount());

    // Only below the threshold is queued; flags by QueueFlags alone.
    g.Calls.clear();
    const uint32_t performed = g.MovesPerformed;
    g.QueueThreshold = 0.5;
    g.QueueFlags = true;
    EXPECT_TRUE(g.DoAction(0, 0, 0.5, A::Open));
    EXPECT_FALSE(g.DoAction(0, 1, 0.49, A::Open));
    EXPECT_FALSE(g.DoAction(0, 2, 1.0, A::Flag));
    EXPECT_TRUE(g.DoAction(0, 3, 1.0, A::Open));
    EXPECT_TRUE(g.DoAction(0, 4, 1.0, A::Unflag));
    EXPECT_EQ((Strings{"open 0,0", "open 0,3", "unflag 0,4"}), g.Calls);
    EXPECT_EQ(2u, g.GetActionCount());
    EXPECT_EQ(3u, g.MovesPerformed - performed) << "only the moves handed to the game count";
}

// A clock that advances only when slept on, so pauses are exact.
uint32_t g_FakeNow;
int g_FakeSleeps;
int g_AbortAfterSleeps;
std::atomic<bool>* g_Abort;
uint32_t FakeTick() { return g_FakeNow; }
void FakeSleep(uint32_t ms) {
    g_FakeNow += ms;
    if (++g_FakeSleeps == g_AbortAfterSleeps) g_Abort->store(true);
}
const SClockSource kFakeClock{FakeTick, FakeSleep};

struct FakeClockScope {
    FakeClockScope(uint32_t start, std::atomic<bool>* abort, int abortAfter) {
        g_FakeNow = start, g_FakeSleeps = 0, g_Abort = abort, g_AbortAfterSleeps = abortAfter;
        SetClockSource(&kFakeClock);
    }
    ~FakeClockScope() { SetClockSource(nullptr); }
};

TEST(InterfaceTest, PauseShowsTheSquareAndWaits) {
    std::atomic<bool> abort{false};
    struct Case { uint32_t start; int abortAfter; int expectedSleeps; } cases[] = {
        {1000, -1, 50},        // full pause
        {0xFFFFFFF0u, -1, 50}, // tick counter wraps during the pause
        {1000, 7, 7},          // abort ends it at the next test
    };
    for (const Case& c : cases) {
        abort = false;
        FakeClockScope clock(c.start, &abort, c.abortAfter);
        CRecordingGame g(9, 9);
        g.PauseAfterAction = true;
        g.PauseTime = 50;
        g.AbortFlag = &abort;
        EXPECT_TRUE(g.DoAction(5, 6, 1.0, A::Open));
        EXPECT_EQ((Strings{"open 5,6", "cursor 5,6"}), g.Calls);
        EXPECT_EQ(c.expectedSleeps, g_FakeSleeps) << c.start;
    }
    // An abort flag already set: the pause ends without sleeping; a null
    // flag is simply not watched.
    abort = true;
    {
        FakeClockScope clock(0, &abort, -1);
        CRecordingGame g(9, 9);
        g.PauseAfterAction = true;
        g.AbortFlag = &abort;
        g.QueueThreshold = 2.0;
        g.DoAction(1, 2, 1.0, A::Open);
        EXPECT_TRUE(g.PerformAction(0));
        EXPECT_EQ((Strings{"open 1,2", "cursor 1,2"}), g.Calls);
        EXPECT_EQ(0, g_FakeSleeps);
        g.AbortFlag = nullptr;
        g.PerformAction(0);
        EXPECT_EQ(10, g_FakeSleeps);  // default PauseTime
    }
}

TEST(InterfaceTest, PauseOnTheRealClockLastsAtLeastItsTime) {
    CRecordingGame g(9, 9);
    g.PauseAfterAction = true;
    g.PauseTime = 50;
    uint32_t start = TickCount();
    g.DoAction(0, 0, 1.0, A::Open);
    EXPECT_GE(TickCount() - start, 50u);
}

}  // namespace
