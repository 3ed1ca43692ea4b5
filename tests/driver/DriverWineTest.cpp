// The driver against the stand-in game running as its own process: reads
// checked against an in-memory replay of the same layout and moves, clicks,
// incremental reads, covered and off-screen windows, the menu and custom
// field, launching, and a game that goes away.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "PixelReader.h"
#include "SaverState.h"
#include "StandinSupport.h"
#include "VelkorInterface.h"

using namespace standintest;

namespace {

// A board as text with its state and counter, for comparisons.
std::string Text(const CMineSweeperBoard& board) {
    return pixels::FormatBoard(board) + "state " + std::to_string(board.State) + " left " +
           std::to_string(board.MinesLeft);
}

// A new game of the level as the driver reads it.
std::string Fresh(const SLevel& level) {
    std::string text;
    for (uint32_t y = 0; y < level.Height; ++y) text += std::string(level.Width, '#') + "\n";
    return text + "state " + std::to_string(GameState::NotStarted) + " left " + std::to_string(level.Mines);
}

// The settings as text, for comparisons.
std::string Text(const GameSettings& g) {
    return std::to_string(g.Level) + " " + std::to_string(g.Width) + "x" + std::to_string(g.Height) + " " +
           std::to_string(g.Mines);
}

// The driver on one stand-in game, with the replay that knows the truth.
struct SSession {
    CStandin Game;
    std::unique_ptr<CVelkorInterface> Driver;
    std::unique_ptr<CHeadlessGame> Truth;
    CMineSweeperBoard* Board = nullptr;
    SLevel Level{};
    std::vector<uint8_t> Mines;

    ~SSession() { delete Board; }

    bool Start(int layout, const SLevel& level, uint32_t seed = 1234, const std::vector<std::string>& environment = {}) {
        Level = level;
        if (!Game.Start(layout, level, seed, environment)) return false;
        Driver.reset(new CVelkorInterface(Game.Window()));
        return true;
    }
    bool Read() {
        Settle(Game.Window());
        return Driver->ReadBoard(&Board);
    }
    // The first opening makes the layout known; the replay starts from it.
    // The layout is dumped at the first opening, before the click's message
    // returns: without settling, reads can start right after the click.
    bool FirstOpen(uint32_t x, uint32_t y, bool settle = true) {
        Driver->OpenSquare(x, y);
        if (settle) Settle(Game.Window());
        if (!Game.ReadLayout(Level.Width, Level.Height, &Mines)) return false;
        Truth.reset(new CHeadlessGame(Level.Width, Level.Height, Level.Mines, 1));
        if (!Truth->SetLayout(Mines)) return false;
        return Truth->OpenSquare(x, y);
    }
    bool IsMine(uint32_t x, uint32_t y) const { return Mines[static_cast<size_t>(x) * Level.Height + y] != 0; }
    void Open(uint32_t x, uint32_t y) {
        Driver->OpenSquare(x, y);
        Truth->OpenSquare(x, y);
    }
    void Flag(uint32_t x, uint32_t y) {
        Driver->FlagSquare(x, y);
        Truth->FlagSquare(x, y);
    }
    // The board the screen should show now.
    std::string Expected() {
        CMineSweeperBoard* b = nullptr;
        Truth->ReadBoard(&b);
        if (b->State == GameState::Won) {
            // The game flags every mine of a won game.
            for (size_t i = 0; i < Mines.size(); ++i)
                if (Mines[i]) b->Squares[i] = SMineSweeperSquare{0, 1, -1, SquareMark::Flag};
            b->MinesLeft = 0;
        }
        std::string text = Text(*b);
        delete b;
        return text;
    }
    std::string Shown() const { return Text(*Board); }
    // First covered square with or without a mine, from the far corner.
    bool FindCovered(bool mine, uint32_t* fx, uint32_t* fy) const {
        for (uint32_t x = Level.Width; x-- > 0;)
            for (uint32_t y = Level.Height; y-- > 0;) {
                const SMineSweeperSquare& s = Board->GetColumn(x)[y];
                if (!s.Opened && s.Mark == SquareMark::None && IsMine(x, y) == mine) {
                    *fx = x;
                    *fy = y;
                    return true;
                }
            }
        return false;
    }
};

struct SCaseName {
    int Layout;
    int Level;
};

class FullRead : public testing::TestWithParam<SCaseName> {};

// Every kind of move, read in full after each, on every level in both layouts.
TEST_P(FullRead, MatchesTheGameAfterEveryMove) {
    SSession s;
    const SLevel& level = kLevels[GetParam().Level];
    ASSERT_TRUE(s.Start(GetParam().Layout, level));
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Driver->GameLayout, GetParam().Layout == 4 ? pixels::Layout4 : pixels::Layout5);
    ASSERT_EQ(s.Shown(), Fresh(level));
    EXPECT_EQ(s.Driver->TotalMines, level.Mines);

    ASSERT_TRUE(s.FirstOpen(level.Width / 2, level.Height / 2));
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Shown(), s.Expected()) << "after the first opening";

    uint32_t x, y;
    ASSERT_TRUE(s.FindCovered(true, &x, &y));
    s.Flag(x, y);
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Shown(), s.Expected()) << "after a flag";
    EXPECT_EQ(s.Driver->TotalMines, level.Mines);

    // Removing a flag with one right click leaves a question mark in the game.
    s.Driver->UnflagSquare(x, y);
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Board->GetColumn(x)[y].Mark, SquareMark::Question);
    EXPECT_EQ(s.Board->MinesLeft, static_cast<int32_t>(level.Mines));
    s.Driver->UnflagSquare(x, y);  // question mark -> none
    s.Truth->UnflagSquare(x, y);
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Shown(), s.Expected()) << "after unflag";

    // A wrong flag, then open safe squares, then the mine: a lost board.
    uint32_t wx, wy;
    ASSERT_TRUE(s.FindCovered(false, &wx, &wy));
    s.Flag(wx, wy);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(s.Read());
        uint32_t ox, oy;
        if (!s.FindCovered(false, &ox, &oy)) break;
        s.Open(ox, oy);
        ASSERT_TRUE(s.Read());
        ASSERT_EQ(s.Shown(), s.Expected()) << "after opening " << ox << "," << oy;
        if (s.Board->State != GameState::Playing) break;
    }
    if (s.Board->State == GameState::Playing) {
        s.Open(x, y);
        ASSERT_TRUE(s.Read());
        EXPECT_EQ(s.Board->State, GameState::Lost);
        EXPECT_EQ(s.Board->GetColumn(x)[y].Mark, SquareMark::ExplodedMine);
        EXPECT_EQ(s.Board->GetColumn(wx)[wy].Mark, SquareMark::WrongFlag);
        EXPECT_EQ(s.Shown(), s.Expected()) << "lost";
    }
}

// Opening every safe square wins; the won board keeps its flags.
TEST_P(FullRead, WonBoard) {
    SSession s;
    const SLevel& level = kLevels[GetParam().Level];
    ASSERT_TRUE(s.Start(GetParam().Layout, level, 99));
    ASSERT_TRUE(s.Read());
    ASSERT_TRUE(s.FirstOpen(0, 0));
    ASSERT_TRUE(s.Read());
    uint32_t fx, fy;
    ASSERT_TRUE(s.FindCovered(true, &fx, &fy));
    s.Flag(fx, fy);
    for (uint32_t x = 0; x < level.Width; ++x)
        for (uint32_t y = 0; y < level.Height; ++y)
            if (!s.IsMine(x, y)) s.Open(x, y);
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Board->State, GameState::Won);
    EXPECT_EQ(s.Shown(), s.Expected());
    std::vector<std::string> records = s.Game.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("result=won"), std::string::npos) << records[0];
}

INSTANTIATE_TEST_SUITE_P(Levels, FullRead,
                         testing::Values(SCaseName{5, 0}, SCaseName{5, 1}, SCaseName{5, 2}, SCaseName{5, 3},
                                         SCaseName{4, 0}, SCaseName{4, 1}, SCaseName{4, 2}, SCaseName{4, 3}),
                         [](const testing::TestParamInfo<SCaseName>& info) {
                             return std::string(kLevels[info.param.Level].Name) + "_layout" +
                                    std::to_string(info.param.Layout);
                         });

class Update : public testing::TestWithParam<int> {};

// UpdateBoard follows the game move by move and agrees with a full read.
TEST_P(Update, FollowsMovesAndRefusesContradictions) {
    SSession s;
    ASSERT_TRUE(s.Start(GetParam(), kLevels[1]));
    ASSERT_TRUE(s.Read());
    bool changed = true;
    ASSERT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false));
    EXPECT_FALSE(changed);
    ASSERT_TRUE(s.FirstOpen(3, 3));
    ASSERT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false));
    EXPECT_TRUE(changed);
    EXPECT_EQ(s.Shown(), s.Expected());
    for (int i = 0; i < 6; ++i) {
        uint32_t x, y;
        if (!s.FindCovered(false, &x, &y)) break;
        s.Open(x, y);
        Settle(s.Game.Window());
        ASSERT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false)) << i;
        EXPECT_TRUE(changed);
        ASSERT_EQ(s.Shown(), s.Expected()) << i;
        if (s.Board->State != GameState::Playing) break;
    }
    ASSERT_EQ(s.Board->State, GameState::Playing);

    // The player's board holds a mine the game shows unflagged: no
    // contradiction, and the board is left as the player has it.
    uint32_t mx, my;
    ASSERT_TRUE(s.FindCovered(true, &mx, &my));
    s.Board->MarkMine(mx, my);
    std::string marked = s.Shown();
    ASSERT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false));
    EXPECT_EQ(s.Shown(), marked);
    // With another change besides, the board follows the game and keeps the mark.
    uint32_t ox, oy;
    ASSERT_TRUE(s.FindCovered(false, &ox, &oy));
    s.Open(ox, oy);
    Settle(s.Game.Window());
    ASSERT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false));
    EXPECT_TRUE(changed);
    EXPECT_EQ(s.Board->GetColumn(mx)[my].Mark, SquareMark::Flag);
    EXPECT_EQ(s.Board->MinesLeft, static_cast<int32_t>(kLevels[1].Mines) - 1);

    // Contradictions: a number that differs, a flag the player never set.
    CMineSweeperBoard copy(s.Board->Width, s.Board->Height);
    copy.CopyFrom(s.Board);
    SMineSweeperSquare* const end = copy.Squares + copy.Width * copy.Height;
    SMineSweeperSquare* q = std::find_if(copy.Squares, end, [](const auto& q) { return q.Opened && q.Number >= 0; });
    ASSERT_NE(q, end);
    q->Number = (q->Number + 1) % 9;
    EXPECT_FALSE(s.Driver->UpdateBoard(&copy, &changed, false));
    EXPECT_TRUE(changed);
    // Tolerant: the same board is simply brought up to date.
    EXPECT_TRUE(s.Driver->UpdateBoard(&copy, &changed, true));
    EXPECT_TRUE(changed);

    ASSERT_TRUE(s.Read());
    uint32_t fx, fy;
    ASSERT_TRUE(s.FindCovered(true, &fx, &fy));
    SendMessageA(s.Game.Window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20 + 16 * fx, 63 + 16 * fy));
    SendMessageA(s.Game.Window(), WM_RBUTTONUP, 0, MAKELPARAM(20 + 16 * fx, 63 + 16 * fy));
    Settle(s.Game.Window());
    EXPECT_FALSE(s.Driver->UpdateBoard(s.Board, &changed, false)) << "a flag nobody set";

    // A board of another size is refused at once.
    CMineSweeperBoard other(5, 5);
    EXPECT_FALSE(s.Driver->UpdateBoard(&other, &changed, false));
    EXPECT_FALSE(s.Driver->UpdateBoard(nullptr, nullptr, false));
}

INSTANTIATE_TEST_SUITE_P(Layouts, Update, testing::Values(5, 4));

// Pictures that reach the window late, as on a busy machine: every read
// from right after a move on is either "not yet" or the game's true board;
// never a pressed square taken for an empty one, never a stale picture,
// never a new game with the old game's counter.
TEST(LatePicture, ReadsAreNotYetOrTheTruth) {
    enum EMove { Open, WinThenNewGame, FirstClick };
    struct SCase {
        const char* Name;
        const char* Hook;
        EMove Move;
    };
    const SCase cases[] = {
        {"open, late picture", "VELKOR_PAINT_DELAY=300", Open},
        {"open, pressed picture", "VELKOR_PRESSED_SHOWN=300", Open},
        {"win and new game, late picture", "VELKOR_PAINT_DELAY=300", WinThenNewGame},
        {"first click, late picture", "VELKOR_PAINT_DELAY=300", FirstClick},
        {"first click, pressed picture", "VELKOR_PRESSED_SHOWN=300", FirstClick},
    };
    // Each case on its own, so that a failed assertion ends only its case.
    auto run = [&](const SCase& c) {
        SSession s;
        ASSERT_TRUE(s.Start(5, kLevels[0], 77, {c.Hook}));
        s.Driver->NewGameMines = static_cast<int32_t>(kLevels[0].Mines);  // as the player sets it
        // Reads from now on until one is at rest (at most 3 s); each read
        // that gives a board must give expected().
        auto readsUntilAtRest = [&](const std::function<std::string()>& expected) {
            uint32_t notYet = 0;
            for (DWORD start = GetTickCount(); GetTickCount() - start < 3000; ++notYet) {
                if (s.Driver->ReadBoard(&s.Board)) {
                    EXPECT_EQ(s.Shown(), expected()) << "after " << notYet << " reads not yet";
                    return true;
                }
            }
            return false;
        };
        ASSERT_TRUE(readsUntilAtRest([&] { return s.Shown(); }));
        if (c.Move != FirstClick) {
            ASSERT_TRUE(s.FirstOpen(4, 4));
            ASSERT_TRUE(readsUntilAtRest([&] { return s.Expected(); }));
        }
        switch (c.Move) {
            case Open: {
                uint32_t x, y;
                ASSERT_TRUE(s.FindCovered(false, &x, &y));
                s.Open(x, y);
                EXPECT_TRUE(readsUntilAtRest([&] { return s.Expected(); }));
                break;
            }
            case WinThenNewGame: {
                for (uint32_t x = 0; x < s.Level.Width; ++x)
                    for (uint32_t y = 0; y < s.Level.Height; ++y)
                        if (!s.IsMine(x, y)) s.Open(x, y);
                ASSERT_TRUE(readsUntilAtRest([&] { return s.Expected(); }));
                ASSERT_EQ(s.Board->State, GameState::Won);
                s.Driver->NewGame();
                EXPECT_TRUE(readsUntilAtRest([&] { return Fresh(s.Level); }));
                break;
            }
            case FirstClick: {
                ASSERT_TRUE(s.FirstOpen(4, 4, false));
                EXPECT_TRUE(readsUntilAtRest([&] { return s.Expected(); }));
                break;
            }
        }
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.Name);
        run(c);
    }
}

// A window of ours put over a part of the game.
HWND Cover(int x, int y, int w, int h) {
    HINSTANCE instance = wintest::RegisterWindowClass("DriverTestCover", DefWindowProcA,
                                                      static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "DriverTestCover", "", WS_POPUP | WS_VISIBLE, x, y,
                                 w, h, nullptr, nullptr, instance, nullptr);
    wintest::PumpFor(200);
    return cover;
}

TEST(Visibility, CoveredOrOffScreenGameGivesNoBoard) {
    SSession s;
    ASSERT_TRUE(s.Start(5, kLevels[0]));
    ASSERT_TRUE(s.Read());
    ASSERT_TRUE(s.FirstOpen(4, 4));
    ASSERT_TRUE(s.Read());
    EXPECT_TRUE(s.Driver->IsBoardVisible());
    POINT origin{0, 0};
    ClientToScreen(s.Game.Window(), &origin);
    struct SCase {
        const char* Name;
        int X, Y, W, H;
    } cases[] = {
        {"board corner", 12 + 16 * 8 + 2, 55 + 16 * 8 + 2, 40, 40},
        {"counter", 15, 15, 30, 30},
        {"whole board", 0, 40, 200, 200},
    };
    for (const SCase& c : cases) {
        HWND cover = Cover(origin.x + c.X, origin.y + c.Y, c.W, c.H);
        ASSERT_TRUE(cover);
        Settle(s.Game.Window());
        CMineSweeperBoard* fresh = nullptr;
        // The previous snapshot size still fits: an incremental read reports nothing new.
        EXPECT_FALSE(s.Driver->ReadBoard(&fresh)) << c.Name;
        if (fresh) {
            bool changed = true;
            EXPECT_TRUE(s.Driver->UpdateBoard(fresh, &changed, false)) << c.Name;
            EXPECT_FALSE(changed) << c.Name;
        }
        delete fresh;
        DestroyWindow(cover);
        wintest::PumpFor(200);
    }
    ASSERT_TRUE(s.Read());

    // Partly off the left edge, then the bottom.
    RECT r;
    GetWindowRect(s.Game.Window(), &r);
    SetWindowPos(s.Game.Window(), nullptr, -60, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_FALSE(s.Read()) << "off the left";
    int screenH = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(s.Game.Window(), nullptr, 40, screenH - 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_FALSE(s.Read()) << "off the bottom";
    bool changed = true;
    EXPECT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false));
    EXPECT_FALSE(changed);
    SetWindowPos(s.Game.Window(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(s.Read());
}

LPARAM g_ReportedMove = 0;
LRESULT CALLBACK ReportProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == 0x8000 + WM_MOUSEMOVE) g_ReportedMove = lParam;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Mouse, ClicksAndPointer) {
    SSession s;
    ASSERT_TRUE(s.Start(5, kLevels[0]));
    // Without a read there is no snapshot: nothing is sent.
    EXPECT_FALSE(s.Driver->OpenSquare(0, 0));
    ASSERT_TRUE(s.Read());
    EXPECT_FALSE(s.Driver->OpenSquare(9, 0));
    EXPECT_FALSE(s.Driver->FlagSquare(0, 9));
    EXPECT_FALSE(s.Driver->UnflagSquare(9, 9));
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Board->State, GameState::NotStarted) << "out-of-range clicks changed the game";

    EXPECT_TRUE(s.Driver->UnflagSquare(2, 2)) << "nothing to remove";
    EXPECT_TRUE(s.Driver->FlagSquare(2, 2));
    EXPECT_TRUE(s.Driver->FlagSquare(2, 2)) << "already flagged: nothing sent";
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.Board->GetColumn(2)[2].Mark, SquareMark::Flag);
    EXPECT_EQ(s.Board->MinesLeft, 9);
    // Opening a flagged square removes the flag first (one right click, to a
    // question mark in this game) and then opens it.
    EXPECT_TRUE(s.Driver->OpenSquare(2, 2));
    EXPECT_EQ(s.Driver->Snapshot->GetColumn(2)[2].Opened, 1);
    EXPECT_EQ(s.Driver->Snapshot->GetColumn(2)[2].Number, -1);
    ASSERT_TRUE(s.Read());
    EXPECT_NE(s.Board->State, GameState::NotStarted);
    EXPECT_EQ(s.Board->GetColumn(2)[2].Opened, 1);
    EXPECT_FALSE(s.Driver->FlagSquare(2, 2)) << "opened squares take no flag";

    // The pointer jumps to the square's centre; both positions are recorded.
    SaverState.Reset();
    SaverState.ExpectedCursorPos.Store(SScreenPoint{7, 8});
    EXPECT_TRUE(s.Driver->MoveCursorToSquare(1, 2));
    POINT c{20 + 16, 63 + 32};
    ClientToScreen(s.Game.Window(), &c);
    auto text = [](long x, long y) { return std::to_string(x) + "," + std::to_string(y); };
    SScreenPoint expected = SaverState.ExpectedCursorPos.Load(), previous = SaverState.PreviousCursorPos.Load();
    EXPECT_EQ(text(expected.X, expected.Y), text(c.x, c.y));
    EXPECT_EQ(text(previous.X, previous.Y), "7,8");
    POINT now;
    GetCursorPos(&now);
    EXPECT_EQ(text(now.x, now.y), text(c.x, c.y));
    EXPECT_TRUE(s.Driver->MoveCursorToSquare(0, 0));
    EXPECT_EQ(SaverState.PreviousCursorPos.Load().X, c.x);

    // With animation on, an action moves the pointer there too.
    s.Driver->PauseAfterAction = true;
    s.Driver->PauseTime = 1;
    ASSERT_TRUE(s.Driver->DoAction(8, 8, 1.0, CMineSweeperInterface::Flag)) << "a certain flag is performed at once";
    POINT c2{20 + 16 * 8, 63 + 16 * 8};
    ClientToScreen(s.Game.Window(), &c2);
    expected = SaverState.ExpectedCursorPos.Load();
    EXPECT_EQ(text(expected.X, expected.Y), text(c2.x, c2.y));

    // A pointer the user moved since the last jump is reported to the saver
    // window as the hooks report input, and left where the user put it: the
    // window's own message for that move may come only after the next jump.
    HWND receiver = wintest::MessageWindow("KorvaneMoveReports", ReportProc);
    SaverState.SaverWindow = receiver;
    ASSERT_TRUE(SetCursorPos(5, 6));
    EXPECT_FALSE(s.Driver->MoveCursorToSquare(0, 0));
    wintest::Pump();
    EXPECT_EQ(g_ReportedMove, MAKELPARAM(5, 6));
    GetCursorPos(&now);
    EXPECT_EQ(text(now.x, now.y), "5,6");
    SaverState.SaverWindow = nullptr;
    DestroyWindow(receiver);
    SaverState.Reset();
}

// A button the game takes after the driver stopped waiting: a late
// button-up is sent again and the opening counts; a late button-down does not
// count, but is released, so that the game takes the whole click and holds no
// square down.
TEST(Mouse, LateButtonsLeaveNoSquareHeld) {
    const struct {
        const char* Environment;
        bool Counted;
    } cases[] = {{"VELKOR_BUSY_BUTTON_UP=2500", true}, {"VELKOR_BUSY_BUTTON_DOWN=2500", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Environment);
        SSession s;
        ASSERT_TRUE(s.Start(5, kLevels[0], 1234, {c.Environment}));
        ASSERT_TRUE(s.Read());
        EXPECT_EQ(s.Driver->OpenSquare(4, 4), c.Counted);
        EXPECT_EQ(s.Driver->Snapshot->GetColumn(4)[4].Opened, c.Counted ? 1 : 0);
        ASSERT_TRUE(wintest::WaitFor([&] { return s.Read(); }, 5000)) << "the game holds a square down";
        EXPECT_EQ(s.Board->GetColumn(4)[4].Opened, 1);
    }
}

TEST(Menu, LevelsAndCustomFieldThroughMenuAndDialog) {
    SSession s;
    ASSERT_TRUE(s.Start(5, kLevels[0]));
    ASSERT_TRUE(s.Read());
    for (const SLevel& level : kLevels) {
        const bool resized = level.Width != s.Board->Width || level.Height != s.Board->Height;
        const bool grown = resized && level.Width >= s.Board->Width && level.Height >= s.Board->Height;
        GameSettings want{level.Level, level.Width, level.Height, level.Mines};
        ASSERT_TRUE(s.Driver->SetGameSettings(&want));
        Settle(s.Game.Window());
        // A board whose size changed since the last read is never returned
        // stale: refused within a larger window, unseen in a smaller one.
        bool changed = false;
        EXPECT_EQ(s.Driver->UpdateBoard(s.Board, &changed, false), !grown) << level.Name;
        EXPECT_EQ(changed, grown) << level.Name;
        EXPECT_EQ(s.Read(), !resized) << level.Name;
        EXPECT_EQ(s.Driver->Width, level.Width);
        EXPECT_EQ(s.Driver->Height, level.Height);
        GameSettings got{9, 0, 0, 12345};
        ASSERT_TRUE(s.Driver->GetGameSettings(&got, true)) << level.Name;
        EXPECT_EQ(Text(got), Text(want));
        GameSettings quick{9, 0, 0, 777};
        ASSERT_TRUE(s.Driver->GetGameSettings(&quick, false));
        EXPECT_EQ(quick.Mines, level.Level == 3 ? 777u : level.Mines) << "custom mines kept unread";
        // The game shows the new field: a fresh full read gets its size.
        delete s.Board;
        s.Board = nullptr;
        ASSERT_TRUE(s.Read()) << level.Name;
        EXPECT_EQ(s.Shown(), Fresh(level));
    }
    // After a standard level, confirming the dialog unchanged makes a custom
    // field of the same size.
    GameSettings expert{2, 30, 16, 99};
    ASSERT_TRUE(s.Driver->SetGameSettings(&expert));
    Settle(s.Game.Window());
    ASSERT_TRUE(s.Driver->ReapplyCustomField());
    Settle(s.Game.Window());
    GameSettings got{};
    ASSERT_TRUE(s.Driver->GetGameSettings(&got, true));
    // The game's menu marks the custom field; the size alone would say Expert.
    EXPECT_EQ(Text(got), Text({3, 30, 16, 99}));

    EXPECT_FALSE(s.Driver->GetGameSettings(nullptr, true));
    EXPECT_FALSE(s.Driver->SetGameSettings(nullptr));
    GameSettings bad{7, 1, 1, 1};
    EXPECT_TRUE(s.Driver->SetGameSettings(&bad)) << "an unknown level sends nothing";
}

// The menu logic on a window of this process, whose menu is always readable.
struct SMenuWindow {
    HWND Window = nullptr;
    int OptionToggles = 0;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_COMMAND) {
            SMenuWindow* self = reinterpret_cast<SMenuWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            HMENU menu = GetMenu(hwnd);
            UINT cmd = LOWORD(wParam);
            if (cmd >= 521 && cmd <= 523) {
                for (UINT c = 521; c <= 524; ++c) CheckMenuItem(menu, c, MF_BYCOMMAND | (c == cmd ? MF_CHECKED : 0));
            } else if (cmd == 529) {
                ++self->OptionToggles;
                bool on = GetMenuState(menu, 529, MF_BYCOMMAND) & MF_CHECKED;
                CheckMenuItem(menu, 529, MF_BYCOMMAND | (on ? MF_UNCHECKED : MF_CHECKED));
            }
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    SMenuWindow() {
        HMENU menu = CreateMenu();
        for (UINT c : {510u, 521u, 522u, 523u, 524u, 529u}) AppendMenuA(menu, MF_STRING, c, "item");
        CheckMenuItem(menu, 523, MF_BYCOMMAND | MF_CHECKED);
        // 16 x 16 squares in layout 5.
        Window = wintest::CreateBoardWindow("DriverTestMenu", Proc, "menu", 16, 16, menu, WS_OVERLAPPEDWINDOW, 0, 0);
        SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~SMenuWindow() { DestroyWindow(Window); }
};

TEST(Menu, CheckMarksDecideTheLevelAndTheOptionIsKept) {
    SMenuWindow w;
    ASSERT_TRUE(w.Window);
    CVelkorInterface driver(w.Window);
    GameSettings got{9, 0, 0, 5};
    ASSERT_TRUE(driver.GetGameSettings(&got, false));
    // The menu, not the size, decides: Expert is checked on a 16 x 16 client.
    EXPECT_EQ(Text(got), Text({2, 16, 16, 99}));
    GameSettings beginner{0, 9, 9, 10};
    ASSERT_TRUE(driver.SetGameSettings(&beginner));
    wintest::Pump();
    ASSERT_TRUE(driver.GetGameSettings(&got, false));
    EXPECT_EQ(Text(got), Text({0, 16, 16, 10}));

    // The option's item is toggled only when it is not in the wanted state.
    const struct {
        bool Want;
        int Toggles;
    } steps[] = {{false, 0}, {true, 1}, {true, 1}, {false, 2}};
    EXPECT_FALSE(driver.IsGameOptionChecked());
    for (const auto& step : steps) {
        EXPECT_TRUE(driver.SetGameOptionChecked(step.Want));
        wintest::Pump();
        EXPECT_EQ(driver.IsGameOptionChecked(), step.Want);
        EXPECT_EQ(w.OptionToggles, step.Toggles);
    }
}

// A game window without a menu handle that reports its check marks to
// "VelkorMenuState": Expert and the option checked. Muted, it answers the
// message as a game that does not know it (0), so that nothing can be read.
struct SMenuMessageWindow {
    static inline bool Mute = false;
    HWND Window = nullptr;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg != RegisterWindowMessageA("VelkorMenuState")) return DefWindowProcA(hwnd, msg, wParam, lParam);
        if (Mute) return 0;
        return wParam == 523 || wParam == 529 ? MF_CHECKED : wParam >= 510 && wParam <= 529 ? 0 : -1;
    }
    SMenuMessageWindow() {
        Window = wintest::CreateBoardWindow("DriverTestMenuMessage", Proc, "no menu", 16, 16, nullptr,
                                            WS_OVERLAPPEDWINDOW, 0, 0);
    }
    ~SMenuMessageWindow() { DestroyWindow(Window); }
};

// Without a menu handle the settings are still read: the marks as the game
// reports them, or else the size; the option reads as unknown, not
// unchecked, when the game does not answer.
TEST(Menu, NoMenuHandleStillGivesTheSettings) {
    SMenuMessageWindow w;
    ASSERT_TRUE(w.Window);
    ASSERT_FALSE(GetMenu(w.Window));
    CVelkorInterface driver(w.Window);
    struct {
        bool Mute;
        uint32_t Level, Mines;  // Expert from the marks; by the size 16 x 16 is Intermediate
        int Option;
    } cases[] = {{false, 2, 99, 1}, {true, 1, 40, -1}};
    for (const auto& c : cases) {
        SMenuMessageWindow::Mute = c.Mute;
        GameSettings got{9, 0, 0, 5};
        EXPECT_TRUE(driver.GetGameSettings(&got, false)) << "mute " << c.Mute;
        EXPECT_EQ(Text(got), Text({c.Level, 16, 16, c.Mines})) << "mute " << c.Mute;
        EXPECT_EQ(driver.GameOptionState(), c.Option) << "mute " << c.Mute;
    }
    SMenuMessageWindow::Mute = false;
}

TEST(Closed, EveryOperationFailsSoftly) {
    SSession s;
    ASSERT_TRUE(s.Start(5, kLevels[0]));
    ASSERT_TRUE(s.Read());
    EXPECT_FALSE(s.Driver->IsGameClosed());
    s.Game.Stop();
    ASSERT_TRUE(wintest::WaitWindowGone(s.Driver->GameWindow, 5000));
    EXPECT_TRUE(s.Driver->IsGameClosed());
    EXPECT_FALSE(s.Driver->ReadBoard(&s.Board));
    CMineSweeperBoard* fresh = nullptr;
    EXPECT_FALSE(s.Driver->ReadBoard(&fresh));
    EXPECT_EQ(fresh, nullptr);
    bool changed = false;
    EXPECT_TRUE(s.Driver->UpdateBoard(s.Board, &changed, false));
    EXPECT_FALSE(changed);
    int32_t counter = 0;
    EXPECT_FALSE(s.Driver->ReadMineCounter(&counter));
    EXPECT_FALSE(s.Driver->IsBoardVisible());
    GameSettings g{};
    EXPECT_FALSE(s.Driver->GetGameSettings(&g, true));
    EXPECT_FALSE(s.Driver->SetGameSettings(&g));
    EXPECT_FALSE(s.Driver->ReapplyCustomField());
    EXPECT_FALSE(s.Driver->IsGameOptionChecked());
    EXPECT_FALSE(s.Driver->SetGameOptionChecked(true));
    EXPECT_FALSE(s.Driver->NewGame());
    // A click that reaches no game opens nothing.
    EXPECT_FALSE(s.Driver->OpenSquare(0, 0));
    EXPECT_FALSE(s.Driver->Snapshot->GetColumn(0)[0].Opened);
    EXPECT_TRUE(s.Driver->MoveCursorToSquare(0, 0));
}

}  // namespace
