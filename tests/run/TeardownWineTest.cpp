// The run's tear-down against a player thread that outlasts the first wait:
// the screen is given back after that wait, and a game the player counts
// later still reaches the registry, once. The periodic merges before it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "PlayerSupport.h"
#include "RunSaver.h"
#include "Saver.h"
#include "SaverState.h"
#include "StandinSupport.h"
#include "WinTestSupport.h"

namespace {

// Finishes a game well after the stop request (a slow game hand-back), then
// counts it; an optional second delay keeps it running past the grace time.
DWORD WINAPI SlowPlayer(LPVOID delayMs) {
    while (!SaverState.StopRequested) Sleep(1);
    Sleep(static_cast<DWORD>(reinterpret_cast<uintptr_t>(delayMs)));
    GameStatistics.WonThisRun[1] = GameStatistics.WonThisRun[1] + 1;
    GameStatistics.LostThisRun[2] = GameStatistics.LostThisRun[2] + 1;
    return 0;
}

// A counter's value; kAbsent when there is none.
constexpr DWORD kAbsent = 0xFFFFFFFF;
DWORD Counter(const char* name) {
    DWORD v = kAbsent;
    wintest::RegGetDword("Software\\VelkorScreenSaver", name, &v);
    return v;
}

TEST(Teardown, LateCountMergedOnceAndScreenGivenBackFirst) {
    struct {
        DWORD DelayMs;   // after the stop request
        bool Releases;   // with the library and window released before the thread ends
    } cases[] = {{0, false}, {kPlayerStopWaitMs + 1500, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.DelayMs);
        playertest::ResetShared();
        GameStatistics.WonThisRun[0] = 3;
        wintest::RegDeleteTree("Software\\VelkorScreenSaver");
        wintest::RegSetDword("Software\\VelkorScreenSaver", "IntermediateWonGames", 10);
        HANDLE thread = CreateThread(nullptr, 0, SlowPlayer, reinterpret_cast<LPVOID>(uintptr_t{c.DelayMs}), 0, nullptr);
        ASSERT_TRUE(thread);
        HANDLE watch;
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &watch, SYNCHRONIZE, FALSE, 0));
        const DWORD start = GetTickCount();
        bool threadRunningAtRelease = false;
        DWORD releasedAfter = 0;
        const bool ended = StopPlayerAndMerge(thread, [&] {
            releasedAfter = GetTickCount() - start;
            threadRunningAtRelease = WaitForSingleObject(watch, 0) == WAIT_TIMEOUT;
        });
        EXPECT_TRUE(ended);
        EXPECT_EQ(threadRunningAtRelease, c.Releases);
        if (c.Releases) {
            EXPECT_LT(releasedAfter, kPlayerStopWaitMs + 1000) << "screen given back after the first wait";
        }
        const struct { const char* Name; DWORD Want; } values[] = {
            {"BeginnerWonGames", 3}, {"IntermediateWonGames", 11}, {"ExpertLostGames", 1},
            {"BeginnerLostGames", kAbsent}};  // nothing to add: not written
        for (const auto& v : values) EXPECT_EQ(Counter(v.Name), v.Want) << v.Name;
        CloseHandle(watch);
    }
}

// Periodic merges add only what was counted since the last one, to the
// values read afresh (a reset meanwhile is kept); none writes when nothing is
// new; the end of the run merges the rest.
TEST(Teardown, PeriodicMergesAddOnlyWhatIsNew) {
    const char* key = "Software\\VelkorScreenSaver";
    playertest::ResetShared();
    wintest::RegDeleteTree(key);
    wintest::RegSetDword(key, "IntermediateWonGames", 10);
    constexpr DWORD kKeep = 0xFFFF;
    struct {
        uint32_t Won;       // IntermediateWonGames counted this run so far
        DWORD SetBefore;    // a reset before the merge: kKeep none, kAbsent the key removed
        DWORD Want;
    } steps[] = {{2, kKeep, 12}, {2, kAbsent, kAbsent}, {5, kKeep, 3}, {9, 0, 4}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Want);
        GameStatistics.WonThisRun[1] = step.Won;
        if (step.SetBefore == kAbsent) wintest::RegDeleteTree(key);
        else if (step.SetBefore != kKeep) wintest::RegSetDword(key, "IntermediateWonGames", step.SetBefore);
        MergeRunCounts(false);
        EXPECT_EQ(Counter("IntermediateWonGames"), step.Want);
    }
    GameStatistics.LostThisRun[0] = 1;
    EXPECT_TRUE(StopPlayerAndMerge(nullptr, [] {}));
    EXPECT_EQ(Counter("IntermediateWonGames"), 4u) << "nothing merged twice";
    EXPECT_EQ(Counter("BeginnerLostGames"), 1u);
}

TEST(Teardown, MergePeriodOnlyShortenedByTheTestVariable) {
    const struct { const char* Value; uint32_t Want; } cases[] = {
        {nullptr, 60000}, {"10000", 10000}, {"1000", 1000}, {"999", 60000}, {"60001", 60000}, {"ten", 60000}};
    for (const auto& c : cases) {
        SetEnvironmentVariableA("KORVANE_MERGE_PERIOD_MS", c.Value);
        EXPECT_EQ(MergePeriodMs(), c.Want) << (c.Value ? c.Value : "unset");
    }
    SetEnvironmentVariableA("KORVANE_MERGE_PERIOD_MS", nullptr);
}

// ---------------------------------------------------------------- session end

void ResetRunState() {
    playertest::ResetShared();
    SaverSettings.GameMode = 1;
    SaverSettings.AnimationMode = 0;
    wintest::RegDeleteTree("Software\\VelkorScreenSaver");
}

bool QuitPosted() {
    MSG m;
    return PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

// A counter as the merge left it; 0 when it was never written.
DWORD Merged(const char* name) {
    const DWORD v = Counter(name);
    return v == kAbsent ? 0 : v;
}

// In play: the counts are in the registry when the session end returns, the
// player has handed the game back and closed it within the session's time,
// and the run is ended. A second session end does nothing.
TEST(SessionEnd, InPlayMergesBeforeReturningAndEndsTheRun) {
    ResetRunState();
    standintest::CStandin game;
    ASSERT_TRUE(game.Start(5, standintest::kLevels[0]));
    BeginRun(game.Window());
    HANDLE player = StartPlayer();
    ASSERT_TRUE(player);
    ASSERT_TRUE(wintest::WaitFor([] { return GameStatistics.WonThisRun[0] + GameStatistics.LostThisRun[0] > 0; }))
        << "no game counted";
    EndRunAtSessionEnd();
    const uint32_t won = GameStatistics.WonThisRun[0], lost = GameStatistics.LostThisRun[0];
    EXPECT_EQ(Merged("BeginnerWonGames"), won);
    EXPECT_EQ(Merged("BeginnerLostGames"), lost);
    EXPECT_EQ(WaitForSingleObject(player, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "the player still runs";
    EXPECT_TRUE(wintest::WaitWindowGone(game.Window(), 15000)) << "the game was not closed";
    EXPECT_TRUE(QuitPosted()) << "the run was not ended";
    GameStatistics.WonThisRun[0] = won + 5;
    EndRunAtSessionEnd();
    EXPECT_EQ(Merged("BeginnerWonGames"), won) << "a second session end merged";
    EXPECT_FALSE(QuitPosted()) << "a second session end ended the run again";
    CloseHandle(player);
}

// Before the player exists (the start's cross-process calls let the message
// in): the game, not yet taken over, is closed untouched, and no player
// starts afterwards.
TEST(SessionEnd, DuringTheStartClosesTheGameAndStartsNoPlayer) {
    ResetRunState();
    const std::string events = standintest::TempDir() + "session-start-events-" +
                               std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(events.c_str());
    standintest::CStandin game;
    ASSERT_TRUE(game.Start(5, standintest::kLevels[1], 1234, {"VELKOR_EVENTS=" + events}));
    standintest::Settle(game.Window());
    const size_t before = playertest::FileLines(events).size();  // the lines of the game's start
    BeginRun(game.Window());
    EndRunAtSessionEnd();
    HANDLE player = StartPlayer();
    EXPECT_EQ(player, nullptr) << "a player started after the session end";
    EXPECT_TRUE(wintest::WaitWindowGone(game.Window(), 15000)) << "the game was not closed";
    EXPECT_TRUE(QuitPosted()) << "the run was not ended";
    if (player) {
        WaitForSingleObject(player, kPlayerGraceMs);
        CloseHandle(player);
    }
    std::string all;
    for (const std::string& line : playertest::FileLines(events, before))
        if (line.compare(0, 5, "close") != 0) all += line + "; ";
    EXPECT_EQ(all, "") << "the game was taken over";
    DeleteFileA(events.c_str());
}

}  // namespace
