// The state that the main thread and the player thread share during a run.
// There are no locks: each flag is a byte and each value a word with one
// setting side and one clearing side, so every field is an atomic of the
// plain field's size.
#pragma once

#include <atomic>
#include <cstdint>

// A screen point.
struct SScreenPoint {
    int32_t X;
    int32_t Y;
};

// A screen point written and read whole, so that the window procedure never
// compares the pointer with half of an old and half of a new position.
class CAtomicPoint {
public:
    CAtomicPoint() : Packed(0) {}
    void Store(SScreenPoint p) { Packed.store(Pack(p), std::memory_order_release); }
    SScreenPoint Load() const { return Unpack(Packed.load(std::memory_order_acquire)); }

private:
    static uint64_t Pack(SScreenPoint p) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(p.Y)) << 32) | static_cast<uint32_t>(p.X);
    }
    static SScreenPoint Unpack(uint64_t v) {
        return SScreenPoint{static_cast<int32_t>(static_cast<uint32_t>(v)), static_cast<int32_t>(static_cast<uint32_t>(v >> 32))};
    }
    std::atomic<uint64_t> Packed;
};

struct SSaverState {
    std::atomic<bool> MoveGameRequested{false};    // saver window sets; player moves the game, clears
    std::atomic<bool> BlankScreenActive{false};    // run or 5 s timer sets; player stops after the game
    std::atomic<bool> StopRequested{false};        // tear-down sets; the player's abort flag
    std::atomic<bool> StatisticsChanged{false};    // player sets after a game; 100 ms timer clears
    std::atomic<bool> OverlayLayoutPending{false}; // set before WM_APP; its handler clears
    std::atomic<uint32_t> LevelChangeTime{0xFFFFFFFFu};  // tick count of the next random level change
    std::atomic<bool> LevelChangeDue{false};       // 100 ms timer sets; player clears
    std::atomic<uint32_t> CurrentLevel{0};         // 0 Beginner, 1 Intermediate, 2 Expert, 3 custom
    CAtomicPoint ExpectedCursorPos;                // where the program last put the pointer
    CAtomicPoint PreviousCursorPos;                // where it put it the time before
    // The last points where the program put the pointer, newest at
    // RecentCursorNext - 1: reports of its own moves can arrive several moves late.
    static constexpr uint32_t kRecentCursorCount = 32;
    CAtomicPoint RecentCursorPos[kRecentCursorCount];
    std::atomic<uint32_t> RecentCursorNext{0};
    std::atomic<uint32_t> StartTime{0};            // tick count when the run began
    std::atomic<void*> SaverWindow{nullptr};       // window handle; target of the player's WM_APP
    std::atomic<int32_t> GameRectLeft{0};          // game window placement, screen
    std::atomic<int32_t> GameRectTop{0};
    std::atomic<int32_t> GameRectRight{0};
    std::atomic<int32_t> GameRectBottom{0};

    // Back to the initial values (a new run, or between tests).
    void Reset();
    // The program puts the pointer at p (one writing thread at a time).
    void NoteCursorPos(SScreenPoint p);
    // p is one of the points where the program last put the pointer.
    bool IsOwnCursorPos(SScreenPoint p) const;
};

// The one process-wide state.
extern SSaverState SaverState;

// The configuration of a run, backed by the registry (defaults below).
// Written only on the main thread; the player thread reads it.
struct SSaverSettings {
    std::atomic<uint32_t> SwitchToBlankScreenAfter{30};  // minutes until the blank screen
    std::atomic<bool> SwitchToBlankScreen{true};         // switch to it after that delay
    std::atomic<bool> BlankBackground{true};             // play on a black full-screen window
    std::atomic<bool> ShowStatistics{true};              // paint the overlay (black background only)
    std::atomic<uint32_t> AnimationMode{0};              // 1 fast, 2 slow, other: none
    std::atomic<uint32_t> GameMode{5};                   // 1..3 level, 4 custom, other: random
    std::atomic<uint32_t> CustomGameWidth{30};
    std::atomic<uint32_t> CustomGameHeight{16};
    std::atomic<uint32_t> CustomGameMines{99};

    // Back to the defaults.
    void Reset();
};
extern SSaverSettings SaverSettings;

// Won and lost games per level (0 Beginner, 1 Intermediate, 2 Expert).
struct SGameStatistics {
    std::atomic<uint32_t> WonThisRun[3];   // player thread increments
    std::atomic<uint32_t> LostThisRun[3];
    std::atomic<uint32_t> StoredWon[3];    // read from the registry at the start of a run
    std::atomic<uint32_t> StoredLost[3];
    // This run's counts already added to the registry (main thread only):
    // each merge adds what was counted since, so nothing is merged twice.
    uint32_t MergedWon[3];
    uint32_t MergedLost[3];

    SGameStatistics() { Reset(); }
    void Reset();
    // Per registry value (won then lost, per level): this run's count now,
    // each read once (the player may count a game meanwhile), and what it
    // has to add since the last merge. False when nothing is to be added.
    bool CountsToMerge(uint32_t now[6], uint32_t add[6]) const;
    // After a merge that wrote the values of the set bits: those hold the
    // counts up to now; the others are added again at the next merge.
    void NoteMerged(const uint32_t now[6], uint32_t written);
};
extern SGameStatistics GameStatistics;
