#include "SaverState.h"

SSaverState SaverState;
SSaverSettings SaverSettings;
SGameStatistics GameStatistics;

void SSaverState::Reset() {
    MoveGameRequested = false;
    BlankScreenActive = false;
    StopRequested = false;
    StatisticsChanged = false;
    OverlayLayoutPending = false;
    LevelChangeTime = 0xFFFFFFFFu;
    LevelChangeDue = false;
    CurrentLevel = 0;
    ExpectedCursorPos.Store(SScreenPoint{0, 0});
    PreviousCursorPos.Store(SScreenPoint{0, 0});
    for (CAtomicPoint& p : RecentCursorPos) p.Store(SScreenPoint{0, 0});
    RecentCursorNext = 0;
    StartTime = 0;
    SaverWindow = nullptr;
    GameRectLeft = 0;
    GameRectTop = 0;
    GameRectRight = 0;
    GameRectBottom = 0;
}

void SSaverState::NoteCursorPos(SScreenPoint p) {
    PreviousCursorPos.Store(ExpectedCursorPos.Load());
    ExpectedCursorPos.Store(p);
    const uint32_t next = RecentCursorNext.load(std::memory_order_relaxed);
    RecentCursorPos[next % kRecentCursorCount].Store(p);
    RecentCursorNext.store(next + 1, std::memory_order_release);
}

bool SSaverState::IsOwnCursorPos(SScreenPoint p) const {
    auto same = [&](SScreenPoint q) { return q.X == p.X && q.Y == p.Y; };
    if (same(ExpectedCursorPos.Load()) || same(PreviousCursorPos.Load())) return true;
    // Only the points written so far: the unused slots hold (0, 0).
    const uint32_t written = RecentCursorNext.load(std::memory_order_acquire);
    const uint32_t count = written < kRecentCursorCount ? written : kRecentCursorCount;
    for (uint32_t i = 0; i < count; ++i)
        if (same(RecentCursorPos[(written - 1 - i) % kRecentCursorCount].Load())) return true;
    return false;
}

void SSaverSettings::Reset() {
    SwitchToBlankScreenAfter = 30;
    SwitchToBlankScreen = true;
    BlankBackground = true;
    ShowStatistics = true;
    AnimationMode = 0;
    GameMode = 5;
    CustomGameWidth = 30;
    CustomGameHeight = 16;
    CustomGameMines = 99;
}

void SGameStatistics::Reset() {
    for (int i = 0; i < 3; ++i) {
        WonThisRun[i] = 0;
        LostThisRun[i] = 0;
        StoredWon[i] = 0;
        StoredLost[i] = 0;
        MergedWon[i] = 0;
        MergedLost[i] = 0;
    }
}

bool SGameStatistics::CountsToMerge(uint32_t now[6], uint32_t add[6]) const {
    bool any = false;
    for (int i = 0; i < 6; ++i) {
        now[i] = i % 2 ? LostThisRun[i / 2].load() : WonThisRun[i / 2].load();
        add[i] = now[i] - (i % 2 ? MergedLost[i / 2] : MergedWon[i / 2]);
        any = any || add[i] != 0;
    }
    return any;
}

void SGameStatistics::NoteMerged(const uint32_t now[6], uint32_t written) {
    for (int i = 0; i < 6; ++i)
        if (written & (1u << i)) (i % 2 ? MergedLost[i / 2] : MergedWon[i / 2]) = now[i];
}
