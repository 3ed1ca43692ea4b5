// The screen saver run end to end under Wine: velkor.scr /s as its own
// process with the stand-in game beside it, real input from xdotool, the real
// registry, and the game's own record of its finished games.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PlayerSupport.h"
#include "StandinSupport.h"
#include "WinTestSupport.h"

namespace {

using playertest::ExpectUserGame;
using playertest::kGameKey;
using playertest::SUserGame;
using standintest::BuildPath;

const char kSaverKey[] = "Software\\VelkorScreenSaver";
const char* const kCounters[6] = {"BeginnerWonGames",     "BeginnerLostGames", "IntermediateWonGames",
                                  "IntermediateLostGames", "ExpertWonGames",    "ExpertLostGames"};

// Six counters in registry order: won, lost per level.
typedef std::vector<uint32_t> TCounts;

using wintest::WaitFor;
using wintest::Xdotool;

// The X keyboard focus on the foreground window. Wine moves it there itself
// when it activates a window, but not always for a window of this test
// program (seen after earlier tests in the same process): the key then went
// to the game behind it and was lost.
bool FocusForeground() {
    HWND foreground = GetForegroundWindow();
    const uintptr_t xWindow = reinterpret_cast<uintptr_t>(GetPropA(foreground, "__wine_x11_whole_window"));
    return xWindow != 0 && Xdotool("windowfocus --sync " + std::to_string(xWindow));
}

// A user's pointer move (Wine learns the position only from its own windows).
bool MovePointer(POINT p) { return Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y)); }

TCounts ReadCounters() {
    TCounts c(6, 0);
    for (int i = 0; i < 6; ++i) {
        DWORD v = 0;
        if (wintest::RegGetDword(kSaverKey, kCounters[i], &v)) c[i] = v;
    }
    return c;
}

void WriteCounters(const TCounts& c) {
    for (int i = 0; i < 6; ++i) wintest::RegSetDword(kSaverKey, kCounters[i], c[i]);
}

// The settings of a run; the rest of the key is removed first.
struct SSettings {
    DWORD Animation = 0, GameMode = 5, Blank = 1, ShowStatistics = 1, SwitchBlank = 0, SwitchAfter = 30;
};

// Replaces a key with the given values.
void WriteKey(const char* key, std::initializer_list<std::pair<const char*, DWORD>> values) {
    wintest::RegDeleteTree(key);
    for (const auto& v : values) wintest::RegSetDword(key, v.first, v.second);
}

void WriteSettings(const SSettings& s) {
    WriteKey(kSaverKey, {{"AnimationMode", s.Animation}, {"GameMode", s.GameMode}, {"BlankBackground", s.Blank},
                         {"ShowStatistics", s.ShowStatistics}, {"SwitchToBlankScreen", s.SwitchBlank},
                         {"SwitchToBlankScreenAfter", s.SwitchAfter}});
}

void WriteUserGame(const SUserGame& g) {
    WriteKey(kGameKey, {{"Level", g.Level}, {"Width", g.Width}, {"Height", g.Height}, {"Mines", g.Mines},
                        {"Marks", g.Marks}});
}

RECT ScreenRect() { return playertest::WindowRect(GetDesktopWindow()); }

bool CoversScreen(HWND w) {
    const RECT screen = ScreenRect(), r = playertest::WindowRect(w);
    return EqualRect(&r, &screen) != 0;
}

// Ends the process of a game window and waits for the window to go.
void KillGameProcess(HWND game) {
    DWORD pid = 0;
    if (!game || !GetWindowThreadProcessId(game, &pid) || !pid) return;
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) return;
    TerminateProcess(process, 255);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    wintest::WaitWindowGone(game, 5000);
}

// A game left by an earlier test (a run that was killed leaves its game
// top-most) would cover this run's game and be taken for it.
void CloseStrayGames() {
    for (int i = 0; i < 10; ++i) {
        HWND w = FindWindowA("MineSweeper", "MineSweeper");
        if (!w) return;
        KillGameProcess(w);
    }
}

// One velkor.scr /s in a directory of its own holding the program and,
// unless left out, the hook library and the stand-in game.
class CSaverRun {
public:
    ~CSaverRun() { Kill(); }

    // The settings and the stored counts are written first.
    bool Start(const SSettings& settings, const TCounts& stored, bool withHooks = true, bool withGame = true) {
        WriteSettings(settings);
        Stored = stored;
        WriteCounters(stored);
        CloseStrayGames();
        static int serial = 0;
        Dir = standintest::TempDir() + "saver-run-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++serial);
        CreateDirectoryA(Dir.c_str(), nullptr);
        struct { const char* From; const char* To; bool Wanted; } files[] = {
            {"bin/velkor.scr", "velkor.scr", true},
            {"bin/brenmoth.dll", "brenmoth.dll", withHooks},
            {"bin/velkor.exe", "velkor.exe", withGame},
        };
        // The directory may be left from an earlier test run: what is left out goes.
        for (const auto& f : files) {
            const std::string to = Dir + "\\" + f.To;
            if (f.Wanted ? !CopyFileA(BuildPath(f.From).c_str(), to.c_str(), FALSE) : !DeleteFileA(to.c_str()) &&
                                                                                     GetLastError() != ERROR_FILE_NOT_FOUND)
                return false;
        }
        RecordPath = Dir + "\\record.txt";
        DeleteFileA(RecordPath.c_str());
        if (!wintest::StartProcess("\"" + Dir + "\\velkor.scr\" /s", &Child, {"VELKOR_RECORD=" + RecordPath},
                                   Dir.c_str()))
            return false;
        Saver = wintest::WaitForWindow("VelkorScreenSaverClass", "VelkorScreenSaverMainWindow", 20000);
        if (withGame) {
            Game = wintest::WaitForWindow("MineSweeper", "MineSweeper", 20000);
            if (Game) GetWindowRect(Game, &FirstGameRect);
        }
        return Saver && (Game || !withGame);
    }

    // Finished games as the game itself recorded them.
    std::vector<std::string> Records() const {
        std::vector<std::string> lines = playertest::FileLines(RecordPath);
        lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
        return lines;
    }

    // On failure, says what was on the screen instead.
    ::testing::AssertionResult WaitGames(size_t n, DWORD timeoutMs = 60000) {
        if (WaitFor([&] { return Records().size() >= n; }, timeoutMs)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << Records().size() << " of " << n << " games finished; windows:\n"
                                             << wintest::DescribeWindows();
    }

    bool WaitGameClosed(DWORD timeoutMs = 30000) {
        return WaitFor([&] { return !IsWindow(Game); }, timeoutMs);
    }

    bool Running() const { return WaitForSingleObject(Child.Process, 0) == WAIT_TIMEOUT; }

    bool WaitExit(DWORD timeoutMs = 30000) {
        const bool ended = WaitFor([&] { return WaitForSingleObject(Child.Process, 0) == WAIT_OBJECT_0; }, timeoutMs);
        if (ended) wintest::WaitProcess(&Child, 1000, &ExitCode);
        return ended;
    }

    // Ends what is left of a failed run (the saver, then the game by its process id).
    void Kill() {
        wintest::KillProcess(&Child);
        if (Game && IsWindow(Game)) KillGameProcess(Game);
    }

    std::string Dir, RecordPath;
    TCounts Stored;
    wintest::SChild Child;
    HWND Saver = nullptr, Game = nullptr;
    RECT FirstGameRect = {};
    DWORD ExitCode = 0xDEAD;
};

// The run ends in time and cleanly (a crash would lose the counts).
void ExpectExit(CSaverRun& run, const char* what = "the run ends") {
    EXPECT_TRUE(run.WaitExit()) << what;
    EXPECT_EQ(run.ExitCode, 0u) << what;
}

// Won and lost per level from the game's record (custom games count nowhere).
TCounts CountRecords(const std::vector<std::string>& lines) {
    TCounts c(6, 0);
    for (const playertest::SRecord& r : playertest::ParseRecords(lines))
        if (r.Level < 3) ++c[2 * r.Level + (r.Won ? 0 : 1)];
    return c;
}

TCounts Sum(const TCounts& a, const TCounts& b) {
    TCounts c(6);
    for (int i = 0; i < 6; ++i) c[i] = a[i] + b[i];
    return c;
}

std::string Show(const TCounts& c) {
    std::string s;
    for (uint32_t v : c) s += std::to_string(v) + " ";
    return s;
}

// The registry holds the stored counts plus every recorded game, each once. Only
// the last game may be missing: it can end in the game after the player was stopped.
void ExpectMerged(const CSaverRun& run) {
    const TCounts& base = run.Stored;
    const std::vector<std::string> records = run.Records();
    const TCounts now = ReadCounters();
    const TCounts all = Sum(base, CountRecords(records));
    std::vector<std::string> allButLast(records.begin(), records.end() - (records.empty() ? 0 : 1));
    const TCounts most = Sum(base, CountRecords(allButLast));
    EXPECT_TRUE(now == all || now == most) << "registry " << Show(now) << "; expected " << Show(all) << "or "
                                            << Show(most) << "(" << records.size() << " games recorded)";
}

// Screen pixels outside the game: the white ones with their bounding box, and
// stray ones (not black) away from that box (the text's smoothed edges lie
// inside it).
struct SOverlayPixels {
    int White = 0, Stray = 0;
    RECT Box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    RECT Game = {0, 0, 0, 0};  // as it was at the capture
};

SOverlayPixels ScanOutsideGame(const RECT& game, const std::string& png) {
    SOverlayPixels p;
    wintest::SImage image;
    if (!wintest::CaptureScreen(ScreenRect(), &image)) return p;
    if (!png.empty()) wintest::SavePng(image, png);
    auto outside = [&](int x, int y) { return !(x >= game.left && x < game.right && y >= game.top && y < game.bottom); };
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            if (outside(x, y) && image.At(x, y) == RGB(255, 255, 255)) {
                ++p.White;
                p.Box = {std::min<LONG>(p.Box.left, x), std::min<LONG>(p.Box.top, y),
                         std::max<LONG>(p.Box.right, x + 1), std::max<LONG>(p.Box.bottom, y + 1)};
            }
    RECT around = p.Box;
    InflateRect(&around, 3, 3);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            if (outside(x, y) && image.At(x, y) != 0 && !PtInRect(&around, POINT{x, y})) ++p.Stray;
    return p;
}

// Waits until the screen outside the game (all of it without one) shows the
// overlay's white text, or else until it is all black; saves the shot named.
::testing::AssertionResult WaitScreen(HWND game, bool overlay, const char* shot, SOverlayPixels* p) {
    const bool shown = WaitFor([&] {
        RECT at{0, 0, 0, 0};
        if (game) GetWindowRect(game, &at);
        *p = ScanOutsideGame(at, shot ? BuildPath(std::string("tests/run/") + shot + ".png") : "");
        p->Game = at;
        return overlay ? p->White > 200 : p->White + p->Stray == 0;
    }, overlay ? 60000 : 10000);
    if (shown) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (overlay ? "no overlay drawn" : "not all black") << ": " << p->White
                                         << " white and " << p->Stray << " other pixels lit";
}

class SaverRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Start the pointer where no game lands first: the top-left corner.
        // Wine learns of xdotool's moves only over its own windows, and its
        // SetCursorPos moves the X pointer only when its own idea of the
        // position changes; both together make Wine and X agree, as the
        // saver takes the position at its start for the program's own.
        ASSERT_TRUE(Xdotool("mousemove 3 3"));
        ASSERT_TRUE(SetCursorPos(4, 4) && SetCursorPos(3, 3));
        wintest::PumpFor(150);  // past that, Wine asks X where the pointer is
        POINT at{};
        ASSERT_TRUE(WaitFor([&] { return GetCursorPos(&at) && at.x == 3 && at.y == 3; }, 2000)) << at.x << "," << at.y;
        // A user on a standard level unless a test says otherwise (see below
        // on custom fields).
        WriteUserGame({0, 9, 9, 10, 1});
    }
};

// The black background (no animation: with fast animation a run can still end
// by itself when reports of the program's own pointer moves lag behind; open):
// a user's click ends the run; the overlay sits
// beside the game; the user's custom game and option come back; the counts
// reach the registry once each.
TEST_F(SaverRunTest, BlackBackgroundEndsOnClick) {
    // The user plays Expert without question marks. (A user on a custom field
    // makes the driver open the custom-field dialog twice in a row at the
    // start, and the second search can find the first dialog while it closes.)
    const SUserGame user = {2, 30, 16, 99, 0};
    WriteUserGame(user);
    CSaverRun run;
    ASSERT_TRUE(run.Start({}, {7, 3, 2, 1, 4, 9}));

    EXPECT_TRUE(WaitFor([&] { return CoversScreen(run.Saver); })) << "the saver window covers the screen";
    EXPECT_TRUE(IsWindowVisible(run.Saver));
    ASSERT_TRUE(run.WaitGames(2)) << "games are played";
    EXPECT_TRUE(GetWindowLongPtrA(run.Game, GWL_EXSTYLE) & WS_EX_TOPMOST) << "the game is top-most";
    const RECT gameRect = playertest::WindowRect(run.Game), screen = ScreenRect();
    RECT inside;
    EXPECT_TRUE(IntersectRect(&inside, &gameRect, &screen) && EqualRect(&inside, &gameRect))
        << "the game lies inside the desktop";
    // The overlay: white text on black beside the game, never over it.
    SOverlayPixels overlay;
    ASSERT_TRUE(WaitScreen(run.Game, true, "black-background", &overlay));
    EXPECT_EQ(overlay.Stray, 0) << "only black and the white overlay beside the game";
    EXPECT_FALSE(IntersectRect(&inside, &overlay.Box, &overlay.Game)) << "overlay beside the game";

    ASSERT_TRUE(run.Running()) << "still running before any input";
    ASSERT_TRUE(Xdotool("click 1"));
    ASSERT_TRUE(run.WaitGameClosed()) << "a user's click ends the run";
    ExpectExit(run);
    playertest::ExpectGamePlace(run.FirstGameRect);
    ExpectUserGame(user);
    ExpectMerged(run);
}

// Over the desktop: the saver window stays hidden (no overlay), the hooks
// watch every thread, so a key typed into another program's window ends it.
// One level: under Wine a dialog of the game's (the custom field, opened for a
// level change) takes the X focus from the program in front.
TEST_F(SaverRunTest, OverDesktopInputAnywhereEnds) {
    CSaverRun run;
    ASSERT_TRUE(run.Start({.GameMode = 1, .Blank = 0}, {1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(run.WaitGames(1));
    EXPECT_FALSE(IsWindowVisible(run.Saver)) << "no black window, no overlay";
    // A window of this test program, away from the game, in front; gone
    // after a failure too, or it would cover the next run's corner.
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> other(
        CreateWindowExA(0, "STATIC", "Korvane other program", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 40, 40,
                        nullptr, nullptr, GetModuleHandleA(nullptr), nullptr),
        &DestroyWindow);
    ASSERT_TRUE(other);
    SetForegroundWindow(other.get());
    wintest::PumpFor(200);
    ASSERT_TRUE(FocusForeground());
    ASSERT_TRUE(Xdotool("key a"));
    ASSERT_TRUE(run.WaitGameClosed()) << "a key in another program ends the run";
    ExpectExit(run);
    ExpectMerged(run);
}

// Faults: without the hook library the background is black anyway (overlay
// on) and a pointer move one pixel off on the saver window ends the run.
TEST_F(SaverRunTest, HookLibraryMissingForcesBlackAndMoveEnds) {
    CSaverRun run;
    ASSERT_TRUE(run.Start({.Blank = 0}, {2, 2, 2, 2, 2, 2}, false, true));
    EXPECT_TRUE(IsWindowVisible(run.Saver)) << "black background forced";
    ASSERT_TRUE(run.WaitGames(1));
    SOverlayPixels overlay;
    EXPECT_TRUE(WaitScreen(run.Game, true, nullptr, &overlay));
    EXPECT_EQ(overlay.Stray, 0) << "only black and the white overlay beside the game";
    // The pointer still rests at the corner where it started (no animation);
    // a move one pixel off, once the game is not there, reaches the saver window.
    POINT corner = {4, 3};
    RECT gameRect;
    ASSERT_TRUE(WaitFor([&] { return GetWindowRect(run.Game, &gameRect) && !PtInRect(&gameRect, corner); }));
    ASSERT_TRUE(MovePointer(corner));
    ASSERT_TRUE(run.WaitGameClosed()) << "a move one pixel off on the saver window ends the run";
    ExpectExit(run);
    ExpectMerged(run);
}

// Faults: no game at all gives the black screen only, no overlay; a key ends it
// and the counters stay as they were.
TEST_F(SaverRunTest, GameMissingBlackScreenOnly) {
    CSaverRun run;
    ASSERT_TRUE(run.Start({}, {9, 8, 7, 6, 5, 4}, true, false));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(run.Saver) && CoversScreen(run.Saver); }))
        << "a black window over the whole screen";
    SOverlayPixels screen;
    EXPECT_TRUE(WaitScreen(nullptr, false, "game-missing", &screen));
    ASSERT_TRUE(Xdotool("key a"));
    ExpectExit(run, "a key press ends the run");
    EXPECT_EQ(ReadCounters(), run.Stored);
}

// Fast animation on Beginner: the program's own pointer moves, reported
// late by the game's thread, never end the run by themselves; a user's move
// away from the game does.
TEST_F(SaverRunTest, FastAnimationRunsOnUntilUserMove) {
    CSaverRun run;
    ASSERT_TRUE(run.Start({.Animation = 1, .GameMode = 1}, {5, 5, 0, 0, 0, 0}));
    const DWORD start = GetTickCount();
    ASSERT_TRUE(run.WaitGames(1)) << "games are played";
    // Still going after a quarter of a minute of pointer moves.
    EXPECT_FALSE(WaitFor([&] { return !run.Running(); }, 15000 - std::min<DWORD>(GetTickCount() - start, 10000)))
        << "the run ended by itself after " << run.Records().size() << " games";
    ASSERT_TRUE(run.Running());
    // The screen corner farthest from the game, on the saver window.
    RECT game;
    ASSERT_TRUE(GetWindowRect(run.Game, &game));
    const RECT screen = ScreenRect();
    const POINT away = {game.left + game.right > screen.right ? 2 : screen.right - 3,
                        game.top + game.bottom > screen.bottom ? 2 : screen.bottom - 3};
    ASSERT_TRUE(MovePointer(away));
    ASSERT_TRUE(run.WaitGameClosed()) << "a user's move ends the run";
    ExpectExit(run);
    ExpectMerged(run);
}

// The blank screen after one minute: the game in progress is finished and
// counted, the game is given back and closed, the screen is all black; a key
// ends the run.
TEST_F(SaverRunTest, BlankScreenAfterOneMinute) {
    const SUserGame user = {0, 9, 9, 10, 1};
    WriteUserGame(user);
    CSaverRun run;
    const DWORD start = GetTickCount();
    ASSERT_TRUE(run.Start({.GameMode = 3, .SwitchBlank = 1, .SwitchAfter = 1}, {0, 0, 0, 0, 1, 1}));
    ASSERT_TRUE(run.WaitGameClosed(150000)) << "the game is closed after the switch";
    EXPECT_GE(GetTickCount() - start, 60000u) << "not before the minute";
    playertest::ExpectGamePlace(run.FirstGameRect);
    ExpectUserGame(user);
    EXPECT_TRUE(IsWindowVisible(run.Saver));
    EXPECT_TRUE(GetWindowLongPtrA(run.Saver, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SOverlayPixels screen;
    EXPECT_TRUE(WaitScreen(nullptr, false, "blank-screen", &screen)) << "no overlay on the blank screen";
    EXPECT_FALSE(run.Records().empty());
    ASSERT_TRUE(Xdotool("key a"));
    ExpectExit(run, "a key press ends the run");
    // The player ended by itself, so every recorded game is in the registry.
    EXPECT_EQ(ReadCounters(), Sum(run.Stored, CountRecords(run.Records())));
}

}  // namespace
