// The shared point is stored and read whole, negative coordinates included.
#include <gtest/gtest.h>

#include "SaverState.h"

TEST(SaverState, PointsKeepBothHalves) {
    const SScreenPoint points[] = {{0, 0}, {-1, 0}, {0, -1}, {-32768, 32767}, {INT32_MIN, INT32_MAX}, {1920, -5}};
    CAtomicPoint p;
    for (const SScreenPoint& q : points) {
        p.Store(q);
        SScreenPoint r = p.Load();
        EXPECT_EQ(r.X, q.X);
        EXPECT_EQ(r.Y, q.Y);
    }
}

TEST(SaverState, ResetGivesTheInitialValues) {
    SaverState.StopRequested = true;
    SaverState.LevelChangeTime = 5;
    SaverState.ExpectedCursorPos.Store(SScreenPoint{3, 4});
    SaverState.Reset();
    EXPECT_FALSE(SaverState.StopRequested.load());
    EXPECT_EQ(SaverState.LevelChangeTime.load(), 0xFFFFFFFFu);
    EXPECT_EQ(SaverState.ExpectedCursorPos.Load().X, 0);
}
