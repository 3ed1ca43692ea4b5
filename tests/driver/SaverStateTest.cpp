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

// The program's own pointer points are recognised for the last 32 moves,
// across the ring's wrap, and no older one or a point never set is.
TEST(SaverState, OwnCursorPointsRememberedForTheLastMoves) {
    SaverState.Reset();
    EXPECT_FALSE(SaverState.IsOwnCursorPos(SScreenPoint{5, 5}));
    const uint32_t n = SSaverState::kRecentCursorCount;
    for (uint32_t i = 0; i < n + 10; ++i) SaverState.NoteCursorPos(SScreenPoint{static_cast<int32_t>(100 + i), 7});
    const struct {
        int32_t X;
        bool Own;
    } cases[] = {{100 + static_cast<int32_t>(n + 9), true},  // the last
                 {100 + 10, true},                            // the oldest still kept
                 {100 + 9, false},                            // one older
                 {100, false},
                 {99, false}};
    for (const auto& c : cases) EXPECT_EQ(SaverState.IsOwnCursorPos(SScreenPoint{c.X, 7}), c.Own) << c.X;
    EXPECT_EQ(SaverState.PreviousCursorPos.Load().X, 100 + static_cast<int32_t>(n + 8));
    SaverState.Reset();
}

// The merge's bookkeeping value by value: a value the registry refused is
// added again at the next merge, one that was written only with what came
// after it. Values in registry order: won, lost per level.
TEST(SaverState, MergeTriesARefusedValueAgainAndAWrittenOneNot) {
    SGameStatistics g;
    uint32_t now[6], add[6];
    EXPECT_FALSE(g.CountsToMerge(now, add)) << "nothing counted";
    g.WonThisRun[0] = 3;
    g.LostThisRun[1] = 2;
    struct {
        const char* What;
        uint32_t WonBeginner;  // counted so far
        uint32_t Written;      // bits of the values the merge wrote
        uint32_t Add[6];       // what the merge had to add
    } steps[] = {
        {"first merge: BeginnerWonGames written, IntermediateLostGames refused", 3, 0x01, {3, 0, 0, 2, 0, 0}},
        {"one more won: the refused value again", 4, 0x09, {1, 0, 0, 2, 0, 0}},
        {"everything written", 4, 0x3F, {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& s : steps) {
        g.WonThisRun[0] = s.WonBeginner;
        const bool any = g.CountsToMerge(now, add);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(add[i], s.Add[i]) << s.What << ", value " << i;
        EXPECT_EQ(any, s.Add[0] + s.Add[3] > 0) << s.What;
        g.NoteMerged(now, s.Written);
    }
}
