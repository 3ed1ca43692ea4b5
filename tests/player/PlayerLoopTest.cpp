// The player thread against the stand-in game as a separate process. A
// message-only window of this program takes the saver window's place (it
// answers WM_APP as the saver window would), and the game's own record of
// finished games is the judge of what the thread counted.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "PlayerSupport.h"
#include "Saver.h"
#include "SaverState.h"
#include "StandinSupport.h"
#include "VelkorInterface.h"
#include "WinTestSupport.h"

namespace {

using playertest::SameRect;
using playertest::SRecord;
using playertest::WindowRect;
using standintest::CStandin;
using standintest::kLevels;

const uint32_t kCustom[3] = {10, 10, 12};  // width, height, mines of GameMode 4

// ---------------------------------------------------------------- saver window's part

int gLayoutMessages = 0;
RECT gLastLayout{0, 0, 0, 0};

LRESULT CALLBACK TestSaverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        SaverState.OverlayLayoutPending = false;
        gLastLayout = RECT{SaverState.GameRectLeft, SaverState.GameRectTop, SaverState.GameRectRight,
                           SaverState.GameRectBottom};
        ++gLayoutMessages;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

uint32_t Counted() {
    uint32_t n = 0;
    for (int level = 0; level < 3; ++level) n += GameStatistics.WonThisRun[level] + GameStatistics.LostThisRun[level];
    return n;
}

// ---------------------------------------------------------------- observer

// Reads the game from this thread while the player plays: the player never
// sets a question mark, so one on the board means a flag was clicked twice;
// with no animation no flag may appear while a game is in play.
struct SObserver {
    explicit SObserver(HWND game) : Face(game) {}
    ~SObserver() { delete Board; }
    void Sample() {
        if (GetTickCount() - Last < 40) return;
        Last = GetTickCount();
        if (!Face.ReadBoard(&Board)) {
            if (Board && (Board->Width != Face.Width || Board->Height != Face.Height)) {
                delete Board;
                Board = nullptr;
            }
            return;
        }
        if (Board->State != Playing) return SeenQuestion.clear();
        ++PlayingReads;
        // A won board whose counter is not yet redrawn reads as in play with
        // every mine flagged; only a board with covered squares left counts.
        // A square drawn half-way reads as a question mark for one sample;
        // only one seen in two samples in a row is real.
        uint32_t flags = 0, covered = 0;
        const uint32_t count = Board->Width * Board->Height;
        if (SeenQuestion.size() != count) SeenQuestion.assign(count, 0);
        for (uint32_t i = 0; i < count; ++i) {
            const SMineSweeperSquare& s = Board->Squares[i];
            const bool question = s.Mark == SquareMark::Question;
            if (question && SeenQuestion[i]) ++QuestionMarks;
            SeenQuestion[i] = question;
            if (s.Mark == SquareMark::Flag) ++flags;
            if (!s.Opened && s.Mark == SquareMark::None) ++covered;
        }
        if (covered > 0) FlagsInPlay += flags;
    }
    CVelkorInterface Face;
    CMineSweeperBoard* Board = nullptr;
    DWORD Last = 0;
    std::vector<uint8_t> SeenQuestion;
    int PlayingReads = 0, QuestionMarks = 0, FlagsInPlay = 0;
};

// ---------------------------------------------------------------- fixture

struct SRun {
    uint32_t Animation = 0;
    uint32_t GameMode = 1;
    int StartLevel = 0;  // index into kLevels of the game as the user left it
    uint32_t Seed = 1234;
};

class PlayerLoop : public ::testing::Test {
protected:
    CStandin Game;
    SObserver* Observer = nullptr;
    HWND Saver = nullptr;
    HANDLE Thread = nullptr;
    size_t RecordsBefore = 0;
    RECT StartRect{0, 0, 0, 0};

    void SetUp() override {
        playertest::ResetShared();
        gLayoutMessages = 0;
        Saver = wintest::MessageWindow("PlayerTestSaverWindow", TestSaverProc);
        ASSERT_TRUE(Saver);
        SaverState.SaverWindow = Saver;
    }
    void TearDown() override {
        if (Thread) {
            SaverState.StopRequested = true;
            WaitThreadEnd(10000);
            CloseHandle(Thread);
        }
        delete Observer;
        Game.Stop();
        DestroyWindow(Saver);
    }

    bool StartGame(const SRun& run) {
        if (!Game.Start(5, kLevels[run.StartLevel], run.Seed)) return false;
        Observer = new SObserver(Game.Window());
        return true;
    }
    void StartPlayer(const SRun& run) {
        SaverSettings.AnimationMode = run.Animation;
        SaverSettings.GameMode = run.GameMode;
        SaverSettings.CustomGameWidth = kCustom[0];
        SaverSettings.CustomGameHeight = kCustom[1];
        SaverSettings.CustomGameMines = kCustom[2];
        RecordsBefore = Game.Records().size();
        StartRect = WindowRect(Game.Window());
        Thread = CreateThread(nullptr, 0, PlayerThreadProc, Game.Window(), 0, nullptr);
        ASSERT_TRUE(Thread);
    }
    std::vector<SRecord> Played() const { return playertest::ParseRecords(Game.Records(), RecordsBefore); }

    // Pumps this thread's messages and samples the game until done() or the time is up.
    template <class F>
    bool WaitUntil(F done, DWORD timeoutMs) {
        return wintest::WaitFor([&] {
            if (Observer && IsWindow(Game.Window())) Observer->Sample();
            return done();
        }, timeoutMs);
    }
    bool WaitThreadEnd(DWORD timeoutMs) {
        return WaitUntil([&] { return WaitForSingleObject(Thread, 0) == WAIT_OBJECT_0; }, timeoutMs);
    }
    bool WaitGames(size_t games, DWORD timeoutMs) {
        return WaitUntil([&] { return Played().size() >= games; }, timeoutMs);
    }

    // Switches the blank screen on and checks that the game in progress was
    // finished, counted as the game saw it, and the game handed back and closed.
    void FinishWithBlankScreen(const SRun& run) {
        // What the thread itself has finished so far (the game may already
        // have recorded a game whose end the thread has not yet seen).
        uint32_t counted = Counted();
        SaverState.StatisticsChanged = false;
        SaverState.BlankScreenActive = true;
        ASSERT_TRUE(WaitThreadEnd(180000)) << "the loop did not end after the game in progress";
        HWND game = Game.Window();
        // Custom games are counted nowhere: for them the flag tells the game's end.
        EXPECT_TRUE(SaverState.StatisticsChanged.load()) << "the loop ended before the game in progress was over";
        EXPECT_TRUE(run.GameMode == 4 || Counted() > counted) << "the loop ended before the game in progress was over";
        uint32_t won[4] = {0, 0, 0, 0}, lost[4] = {0, 0, 0, 0};
        for (const SRecord& r : Played()) ++(r.Won ? won : lost)[r.Level];
        for (int level = 0; level < 3; ++level) {
            EXPECT_EQ(GameStatistics.WonThisRun[level].load(), won[level]) << "won, level " << level;
            EXPECT_EQ(GameStatistics.LostThisRun[level].load(), lost[level]) << "lost, level " << level;
        }
        EXPECT_EQ(Observer->QuestionMarks, 0) << "a flag was clicked twice";
        EXPECT_GT(Observer->PlayingReads, 0) << "the observer never saw a game in play";
        EXPECT_FALSE(run.Animation == 0 && Observer->FlagsInPlay > 0) << "a flag was placed without animation";
        // The moves back reach the game through its queue, after its leave of
        // the top-most band. The close may come before the look at the window,
        // which counts only while the window is still there.
        WaitUntil([&] { return !IsWindow(game) || SameRect(WindowRect(game), StartRect); }, 5000);
        const LONG_PTR style = GetWindowLongPtrA(game, GWL_EXSTYLE);
        EXPECT_FALSE(IsWindow(game) && (style & WS_EX_TOPMOST)) << "still top-most";
        EXPECT_TRUE(wintest::WaitWindowGone(game, 15000)) << "the game was not closed";
        playertest::ExpectGamePlace(StartRect);
        DWORD level = 99;
        Sleep(200);
        EXPECT_TRUE(wintest::RegGetDword(playertest::kGameKey, "Level", &level));
        EXPECT_EQ(level, kLevels[run.StartLevel].Level) << "level not given back";
    }

    // Plays the game to a loss from this program: the game is already over
    // when the player starts.
    void LoseOneGame(const standintest::SLevel& level) {
        HWND game = Game.Window();
        auto click = [&](uint32_t x, uint32_t y) {
            LPARAM at = MAKELPARAM(12 + 16 * x + 8, 55 + 16 * y + 8);
            SendMessageA(game, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(game, WM_LBUTTONUP, 0, at);
        };
        click(0, 0);
        std::vector<uint8_t> mines;
        ASSERT_TRUE(Game.ReadLayout(level.Width, level.Height, &mines));
        for (size_t i = 0; i < mines.size(); ++i) {
            if (!mines[i]) continue;
            click(static_cast<uint32_t>(i / level.Height), static_cast<uint32_t>(i % level.Height));
            break;
        }
        standintest::Settle(game);
        ASSERT_EQ(Game.Records().size(), 1u);
    }

    // Waits for the game's first place, then asks for `moves` random moves
    // (each taken at the end of a game); every place reached must be the one
    // announced to the saver window, and goes to check(move, place).
    template <class F>
    void PlaceAndMove(int moves, DWORD perMoveMs, F check) {
        auto placed = [&] { return SameRect(gLastLayout, WindowRect(Game.Window())); };
        for (int move = 0, messages = 0; move <= moves; ++move) {
            if (move > 0) {
                SaverState.MoveGameRequested = true;
                ASSERT_TRUE(WaitUntil([] { return !SaverState.MoveGameRequested; }, perMoveMs)) << "no game ended";
            }
            ASSERT_TRUE(WaitUntil([&] { return gLayoutMessages > messages; }, 20000)) << "move " << move;
            messages = gLayoutMessages;
            WaitUntil(placed, 5000);  // the move reaches the game through its queue
            const RECT now = WindowRect(Game.Window());
            EXPECT_TRUE(SameRect(gLastLayout, now)) << "move " << move;
            EXPECT_FALSE(SaverState.OverlayLayoutPending.load()) << "move " << move;
            check(move, now);
        }
    }
};

// ---------------------------------------------------------------- modes

struct SModeCase {
    const char* Name;
    SRun Run;      // animation, game mode, level the user left
    size_t Games;  // finished games before the blank screen is switched on
    bool LoseFirst;
};

const SModeCase kModeCases[] = {
    {"NoAnimationBeginnerAfterALostGame", {0, 1, 1}, 3, true},
    {"FastBeginner", {1, 1, 0}, 2, false},
    {"SlowBeginner", {2, 1, 0}, 1, false},
    {"NoAnimationIntermediate", {0, 2, 0}, 1, false},
    {"NoAnimationExpert", {0, 3, 0}, 1, false},
    {"NoAnimationCustom", {0, 4, 0}, 2, false},
    {"NoAnimationRandom", {0, 5, 0}, 3, false},
    {"NoAnimationModeOutsideTheRange", {0, 9, 0}, 2, false},
};

class PlayerModes : public PlayerLoop, public ::testing::WithParamInterface<SModeCase> {};

TEST_P(PlayerModes, CountsTheGamesSeenFromTheirStartPerLevel) {
    const SModeCase& c = GetParam();
    const SRun& run = c.Run;
    ASSERT_TRUE(StartGame(run));
    if (c.LoseFirst) LoseOneGame(kLevels[run.StartLevel]);
    // Outside random mode a due level change is never taken.
    if (run.GameMode != 5) SaverState.LevelChangeDue = true;
    StartPlayer(run);
    DWORD perGame = run.Animation == 2 ? 120000 : 60000;
    ASSERT_TRUE(WaitGames(1, perGame)) << "no game finished";

    uint32_t firstLevel = SaverState.CurrentLevel;
    if (run.GameMode == 5) {
        // The level changes only at the end of a game after the change is due.
        EXPECT_NE(SaverState.LevelChangeTime.load(), 0xFFFFFFFFu);
        uint32_t before = Counted();
        SaverState.LevelChangeDue = true;
        ASSERT_TRUE(WaitUntil([] { return !SaverState.LevelChangeDue; }, perGame));
        EXPECT_GT(Counted(), before) << "the level changed before the game in progress ended";
        int32_t ahead = static_cast<int32_t>(SaverState.LevelChangeTime - GetTickCount());
        EXPECT_GT(ahead, 4000);
        EXPECT_LE(ahead, 15000);
    }
    ASSERT_TRUE(WaitGames(c.Games, perGame * c.Games));
    // Games lost in a second can all pass between two looks: the checks of
    // the game in play need one seen.
    ASSERT_TRUE(WaitUntil([&] { return Observer->PlayingReads > 0; }, perGame))
        << "the observer never saw a game in play";
    FinishWithBlankScreen(run);

    std::vector<SRecord> played = Played();
    if (run.GameMode >= 1 && run.GameMode <= 4) {
        EXPECT_EQ(firstLevel, run.GameMode - 1);
    }
    if (run.GameMode != 5) {
        EXPECT_TRUE(SaverState.LevelChangeDue.load()) << "a level change was taken outside random mode";
        for (const SRecord& r : played) {
            EXPECT_EQ(static_cast<uint32_t>(r.Level), firstLevel);
            EXPECT_TRUE(run.GameMode != 4 || (r.Width == kCustom[0] && r.Height == kCustom[1] && r.Mines == kCustom[2]))
                << "custom field " << r.Width << " x " << r.Height << ", " << r.Mines << " mines";
        }
    }
    EXPECT_EQ(Counted(), run.GameMode == 4 ? 0u : played.size()) << "custom games count nowhere, the others each once";
}

INSTANTIATE_TEST_SUITE_P(, PlayerModes, ::testing::ValuesIn(kModeCases),
                         [](const ::testing::TestParamInfo<SModeCase>& info) { return info.param.Name; });

// ---------------------------------------------------------------- window, settings, stops

TEST_F(PlayerLoop, MovesKeepTheGameInsideTheDesktopAndAreAnnounced) {
    SRun run;
    ASSERT_TRUE(StartGame(run));
    // Partly off the desktop, and the option item off, as a user might have left it.
    SetWindowPos(Game.Window(), nullptr, -150, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA(Game.Window(), WM_COMMAND, 529, 0);
    standintest::Settle(Game.Window());
    StartPlayer(run);
    const RECT desktop = WindowRect(GetDesktopWindow());
    LONG firstLeft = 0;
    int lefts = 0;
    ASSERT_NO_FATAL_FAILURE(PlaceAndMove(4, 60000, [&](int move, const RECT& now) {
        RECT both;
        EXPECT_TRUE(IntersectRect(&both, &now, &desktop) && EqualRect(&both, &now)) << "move " << move;
        if (move == 0) firstLeft = now.left;
        lefts += now.left != firstLeft ? 1 : 0;
    }));
    EXPECT_GT(lefts, 0) << "the game never moved";
    FinishWithBlankScreen(run);
}

TEST_F(PlayerLoop, UserClosingTheGameEndsTheLoopAndKeepsItsCounts) {
    SRun run;
    ASSERT_TRUE(StartGame(run));
    StartPlayer(run);
    ASSERT_TRUE(WaitUntil([] { return Counted() > 0; }, 60000));
    PostMessageA(Game.Window(), WM_CLOSE, 0, 0);
    // The game is gone once the loop ends, so nothing can be given back to
    // it: what remains to check is that the loop ends, and its counts.
    ASSERT_TRUE(WaitThreadEnd(30000));
    // A game may end just before the close arrives, unseen by the thread.
    size_t played = Played().size();
    EXPECT_TRUE(Counted() == played || Counted() + 1 == played) << Counted() << " counted, " << played << " played";
}

// A stop request ends the thread well inside the run's wait of 1000 ms,
// in play and in the pauses of slow animation.
struct SStopCase {
    const char* Name;
    uint32_t Animation;
    bool BetweenGames;  // right after a game was counted (slow: the pause between games)
};
const SStopCase kStopCases[] = {
    {"NoAnimationInPlay", 0, false},
    {"SlowInAMovePause", 2, false},
    {"SlowBetweenGames", 2, true},
};

class PlayerStops : public PlayerLoop, public ::testing::WithParamInterface<SStopCase> {};

TEST_P(PlayerStops, StopEndsTheThreadWithinTheRunsWait) {
    const SStopCase& c = GetParam();
    SRun run;
    run.Animation = c.Animation;
    ASSERT_TRUE(StartGame(run));
    StartPlayer(run);
    if (c.BetweenGames) {
        ASSERT_TRUE(WaitUntil([] { return Counted() > 0; }, 120000));
    } else {
        ASSERT_TRUE(WaitUntil([&] { return Observer->PlayingReads > 2; }, 60000));
    }
    SaverState.StopRequested = true;
    EXPECT_EQ(WaitForSingleObject(Thread, 1000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(wintest::WaitWindowGone(Game.Window(), 15000)) << "the game was not closed";
}

INSTANTIATE_TEST_SUITE_P(, PlayerStops, ::testing::ValuesIn(kStopCases),
                         [](const ::testing::TestParamInfo<SStopCase>& info) { return info.param.Name; });

// Inside a virtual desktop a little smaller than the Expert game (see
// CMakeLists.txt): the game is placed at the desktop's left and top edges,
// and random moves keep it within the overhang, where its board stays readable.
TEST_F(PlayerLoop, GameLargerThanTheDesktopKeepsToItsLeftAndTopEdges) {
    RECT desktop = WindowRect(GetDesktopWindow());
    SRun run;
    run.GameMode = 3;
    run.StartLevel = 2;
    ASSERT_TRUE(StartGame(run));
    RECT w = WindowRect(Game.Window());
    LONG overX = (w.right - w.left) - (desktop.right - desktop.left);
    LONG overY = (w.bottom - w.top) - (desktop.bottom - desktop.top);
    if (overX <= 0 || overY <= 0)
        GTEST_SKIP() << "game " << w.right - w.left << " x " << w.bottom - w.top << " fits the desktop";
    StartPlayer(run);
    ASSERT_NO_FATAL_FAILURE(PlaceAndMove(3, 120000, [&](int move, const RECT& now) {
        if (move == 0) {
            EXPECT_EQ(now.left, desktop.left);
            EXPECT_EQ(now.top, desktop.top);
        }
        EXPECT_GE(now.left, desktop.left) << "move " << move;
        EXPECT_LT(now.left, desktop.left + overX) << "move " << move;
        EXPECT_GE(now.top, desktop.top) << "move " << move;
        EXPECT_LT(now.top, desktop.top + overY) << "move " << move;
    }));
}

}  // namespace
