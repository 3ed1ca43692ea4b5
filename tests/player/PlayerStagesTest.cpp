// The player thread's stages driven on their own, and its hand-back after a
// stop request, judged by the stand-in game's own log of what reached it
// (VELKOR_EVENTS) and by the menu state it reports ("VelkorMenuState").
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "Clock.h"
#include "PlayerSupport.h"
#include "PlayerThread.h"
#include "RunSaver.h"
#include "Saver.h"
#include "SaverState.h"
#include "StandinSupport.h"
#include "WinTestSupport.h"

namespace {

using playertest::ResetShared;
using standintest::CStandin;
using standintest::kLevels;


bool TopMost(HWND w) { return (GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// ---------------------------------------------------------------- stages on a window that is no game

// A plain window of this thread in the game's place, and a player on it:
// every full read fails.
struct SNoGame {
    HWND Window = CreateWindowExA(0, "STATIC", "no game", WS_POPUP | WS_VISIBLE, 10, 10, 200, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    SPlayer P;
    SNoGame() {
        ResetShared();
        P.GameWindow = Window;
        P.Face = new CVelkorInterface(Window);
    }
    ~SNoGame() { DestroyWindow(Window); }
};

TEST(PlayerStages, BlankScreenStallLeavesTheLoopOutOfTheTopMostBand) {
    struct Case {
        const char* Name;
        bool Blank;
        uint32_t StalledMs;
        bool Leaves;
    } cases[] = {
        {"blank, stalled past the limit", true, kBlankFinishStallMs + 500, true},
        {"blank, progress lately", true, kBlankFinishStallMs - 5000, false},
        {"not blank, stalled", false, kBlankFinishStallMs + 500, false},
    };
    for (const Case& c : cases) {
        SNoGame game;
        SetWindowPos(game.Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        game.P.LastProgress = TickCount() - c.StalledMs;
        SaverState.BlankScreenActive = c.Blank;
        EXPECT_EQ(PlayerPass(&game.P), !c.Leaves) << c.Name;
        EXPECT_EQ(TopMost(game.Window), !c.Leaves) << c.Name;
    }
}

TEST(PlayerStages, FailedReadsRaiseTheGameEveryFortieth) {
    struct Case {
        uint32_t FailedBefore;
        bool Raised;
    } cases[] = {{0, false}, {kFailedReadsBeforeRaise - 2, false}, {kFailedReadsBeforeRaise - 1, true},
                 {2 * kFailedReadsBeforeRaise - 1, true}};
    for (const Case& c : cases) {
        SNoGame game;
        game.P.FailedReads = c.FailedBefore;
        EXPECT_FALSE(PlayerRead(&game.P, 0)) << c.FailedBefore;
        EXPECT_EQ(game.P.FailedReads, c.FailedBefore + 1);
        EXPECT_EQ(TopMost(game.Window), c.Raised) << c.FailedBefore;
    }
}

// ---------------------------------------------------------------- start and hand-back on a game that may not answer

// A game window on a thread of its own, without a menu handle, that reports
// its check marks to "VelkorMenuState" (level items 521 to 523, the option
// 529) unless muted: then it answers as a game that does not know the
// message, as a busy game's timed-out answer reads too.
class CMenuGame {
public:
    std::atomic<bool> Mute{false};
    std::atomic<bool> Option{true};
    std::atomic<int> Level{0};
    std::atomic<int> OptionToggles{0};
    std::atomic<HWND> Window{nullptr};

    CMenuGame() : Thread(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {
        wintest::WaitFor([this] { return Window.load() != nullptr; }, 5000);
    }
    ~CMenuGame() {
        if (IsWindow(Window)) PostMessageA(Window, WM_CLOSE, 0, 0);
        WaitForSingleObject(Thread, 5000);
        CloseHandle(Thread);
    }

private:
    HANDLE Thread;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        CMenuGame* self = reinterpret_cast<CMenuGame*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && msg == RegisterWindowMessageA("VelkorMenuState")) {
            if (self->Mute) return 0;
            if (wParam == 529) return self->Option ? MF_CHECKED : 0;
            if (wParam >= 521 && wParam <= 524) return static_cast<int>(wParam - 521) == self->Level ? MF_CHECKED : 0;
            return -1;
        }
        if (self && msg == WM_COMMAND) {
            if (wParam == 529) {
                self->Option = !self->Option;
                ++self->OptionToggles;
            } else if (wParam >= 521 && wParam <= 523) {
                self->Level = static_cast<int>(wParam - 521);
            }
            return 0;
        }
        if (msg == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    static DWORD WINAPI Run(LPVOID parameter) {
        CMenuGame* self = static_cast<CMenuGame*>(parameter);
        // A Beginner field of 9 x 9 squares.
        HWND w = wintest::CreateBoardWindow("PlayerTestMenuGame", Proc, "menu game", 9, 9, nullptr,
                                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Window = w;
        MSG m;
        while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
        return 0;
    }
};

// An option whose state the start could not read is neither switched on
// for play nor switched off at the hand-back: the user's checked option
// stays checked, though the hand-back can read it.
TEST(PlayerStages, OptionUnreadAtTheStartIsLeftAsItIs) {
    ResetShared();
    SaverSettings.GameMode = 1;
    CMenuGame game;
    ASSERT_TRUE(game.Window.load());
    game.Mute = true;
    SPlayer p;
    PlayerStart(&p, game.Window);
    game.Mute = false;
    SaverState.StopRequested = true;
    PlayerEnd(&p);
    // The commands posted before the close have been handled once it is gone.
    ASSERT_TRUE(wintest::WaitWindowGone(game.Window, 5000)) << "the game was not closed";
    EXPECT_EQ(game.OptionToggles.load(), 0);
    EXPECT_TRUE(game.Option.load());
}

// ---------------------------------------------------------------- stages on the stand-in

class PlayerStagesOnGame : public ::testing::Test {
protected:
    CStandin Game;
    SPlayer P;
    void SetUp() override {
        ResetShared();
        ASSERT_TRUE(Game.Start(5, kLevels[0]));
        P.GameWindow = Game.Window();
        P.Face = new CVelkorInterface(Game.Window());
    }
};

TEST_F(PlayerStagesOnGame, StillQuickReadsEndInAFullReadAndARebuild) {
    P.InGame = true;
    ASSERT_TRUE(PlayerRead(&P, 0)) << "first full read";
    for (uint32_t poll = 1; poll < kStillPollsBeforeFullRead; ++poll) {
        ASSERT_FALSE(PlayerRead(&P, 0)) << "quick read " << poll << " of a still board";
        ASSERT_EQ(P.StillPolls, poll);
    }
    EXPECT_TRUE(PlayerRead(&P, 0)) << "a full read after the still polls";
    EXPECT_TRUE(P.Rebuild);
    EXPECT_EQ(P.StillPolls, 0u);
}

TEST_F(PlayerStagesOnGame, PlacedFlagsAreKeptByFullAndQuickReads) {
    P.InGame = true;
    ASSERT_TRUE(PlayerRead(&P, 0));
    const int32_t mines = P.Board->MinesLeft;
    P.PlacedFlags.assign(81, 0);
    P.PlacedFlags[8] = 1;  // (0, 8), not flagged in the game
    struct Case {
        const char* Name;
        bool Full;
    } cases[] = {{"full read", true}, {"quick read", false}};
    for (const Case& c : cases) {
        P.StillPolls = c.Full ? kStillPollsBeforeFullRead - 1 : 0;
        // A queued move makes the pass act on a quick read.
        P.Face->QueueThreshold = 2.0;
        if (!c.Full) P.Face->DoAction(4, 4, 0.5, CMineSweeperInterface::Open);
        P.Board->Squares[8].Mark = SquareMark::None;
        P.Board->MinesLeft = mines;
        ASSERT_TRUE(PlayerRead(&P, 0)) << c.Name;
        EXPECT_EQ(P.Board->Squares[8].Mark, SquareMark::Flag) << c.Name;
        EXPECT_EQ(P.Board->MinesLeft, mines - 1) << c.Name;
        P.Face->ClearActions();
    }
}

// Without animation the mines the solver finds stay unflagged, so every quick
// read reports a change. A logic board that went wrong (here every constraint
// asks for more mines than it has squares, as a misread number left behind
// would) then has no move to make, pass after pass, and only a full read and
// a rebuild bring the game on.
TEST_F(PlayerStagesOnGame, PassesWithoutAMoveEndInAFullReadAndARebuild) {
    auto unflaggedMine = [this] {
        if (!P.Board || P.Board->State != Playing) return false;
        for (uint32_t i = 0; i < P.Board->Width * P.Board->Height; ++i)
            if (!P.Board->Squares[i].Opened && P.Board->Squares[i].Mine) return true;
        return false;
    };
    auto spoil = [this] {
        for (uint32_t x = 0; P.Logic && x < P.Logic->Width; ++x)
            for (uint32_t y = 0; y < P.Logic->Height; ++y) {
                CLogicSquare* s = P.Logic->At(x, y);
                if (s->IsOpen && s->UnknownCount > 0) s->MinesLeft = static_cast<int32_t>(s->UnknownCount) + 1;
            }
    };
    // Play on a spoiled view until a pass makes no move.
    bool idle = false;
    for (int pass = 0; pass < 500 && !idle; ++pass) {
        const uint32_t moves = P.Face->MovesPerformed;
        if (unflaggedMine()) spoil();
        ASSERT_TRUE(PlayerPass(&P));
        idle = P.Face->MovesPerformed == moves && unflaggedMine();
    }
    ASSERT_TRUE(idle) << "no pass without a move on a board with a mine known and not flagged";
    const uint32_t moves = P.Face->MovesPerformed;
    for (uint32_t pass = 0; pass < 2 * kIdlePassesBeforeRebuild && P.Face->MovesPerformed == moves; ++pass) {
        spoil();
        ASSERT_TRUE(PlayerPass(&P));
    }
    EXPECT_NE(P.Face->MovesPerformed, moves) << "no move within " << 2 * kIdlePassesBeforeRebuild << " passes";
}

// ---------------------------------------------------------------- the hand-back after a stop request

// The stand-in's log, from line `from` on, keeping the lines that start with
// one of the prefixes (a "shift" is kept without its place).
std::vector<std::string> Events(const std::string& path, size_t from, const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const std::string& line : playertest::FileLines(path, from))
        for (const std::string& p : prefixes)
            if (line.compare(0, p.size(), p) == 0) out.push_back(p == "shift" ? p : line);
    return out;
}

size_t EventCount(const std::string& path) { return playertest::FileLines(path).size(); }

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "; ";
    return s;
}

// The option item's check mark as the game itself reports it.
int OptionChecked(HWND game) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(game, RegisterWindowMessageA("VelkorMenuState"), 529, 0, SMTO_NORMAL, 2000, &state))
        return -1;
    return (static_cast<UINT>(state) & MF_CHECKED) ? 1 : 0;
}

class PlayerHandBack : public ::testing::Test {
protected:
    CStandin Game;
    HANDLE Thread = nullptr;
    std::string EventsPath = standintest::TempDir() + "player-events-" + std::to_string(GetCurrentProcessId()) + "-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";

    void SetUp() override {
        ResetShared();
        DeleteFileA(EventsPath.c_str());
    }
    void TearDown() override {
        if (Thread) {
            SaverState.StopRequested = true;
            WaitForSingleObject(Thread, kPlayerGraceMs);
            CloseHandle(Thread);
        }
        Game.Stop();
        DeleteFileA(EventsPath.c_str());
    }
    bool StartGame(int level, std::vector<std::string> environment) {
        environment.push_back("VELKOR_EVENTS=" + EventsPath);
        return Game.Start(5, kLevels[level], 1234, environment);
    }
    void StartPlayer() {
        SaverSettings.AnimationMode = 0;
        SaverSettings.GameMode = 1;
        Thread = CreateThread(nullptr, 0, PlayerThreadProc, Game.Window(), 0, nullptr);
        ASSERT_TRUE(Thread);
    }
    static bool WaitCounted(DWORD timeoutMs) {
        return wintest::WaitFor([] { return GameStatistics.WonThisRun[0] + GameStatistics.LostThisRun[0] > 0; },
                                timeoutMs);
    }
    // As a key press ends a run: the stop flag, then the run's grace time.
    void Stop() {
        SaverState.StopRequested = true;
        ASSERT_EQ(WaitForSingleObject(Thread, kPlayerGraceMs), static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_TRUE(wintest::WaitWindowGone(Game.Window(), 15000)) << "the game was not closed";
    }
};

// The custom-field dialog opens late (as on Windows, where the idle wait
// returns at once after its first use), later than a search during play
// lasts: the start still reads the user's field through it, and the
// hand-back gives it back through it, once, before it closes the game.
TEST_F(PlayerHandBack, StopGivesBackTheCustomFieldThroughALateDialog) {
    ASSERT_TRUE(StartGame(3, {"VELKOR_DIALOG_DELAY=1500"}));
    StartPlayer();
    ASSERT_TRUE(WaitCounted(60000)) << "no game played";
    size_t from = EventCount(EventsPath);
    Stop();
    std::vector<std::string> want{"command 524", "dialog open", "dialog ok", "close"};
    EXPECT_EQ(Joined(Events(EventsPath, from, {"command 52", "dialog", "close"})), Joined(want));
    EXPECT_EQ(Events(EventsPath, 0, {"command 529"}).size(), 0u) << "the option, checked already, was toggled";
    playertest::ExpectUserGame({kLevels[3].Level, kLevels[3].Width, kLevels[3].Height, kLevels[3].Mines, 1});
}

// A game that keeps its window on the screen when its field grows (as the
// classic game does) moves it when it takes the user's level: the second
// move must come after that. No move sets a size (the game sizes its window
// to its field), and the option item is checked for play only, as the game
// itself reports it.
TEST_F(PlayerHandBack, StopMovesTheGameBackAfterItTookTheLevel) {
    ASSERT_TRUE(StartGame(2, {"VELKOR_KEEP_ON_SCREEN=1"}));
    HWND game = Game.Window();
    SetWindowPos(game, nullptr, -150, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA(game, WM_COMMAND, 529, 0);
    standintest::Settle(game);
    ASSERT_EQ(OptionChecked(game), 0) << "the option as the user left it";
    size_t started = EventCount(EventsPath);
    StartPlayer();
    EXPECT_TRUE(WaitCounted(60000)) << "no game played";
    EXPECT_EQ(OptionChecked(game), 1) << "the option during play";
    size_t from = EventCount(EventsPath);
    Stop();
    // The option's command is posted, so it may come after the first move.
    // The level first, once; the move once the game has taken it.
    std::vector<std::string> want{"command 523", "shift", "move -150 700", "close"};
    EXPECT_EQ(Joined(Events(EventsPath, from, {"command 523", "move", "size", "shift", "close"})), Joined(want));
    EXPECT_EQ(Events(EventsPath, from, {"command 529"}).size(), 1u);
    EXPECT_EQ(Joined(Events(EventsPath, started, {"size"})), "") << "a move set a size";
    playertest::ExpectUserGame({kLevels[2].Level, 0, 0, 0, 0});  // Expert, the option off
}

}  // namespace
