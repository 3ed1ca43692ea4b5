// The stand-in game velkor.exe as the screen saver sees it: a separate
// process whose window is found by class and title, read from its pixels by
// the independent checker and driven by messages from this process.
// Both builds (layout 5 and the layout 4 variant) run every test.
//
// With STANDIN_SHOTS set to a directory, the scenes are also saved there as
// PNG files (the pictures in docs/ come from this).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "PackedDib.h"
#include "PixelChecker.h"
#include "WinTestSupport.h"

namespace {

const char kKey[] = "Software\\VelkorGame";

enum { CmdNew = 510, CmdBeginner = 521, CmdIntermediate = 522, CmdExpert = 523, CmdCustom = 524, CmdMarks = 529 };

struct SLevel {
    int Command;
    int Width, Height, Mines;
    const char* Name;
};
const SLevel kLevels[] = {{CmdBeginner, 9, 9, 10, "beginner"},
                          {CmdIntermediate, 16, 16, 40, "intermediate"},
                          {CmdExpert, 30, 16, 99, "expert"}};

std::string GamePath(int layout) {
    return wintest::ProgramDir() + (layout >= 5 ? "..\\..\\bin\\velkor.exe" : "..\\..\\bin\\layout4\\velkor.exe");
}

LPARAM Point(int x, int y) { return MAKELPARAM(20 + 16 * x, 63 + 16 * y); }

// One running game and the files of its test hooks.
class CGame {
public:
    ~CGame() { Close(); }

    bool Start(int layout, const char* seed = "7") {
        Layout = layout;
        // One pair of files per layout: the two layouts' tests run side by side.
        DumpPath = wintest::ProgramDir() + "standin-dump-" + std::to_string(layout) + ".txt";
        RecordPath = wintest::ProgramDir() + "standin-record-" + std::to_string(layout) + ".txt";
        DeleteFileA(DumpPath.c_str());
        DeleteFileA(RecordPath.c_str());
        std::vector<std::string> env = {std::string("VELKOR_SEED=") + seed, "VELKOR_BOARD_DUMP=" + DumpPath,
                                        "VELKOR_RECORD=" + RecordPath};
        if (!wintest::StartProcess("\"" + GamePath(layout) + "\"", &Child, env)) return false;
        Window = wintest::WaitForWindow("MineSweeper", "MineSweeper", 10000);
        if (!Window) return false;
        DWORD pid = 0;
        Thread = GetWindowThreadProcessId(Window, &pid);
        for (int i = 0; i < 100 && !IsWindowVisible(Window); ++i) Sleep(50);
        return pid == Child.Pid && IsWindowVisible(Window);
    }

    // Asks the game to close; true when the process ended by itself.
    bool Close() {
        if (!Child.Process) return true;
        if (Window && IsWindow(Window)) PostMessageA(Window, WM_CLOSE, 0, 0);
        DWORD code = 1;
        bool ended = wintest::WaitProcess(&Child, 10000, &code);
        Child = wintest::SChild();
        return ended && code == 0;
    }

    static DWORD_PTR Send(HWND window, UINT msg, WPARAM w, LPARAM l) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, msg, w, l, SMTO_ABORTIFHUNG, 5000, &result);
        return result;
    }
    void Command(int id) { Send(Window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    void Open(int x, int y) {
        Send(Window, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
        Send(Window, WM_LBUTTONUP, 0, Point(x, y));
    }
    void Mark(int x, int y) {
        Send(Window, WM_RBUTTONDOWN, MK_RBUTTON, Point(x, y));
        Send(Window, WM_RBUTTONUP, 0, Point(x, y));
    }
    // The check mark of a menu item. Wine keeps menus to their process, so
    // there the game answers "VelkorMenuState" instead; where the menu can
    // be read directly, both must agree.
    bool Checked(int id) {
        const DWORD_PTR viaMessage =
            Send(Window, RegisterWindowMessageA("VelkorMenuState"), static_cast<WPARAM>(id), 0);
        HMENU menu = GetMenu(Window);
        if (GetMenuItemCount(menu) >= 0) {
            UINT direct = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
            EXPECT_EQ(direct, static_cast<UINT>(viaMessage)) << id;
        }
        return static_cast<UINT>(viaMessage) != 0xFFFFFFFFu && (viaMessage & MF_CHECKED) != 0;
    }

    SIZE Client() {
        RECT r{};
        GetClientRect(Window, &r);
        return {r.right, r.bottom};
    }
    int Columns() { return (Client().cx - 20) / 16; }
    int Rows() { return (Client().cy - 63) / 16; }

    bool Capture() {
        wintest::PumpFor(50);
        return wintest::CaptureClient(Window, &Shot);
    }
    pixelcheck::PixelFn Pixels() const {
        return [this](int x, int y) { return static_cast<uint32_t>(Shot.At(x, y)); };
    }
    std::string Board() { return Capture() ? pixelcheck::BoardText(Pixels(), Columns(), Rows(), Layout) : ""; }
    int Counter() {
        int value = 12345;
        if (!Capture() || !pixelcheck::ReadCounter(Pixels(), &value)) return 12345;
        return value;
    }
    // The true layout: rows of '*' and '.'.
    std::vector<std::string> TrueLayout() { return wintest::ReadLines(DumpPath); }

    HWND OpenCustomDialog() {
        PostMessageA(Window, WM_COMMAND, CmdCustom, 0);
        std::pair<HWND, HWND> search{Window, nullptr};  // the game, the dialog found
        const auto isDialog = [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<std::pair<HWND, HWND>*>(lParam);
            if (GetParent(hwnd) != s->first || !GetDlgItem(hwnd, 141) || !GetDlgItem(hwnd, 142) ||
                !GetDlgItem(hwnd, 143))
                return TRUE;
            s->second = hwnd;
            return FALSE;
        };
        wintest::WaitFor([&] {
            EnumThreadWindows(Thread, isDialog, reinterpret_cast<LPARAM>(&search));
            return search.second != nullptr;
        }, 5000);
        return search.second;
    }
    // Fills the dialog as the screen saver does (null leaves a field as it
    // is) and presses OK or Cancel; shownMines gets the mines as first shown.
    bool SetCustom(const char* height, const char* width, const char* mines, bool ok = true,
                   std::string* shownMines = nullptr) {
        HWND dialog = OpenCustomDialog();
        if (!dialog) return false;
        char shown[16] = "";
        Send(GetDlgItem(dialog, 143), WM_GETTEXT, sizeof shown, reinterpret_cast<LPARAM>(shown));
        if (shownMines) *shownMines = shown;
        const char* texts[3] = {height, width, mines};
        for (int i = 0; i < 3; ++i)
            if (texts[i]) Send(GetDlgItem(dialog, 141 + i), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texts[i]));
        int button = ok ? IDOK : IDCANCEL;
        PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(button),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        return wintest::WaitWindowGone(dialog, 5000);
    }

    void SaveShot(const char* name) { wintest::SaveWindowShot(Window, "STANDIN_SHOTS", name); }

    wintest::SChild Child;
    HWND Window = nullptr;
    DWORD Thread = 0;
    int Layout = 5;
    std::string DumpPath, RecordPath;
    wintest::SImage Shot;
};

int Neighbours(const std::vector<std::string>& layout, int x, int y) {
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if ((dx || dy) && ny >= 0 && ny < static_cast<int>(layout.size()) && nx >= 0 &&
                nx < static_cast<int>(layout[ny].size()))
                n += layout[ny][nx] == '*';
        }
    return n;
}

// What the board shows must agree with the true layout; returns the first
// disagreement, or an empty string.
std::string Disagreement(const std::string& board, const std::vector<std::string>& layout) {
    std::istringstream rows(board);
    std::string row;
    for (int y = 0; std::getline(rows, row); ++y) {
        if (y >= static_cast<int>(layout.size()) || row.size() != layout[y].size()) return "size differs";
        for (int x = 0; x < static_cast<int>(row.size()); ++x) {
            char c = row[x];
            bool mine = layout[y][x] == '*';
            std::string where = " at " + std::to_string(x) + "," + std::to_string(y);
            if (c >= '0' && c <= '8' && (mine || c - '0' != Neighbours(layout, x, y)))
                return std::string("number ") + c + where;
            if ((c == '*' || c == 'X') && !mine) return "mine shown on a free square" + where;
            if (c == 'W' && mine) return "wrong flag on a mine" + where;
            if (c == '!') return "unreadable square" + where;
        }
    }
    return "";
}

class StandinWindow : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        wintest::RegDeleteTree(kKey);
        ASSERT_TRUE(Game.Start(GetParam())) << GamePath(GetParam());
    }
    void TearDown() override { EXPECT_TRUE(Game.Close()) << "the game did not end on WM_CLOSE"; }

    // Opens every free square, checking the board now and then; true when won.
    bool PlayToWin(std::set<char>* numbersSeen) {
        std::vector<std::string> layout = Game.TrueLayout();
        for (int y = 0; y < static_cast<int>(layout.size()); ++y)
            for (int x = 0; x < static_cast<int>(layout[y].size()); ++x)
                if (layout[y][x] == '.') Game.Open(x, y);
        std::string board = Game.Board();
        for (char c : board)
            if (c >= '1' && c <= '8') numbersSeen->insert(c);
        EXPECT_EQ(Disagreement(board, layout), "") << board;
        for (int y = 0; y < static_cast<int>(layout.size()); ++y)
            for (int x = 0; x < static_cast<int>(layout[y].size()); ++x)
                if (board[y * (layout[y].size() + 1) + x] != (layout[y][x] == '*' ? 'F' : '0' + Neighbours(layout, x, y)))
                    return false;
        return Game.Counter() == 0;
    }

    CGame Game;
};

TEST_P(StandinWindow, LevelsSizeTheClientAndCheckTheirMenuItems) {
    const int extra = GetParam() >= 5 ? 0 : 4;
    EXPECT_TRUE(Game.Checked(CmdBeginner)) << "Beginner is the default";
    EXPECT_TRUE(Game.Checked(CmdMarks)) << "question marks are on by default";
    for (const SLevel& level : kLevels) {
        Game.Command(level.Command);
        SIZE c = Game.Client();
        EXPECT_EQ(c.cx, 16 * level.Width + 20 + extra) << level.Name;
        EXPECT_EQ(c.cy, 16 * level.Height + 63 + extra) << level.Name;
        for (int id = CmdBeginner; id <= CmdCustom; ++id) EXPECT_EQ(Game.Checked(id), id == level.Command) << id;
        std::string board = Game.Board();
        EXPECT_EQ(board, pixelcheck::BoardText([](int, int) { return pixelcheck::White; }, level.Width, level.Height,
                                               GetParam()))
            << "a new game is all covered:\n" << board;
        EXPECT_EQ(Game.Counter(), level.Mines) << level.Name;
        DWORD stored = 99;
        EXPECT_TRUE(wintest::RegGetDword(kKey, "Level", &stored));
        EXPECT_EQ(static_cast<int>(stored), level.Command - CmdBeginner);
    }
}

TEST_P(StandinWindow, MarksCycleAndTheCounterGoesNegative) {
    struct {
        bool Marks;
        const char* Sequence;  // what the square shows after each right click
        int Counters[3];
    } cases[] = {{true, "F?#", {9, 10, 10}}, {false, "F#F", {9, 10, 9}}};
    for (const auto& c : cases) {
        if (Game.Checked(CmdMarks) != c.Marks) Game.Command(CmdMarks);
        ASSERT_EQ(Game.Checked(CmdMarks), c.Marks);
        Game.Command(CmdNew);
        for (int i = 0; i < 3; ++i) {
            Game.Mark(3, 4);
            std::string board = Game.Board();
            EXPECT_EQ(board[4 * 10 + 3], c.Sequence[i]) << "marks " << c.Marks << " click " << i << "\n" << board;
            EXPECT_EQ(Game.Counter(), c.Counters[i]);
        }
    }
    // Fifteen flags on ten mines: the counter shows -5; every square flagged, -71.
    Game.Command(CmdNew);
    for (int i = 0; i < 15; ++i) Game.Mark(i % 9, i / 9);
    EXPECT_EQ(Game.Counter(), -5);
    for (int i = 15; i < 81; ++i) Game.Mark(i % 9, i / 9);
    EXPECT_EQ(Game.Counter(), -71);
}

TEST_P(StandinWindow, WinningShowsEveryNumberFlagsAllMinesAndIsRecorded) {
    std::set<char> numbers;
    std::vector<std::string> expectedRecord;
    // Beginner gives the small numbers, a dense custom field the large ones.
    for (int game = 0; game < 3; ++game) {
        ASSERT_TRUE(PlayToWin(&numbers)) << Game.Board();
        expectedRecord.push_back("level=beginner width=9 height=9 mines=10 result=won");
        Game.Command(CmdNew);
    }
    ASSERT_TRUE(Game.SetCustom("9", "9", "64"));
    for (int game = 0; game < 6 && numbers.size() < 8; ++game) {
        ASSERT_TRUE(PlayToWin(&numbers)) << Game.Board();
        expectedRecord.push_back("level=custom width=9 height=9 mines=64 result=won");
        Game.Command(CmdNew);
    }
    EXPECT_EQ(numbers.size(), 8u) << "numbers seen: " << std::string(numbers.begin(), numbers.end());
    EXPECT_EQ(wintest::ReadLines(Game.RecordPath), expectedRecord);
    Game.SetCustom("12", "20", "30");
    ASSERT_TRUE(PlayToWin(&numbers));
    Game.SaveShot(GetParam() >= 5 ? "standin-custom-won.png" : "standin-layout4-custom-won.png");
}

TEST_P(StandinWindow, LosingShowsMinesTheExplodedOneAndWrongFlags) {
    Game.Command(CmdIntermediate);
    std::vector<std::string> layout = Game.TrueLayout();
    ASSERT_EQ(layout.size(), 16u);
    std::vector<POINT> mines, free;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) (layout[y][x] == '*' ? mines : free).push_back({x, y});
    // Open a few free squares first, so that the loss is not a first click.
    for (int i = 0; i < 40; i += 4) Game.Open(free[i].x, free[i].y);
    std::string board = Game.Board();
    EXPECT_EQ(Disagreement(board, layout), "") << board;
    POINT flagged = mines[0], question = mines[1], hit = mines[2], wrong{-1, -1};
    for (const POINT& p : free)
        if (board[p.y * 17 + p.x] == '#') wrong = p;
    ASSERT_GE(wrong.x, 0);
    Game.Mark(flagged.x, flagged.y);
    Game.Mark(wrong.x, wrong.y);
    Game.Mark(question.x, question.y);
    Game.Mark(question.x, question.y);
    Game.SaveShot(GetParam() >= 5 ? "standin-intermediate-midgame.png" : "standin-layout4-intermediate-midgame.png");
    Game.Open(hit.x, hit.y);
    board = Game.Board();
    EXPECT_EQ(Disagreement(board, layout), "") << board;
    EXPECT_EQ(board[hit.y * 17 + hit.x], 'X') << board;
    EXPECT_EQ(board[flagged.y * 17 + flagged.x], 'F') << board;
    EXPECT_EQ(board[wrong.y * 17 + wrong.x], 'W') << board;
    EXPECT_EQ(board[question.y * 17 + question.x], '*') << board;
    int shown = 0, crossed = 0;
    for (char c : board) {
        shown += c == '*' || c == 'X';
        crossed += c == 'W';
    }
    EXPECT_EQ(shown, 39) << "every mine but the flagged one is shown";
    EXPECT_EQ(Game.Counter(), shown - crossed) << "the counter agrees with the shown mines";
    // A finished game takes no more moves.
    Game.Open(free.back().x, free.back().y);
    Game.Mark(mines[3].x, mines[3].y);
    EXPECT_EQ(Game.Board(), board);
    EXPECT_EQ(wintest::ReadLines(Game.RecordPath),
              std::vector<std::string>{"level=intermediate width=16 height=16 mines=40 result=lost"});
}

TEST_P(StandinWindow, ScreenshotsOfEachLevel) {
    // Beginner in play: an opening, a flag and a question mark.
    std::vector<std::string> layout = Game.TrueLayout();
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            if (layout[y][x] == '.' && Neighbours(layout, x, y) == 0) {
                Game.Open(x, y);
                y = x = 9;
            }
    std::string board = Game.Board();
    EXPECT_EQ(Disagreement(board, layout), "") << board;
    EXPECT_NE(board.find_first_of("012345678"), std::string::npos) << board;
    Game.SaveShot(GetParam() >= 5 ? "standin-beginner-midgame.png" : "standin-layout4-beginner-midgame.png");
    Game.Command(CmdNew);
    Game.SaveShot(GetParam() >= 5 ? "standin-beginner.png" : "standin-layout4-beginner.png");

    // Expert: play the free squares of the upper half, then lose.
    Game.Command(CmdExpert);
    layout = Game.TrueLayout();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 30; ++x)
            if (layout[y][x] == '.') Game.Open(x, y);
    board = Game.Board();
    EXPECT_EQ(Disagreement(board, layout), "") << board;
    Game.SaveShot(GetParam() >= 5 ? "standin-expert-midgame.png" : "standin-layout4-expert-midgame.png");
    for (int y = 15; y >= 0; --y)
        if (layout[y].find('*') != std::string::npos) {
            Game.Open(static_cast<int>(layout[y].find('*')), y);
            break;
        }
    board = Game.Board();
    EXPECT_EQ(Disagreement(board, layout), "") << board;
    EXPECT_EQ(std::count(board.begin(), board.end(), 'X'), 1) << board;
    Game.SaveShot(GetParam() >= 5 ? "standin-expert-lost.png" : "standin-layout4-expert-lost.png");
}

TEST_P(StandinWindow, CustomDialogClampsAndCancelKeepsTheField) {
    const int extra = GetParam() >= 5 ? 0 : 4;
    struct {
        const char *Height, *Width, *Mines;
        bool Ok;
        int WantW, WantH, WantMines;
    } cases[] = {
        {"12", "20", "30", true, 20, 12, 30},   {"15", "25", "50", false, 20, 12, 30},
        {"1", "100", "9999", true, 30, 9, 232}, {"abc", "", "x", true, 30, 9, 232},
        {"24", "30", "5", true, 30, 24, 10},    {"99999999999", "9", "999999999999", true, 9, 24, 184},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Game.SetCustom(c.Height, c.Width, c.Mines, c.Ok)) << "dialog not found or not closed";
        wintest::PumpFor(50);
        SIZE client = Game.Client();
        EXPECT_EQ(client.cx, 16 * c.WantW + 20 + extra) << c.Height << " " << c.Width << " " << c.Mines;
        EXPECT_EQ(client.cy, 16 * c.WantH + 63 + extra) << c.Height << " " << c.Width << " " << c.Mines;
        EXPECT_EQ(Game.Counter(), c.WantMines) << c.Height << " " << c.Width << " " << c.Mines;
        EXPECT_TRUE(Game.Checked(CmdCustom));
        EXPECT_FALSE(Game.Checked(CmdBeginner));
    }
    DWORD w = 0, h = 0, m = 0, level = 0;
    EXPECT_TRUE(wintest::RegGetDword(kKey, "Width", &w) && wintest::RegGetDword(kKey, "Height", &h) &&
                wintest::RegGetDword(kKey, "Mines", &m) && wintest::RegGetDword(kKey, "Level", &level));
    EXPECT_EQ(w, 9u);
    EXPECT_EQ(h, 24u);
    EXPECT_EQ(m, 184u);
    EXPECT_EQ(level, 3u);
    // Confirming unchanged values turns a standard level into a custom field of its size.
    Game.Command(CmdExpert);
    std::string shown;
    ASSERT_TRUE(Game.SetCustom(nullptr, nullptr, nullptr, true, &shown));
    EXPECT_EQ(shown, "99");
    wintest::PumpFor(50);
    EXPECT_TRUE(Game.Checked(CmdCustom));
    EXPECT_EQ(Game.Client().cx, 16 * 30 + 20 + extra);
    EXPECT_EQ(Game.Counter(), 99);
}

TEST_P(StandinWindow, MovesAndTopMostFromAnotherProcess) {
    ASSERT_TRUE(SetWindowPos(Game.Window, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    wintest::PumpFor(100);
    RECT r;
    GetWindowRect(Game.Window, &r);
    EXPECT_EQ(r.left, 123);
    EXPECT_EQ(r.top, 77);
    SetWindowPos(Game.Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    wintest::PumpFor(100);
    EXPECT_NE(GetWindowLongPtrA(Game.Window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetWindowPos(Game.Window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    wintest::PumpFor(100);
    EXPECT_EQ(GetWindowLongPtrA(Game.Window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // After the move the board still reads and plays at the same client points.
    Game.Open(0, 0);
    std::string board = Game.Board();
    EXPECT_EQ(Disagreement(board, Game.TrueLayout()), "") << board;
    EXPECT_NE(board[0], '#') << board;
}

TEST_P(StandinWindow, RemembersItsFieldAndFallsBackOnBadValues) {
    ASSERT_TRUE(Game.SetCustom("10", "11", "12"));
    ASSERT_TRUE(Game.Close());
    ASSERT_TRUE(Game.Start(GetParam()));
    EXPECT_TRUE(Game.Checked(CmdCustom));
    EXPECT_EQ(Game.Columns(), 11);
    EXPECT_EQ(Game.Rows(), 10);
    EXPECT_EQ(Game.Counter(), 12);
    ASSERT_TRUE(Game.Close());

    struct {
        const char* What;
        void (*Prepare)();
        int WantColumns, WantRows, WantCommand;
    } cases[] = {
        {"level as text", [] { wintest::RegSetRaw(kKey, "Level", REG_SZ, "2", 2); }, 9, 9, CmdBeginner},
        {"short level", [] { wintest::RegSetRaw(kKey, "Level", REG_DWORD, "\x02", 1); }, 9, 9, CmdBeginner},
        {"huge custom",
         [] {
             wintest::RegSetDword(kKey, "Level", 3);
             wintest::RegSetDword(kKey, "Width", 5000);
             wintest::RegSetDword(kKey, "Height", 0);
             wintest::RegSetDword(kKey, "Mines", 0xFFFFFFFF);
         },
         30, 9, CmdCustom},
        {"custom without size",
         [] {
             wintest::RegDeleteTree(kKey);
             wintest::RegSetDword(kKey, "Level", 3);
         },
         30, 24, CmdCustom},
    };
    for (const auto& c : cases) {
        wintest::RegDeleteTree(kKey);
        c.Prepare();
        ASSERT_TRUE(Game.Start(GetParam())) << c.What;
        EXPECT_EQ(Game.Columns(), c.WantColumns) << c.What;
        EXPECT_EQ(Game.Rows(), c.WantRows) << c.What;
        EXPECT_TRUE(Game.Checked(c.WantCommand)) << c.What;
        EXPECT_EQ(Game.Board().find('!'), std::string::npos) << c.What;
        ASSERT_TRUE(Game.Close()) << c.What;
    }
    ASSERT_TRUE(Game.Start(GetParam()));
}

TEST_P(StandinWindow, SeedRepeatsTheSequenceOfLayouts) {
    std::vector<std::vector<std::string>> first;
    for (int i = 0; i < 3; ++i) {
        first.push_back(Game.TrueLayout());
        Game.Command(CmdNew);
    }
    EXPECT_NE(first[0], first[1]);
    ASSERT_TRUE(Game.Close());
    ASSERT_TRUE(Game.Start(GetParam()));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Game.TrueLayout(), first[i]) << "game " << i;
        Game.Command(CmdNew);
    }
    // A seed that is no number is ignored rather than misread.
    ASSERT_TRUE(Game.Close());
    ASSERT_TRUE(Game.Start(GetParam(), "12abc"));
    EXPECT_EQ(Game.TrueLayout().size(), 9u);
}

TEST_P(StandinWindow, VersionAndSquareStripResources) {
    std::string path = GamePath(GetParam());
    DWORD handle = 0, size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len));
    if (GetParam() >= 5)
        EXPECT_GE(info->dwProductVersionMS, 0x50000u);
    else
        EXPECT_LT(info->dwProductVersionMS, 0x50000u);

    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(410), MAKEINTRESOURCEA(2));
    ASSERT_NE(found, nullptr);
    const auto* bits = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    pixelcheck::CPackedDib dib;
    ASSERT_TRUE(dib.Parse(bits, SizeofResource(module, found)));
    EXPECT_EQ(dib.Width, 16);
    EXPECT_GE(dib.Height, 256);
    EXPECT_EQ(pixelcheck::MisreadCells([&](int x, int y) { return dib.At(x, y); }, GetParam()), "");
    // What the window shows is drawn from that strip: a covered square matches cell 0.
    ASSERT_TRUE(Game.Capture());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(static_cast<uint32_t>(Game.Shot.At(12 + x, 55 + y)), dib.At(x, y)) << x << "," << y;
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(Layouts, StandinWindow, ::testing::Values(5, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Layout" + std::to_string(info.param);
                         });

}  // namespace
