// The full-screen saver window and its statistics overlay.
#include "SaverWindow.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "Clock.h"
#include "PlayerRules.h"
#include "Random.h"
#include "RunSaver.h"
#include "Saver.h"
#include "SaverState.h"
#include "SaverWindowCore.h"
#include "resource.h"

SOverlay Overlay;
HWND OverlayGameWindow = nullptr;

const char kSaverClass[] = "VelkorScreenSaverClass";
const char kSaverTitle[] = "VelkorScreenSaverMainWindow";

RECT VirtualScreenRect() {
    RECT r = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    r.right = r.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    r.bottom = r.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (r.right <= r.left || r.bottom <= r.top) GetWindowRect(GetDesktopWindow(), &r);
    return r;
}

namespace {

constexpr UINT_PTR kBlankTimer = 1;    // every 5 s: blank-screen delay, game moves
constexpr UINT_PTR kValuesTimer = 2;   // every 100 ms: overlay values, level change
constexpr UINT_PTR kMergeTimer = 3;    // every minute: this run's counts into the registry
constexpr int32_t kMinValuesWidth = 250;

// Hook reports (mouse message + 0x8000, keys 0x8100/0x8101).
constexpr UINT kReportNcMouseMove = 0x8000 + WM_NCMOUSEMOVE;
constexpr UINT kReportMouseMove = 0x8000 + WM_MOUSEMOVE;
constexpr UINT kReportKeyDown = 0x8100;
constexpr UINT kReportKeyUp = 0x8101;

LRESULT EndRun() {
    PostQuitMessage(0);
    return 0;
}

bool SamePoint(SScreenPoint a, int32_t x, int32_t y) { return a.X == x && a.Y == y; }

bool OverlayWanted() {
    return SaverSettings.ShowStatistics && SaverSettings.BlankBackground && !SaverState.BlankScreenActive;
}

// Won and lost of the level being played; false for a custom game, which has no counters.
bool LevelCounts(uint32_t* won, uint32_t* lost) {
    const uint32_t level = SaverState.CurrentLevel;
    if (level > 2) return false;
    *won = GameStatistics.WonThisRun[level] + GameStatistics.StoredWon[level];
    *lost = GameStatistics.LostThisRun[level] + GameStatistics.StoredLost[level];
    return true;
}

SIZE TextSize(HDC dc, const char* text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
    return size;
}

void PaintValues(HWND hwnd) {
    uint32_t won = 0, lost = 0;
    if (!Overlay.Placed || !LevelCounts(&won, &lost)) return;
    char lines[4][32];
    FormatOverlayValues(won, lost, lines);
    const int32_t width = Overlay.ValuesWidth, height = 5 * Overlay.LineHeight;
    HDC windowDc = GetDC(hwnd);
    if (!windowDc) return;
    // Drawn off screen and copied in one piece, so that the values do not flicker.
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
    if (memoryDc && bitmap) {
        HGDIOBJ oldBitmap = SelectObject(memoryDc, bitmap);
        HGDIOBJ oldFont = SelectObject(memoryDc, Overlay.Font);
        SetTextColor(memoryDc, RGB(255, 255, 255));
        SetBkMode(memoryDc, TRANSPARENT);
        RECT block = {0, 0, width, height};
        FillRect(memoryDc, &block, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        for (int i = 0; i < 4; ++i)
            TextOutA(memoryDc, 0, i * Overlay.LineHeight, lines[i], static_cast<int>(strlen(lines[i])));
        BitBlt(windowDc, Overlay.ValuesLeft, Overlay.Top, width, height, memoryDc, 0, 0, SRCCOPY);
        SelectObject(memoryDc, oldFont);
        SelectObject(memoryDc, oldBitmap);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(hwnd, windowDc);
}

// One font height: measures the block and picks a region beside the game;
// false when none has room.
bool PlaceBlock(HDC dc, const SSaverRect& desktop, POINT origin, uint32_t won, uint32_t lost) {
    int32_t labelWidth = 0, valuesWidth = 0, lineHeight = 0;
    char text[64];
    for (const char* label : Overlay.Labels) {
        snprintf(text, sizeof text, "%s: ", label);
        const SIZE s = TextSize(dc, text);
        if (s.cx > labelWidth) labelWidth = s.cx;
        if (s.cy > lineHeight) lineHeight = s.cy;
    }
    // Each value with one spare digit.
    const uint32_t values[3] = {won + lost, won, lost};
    for (int i = 0; i < 4; ++i) {
        if (i < 3) snprintf(text, sizeof text, "%u0", values[i]);
        else snprintf(text, sizeof text, "99.9%%0");
        const SIZE s = TextSize(dc, text);
        if (s.cx > valuesWidth) valuesWidth = s.cx;
        if (s.cy > lineHeight) lineHeight = s.cy;
    }
    const SSaverRect game = {SaverState.GameRectLeft, SaverState.GameRectTop, SaverState.GameRectRight,
                             SaverState.GameRectBottom};
    if (!PlaceOverlay(desktop, origin.x, origin.y, game, labelWidth + valuesWidth, 5 * lineHeight, NextRandom,
                      &Overlay.Left, &Overlay.Top))
        return false;
    Overlay.ValuesLeft = Overlay.Left + labelWidth;
    Overlay.LineHeight = lineHeight;
    Overlay.ValuesWidth = valuesWidth > kMinValuesWidth ? valuesWidth : kMinValuesWidth;
    return true;
}

void LayOutOverlay(HWND hwnd) {
    if (!OverlayWanted() || !SaverState.OverlayLayoutPending) return;
    SaverState.OverlayLayoutPending = false;
    RECT client;
    GetClientRect(hwnd, &client);
    // The game is placed on the desktop rectangle, the primary monitor, and
    // the overlay goes beside it there, though the window may cover more
    // monitors; the window's origin then lies left of or above the primary.
    RECT d{0, 0, 0, 0};
    GetWindowRect(GetDesktopWindow(), &d);
    const SSaverRect desktop = {d.left, d.top, d.right, d.bottom};
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    uint32_t won = 0, lost = 0;
    Overlay.Placed = false;
    if (LevelCounts(&won, &lost)) {
        // 64, 32, ... 1 pixels; without room even at 1 pixel the overlay stays
        // out until the next layout.
        for (int height = 64; height >= 1 && !Overlay.Placed; height /= 2) {
            if (Overlay.Font) DeleteObject(Overlay.Font);
            Overlay.Font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH, "Arial");
            HGDIOBJ old = SelectObject(dc, Overlay.Font);
            Overlay.Placed = PlaceBlock(dc, desktop, origin, won, lost);
            SelectObject(dc, old);
        }
    }
    // Erases the old overlay.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (Overlay.Placed) {
        HGDIOBJ old = SelectObject(dc, Overlay.Font);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        char text[64];
        for (int i = 0; i < 4; ++i) {
            snprintf(text, sizeof text, "%s:", Overlay.Labels[i]);
            TextOutA(dc, Overlay.Left, Overlay.Top + i * Overlay.LineHeight, text, static_cast<int>(strlen(text)));
        }
        SelectObject(dc, old);
        // The fill erased the values too: they come back at the next tick
        // rather than only after the next finished game.
        SaverState.StatisticsChanged = true;
    }
    ReleaseDC(hwnd, dc);
}

void SwitchToBlank(HWND hwnd) {
    // Shown and top-most, but not yet active: activation raises the window,
    // and under Wine it can take effect after the game was put back above
    // it. Covered, the game in progress could not be read, its game would
    // never end and the player could never give it back.
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    if (OverlayGameWindow && IsWindow(OverlayGameWindow))
        SetWindowPos(OverlayGameWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SaverState.BlankScreenActive = true;
    SaverSettings.SwitchToBlankScreen = false;
    InvalidateRect(hwnd, nullptr, TRUE);
}

// After the switch the game in progress must stay above the blank screen
// until the player gives it back (and takes it out of the top-most band).
// Under Wine the raise made at the switch does not always hold: the game,
// still top-most, then lies below the saver window, its board cannot be read
// and its game never ends. So it is raised again while that lasts.
void KeepGameAboveBlank(HWND hwnd) {
    HWND game = OverlayGameWindow;
    if (!game || !IsWindow(game) || !(GetWindowLongPtrA(game, GWL_EXSTYLE) & WS_EX_TOPMOST)) return;
    for (HWND w = GetWindow(game, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        if (w == hwnd) {
            SetWindowPos(game, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return;
        }
    }
}

// Once the game is gone (closed at the switch, or closed or killed during
// play), the black screen takes the keyboard, so that keys reach it.
void ActivateBlankScreen(HWND hwnd) {
    if (GetForegroundWindow() == hwnd || (OverlayGameWindow && IsWindow(OverlayGameWindow))) return;
    SetForegroundWindow(hwnd);
}

void OnBlankTimer(HWND hwnd) {
    const uint32_t elapsed = TickCount() - SaverState.StartTime;
    if (!SaverSettings.SwitchToBlankScreen || elapsed < SaverSettings.SwitchToBlankScreenAfter * 60000u) {
        SaverState.MoveGameRequested = true;
        return;
    }
    SwitchToBlank(hwnd);
}

// A monitor plugged in or removed, or a new resolution: the window covers
// the new virtual screen (in its place in the z-order, shown or hidden as it
// was), the game is shifted back onto the primary monitor if it no longer
// lies there, and the overlay is laid out anew beside it. The run goes on.
void FollowDisplayChange(HWND hwnd) {
    const RECT screen = VirtualScreenRect();
    SetWindowPos(hwnd, nullptr, screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    HWND game = OverlayGameWindow;
    if (game && IsWindow(game)) {
        RECT d{0, 0, 0, 0}, g{0, 0, 0, 0};
        GetWindowRect(GetDesktopWindow(), &d);
        GetWindowRect(game, &g);
        const SSaverRect to = ShiftIntoDesktop({d.left, d.top, d.right, d.bottom}, {g.left, g.top, g.right, g.bottom});
        if (to.Left != g.left || to.Top != g.top)
            SetWindowPos(game, nullptr, to.Left, to.Top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        // Should the player place the game meanwhile, its WM_APP lays the
        // overlay out again beside that place.
        SaverState.GameRectLeft = to.Left;
        SaverState.GameRectTop = to.Top;
        SaverState.GameRectRight = to.Right;
        SaverState.GameRectBottom = to.Bottom;
    }
    SaverState.OverlayLayoutPending = true;
    LayOutOverlay(hwnd);
}

void OnValuesTimer(HWND hwnd) {
    if (OverlayWanted() && SaverState.StatisticsChanged) {
        SaverState.StatisticsChanged = false;
        PaintValues(hwnd);
    }
    if (TickCount() > SaverState.LevelChangeTime) SaverState.LevelChangeDue = true;
    if (SaverState.BlankScreenActive) KeepGameAboveBlank(hwnd);
    if (IsWindowVisible(hwnd)) ActivateBlankScreen(hwnd);
}

// A mouse move at a point where the program put the pointer itself is no
// user input. A report from the game's thread can arrive many moves after the
// player has moved the pointer on (fast animation moves it every 10 ms), so
// the last points it set all count; and while the pointer still rests where
// the program last put it, the user has not moved it.
LRESULT OnMouseMove(SScreenPoint p) {
    if (SaverState.IsOwnCursorPos(p)) return 0;
    POINT now;
    if (GetCursorPos(&now) && SamePoint(SaverState.ExpectedCursorPos.Load(), now.x, now.y)) return 0;
    return EndRun();
}

}  // namespace

LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        SetTimer(hwnd, kBlankTimer, 5000, nullptr);
        SetTimer(hwnd, kValuesTimer, 100, nullptr);
        SetTimer(hwnd, kMergeTimer, MergePeriodMs(), nullptr);
        SaverState.SaverWindow = hwnd;
        for (int i = 0; i < 4; ++i)
            if (LoadStringA(AppInstance, IDS_TOTAL + i, Overlay.Labels[i], sizeof Overlay.Labels[i]) <= 0)
                Overlay.Labels[i][0] = '\0';
        SaverState.MoveGameRequested = true;
        SaverState.OverlayLayoutPending = true;
        return 0;
    }
    case WM_DESTROY:
        KillTimer(hwnd, kBlankTimer);
        KillTimer(hwnd, kValuesTimer);
        KillTimer(hwnd, kMergeTimer);
        if (Overlay.Font) DeleteObject(Overlay.Font);
        Overlay.Font = nullptr;
        Overlay.Placed = false;
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        SaverState.StatisticsChanged = true;
        return 0;
    }
    case WM_SETCURSOR:
        SetCursor(nullptr);
        return 1;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:  // Alt and F10 are keys too
    case WM_SYSKEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEHWHEEL:
        return EndRun();
    case WM_MOUSEMOVE: {
        const SScreenPoint client = UnpackMousePoint(static_cast<uint32_t>(lParam));
        POINT p = {client.X, client.Y};
        ClientToScreen(hwnd, &p);
        return OnMouseMove(SScreenPoint{p.x, p.y});
    }
    case WM_TIMER:
        if (wParam == kBlankTimer) OnBlankTimer(hwnd);
        else if (wParam == kValuesTimer) OnValuesTimer(hwnd);
        else if (wParam == kMergeTimer) MergeRunCounts(false);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // A cancelled session end changes nothing.
        if (wParam) EndRunAtSessionEnd();
        return 0;
    case WM_APP:
        LayOutOverlay(hwnd);
        return 0;
    case WM_DISPLAYCHANGE:
        FollowDisplayChange(hwnd);
        return 0;
    case kReportNcMouseMove:
    case kReportMouseMove:
        return OnMouseMove(UnpackMousePoint(static_cast<uint32_t>(lParam)));
    case kReportKeyDown:
    case kReportKeyUp:
    case 0x8000 + WM_LBUTTONDOWN:
    case 0x8000 + WM_RBUTTONDOWN:
    case 0x8000 + WM_MBUTTONDOWN:
    case 0x8000 + WM_MOUSEWHEEL:
    case 0x8000 + WM_XBUTTONDOWN:
    // Also presses on the game's frame and caption, double clicks and the
    // horizontal wheel: every press is the user's.
    case 0x8000 + WM_NCLBUTTONDOWN:
    case 0x8000 + WM_NCRBUTTONDOWN:
    case 0x8000 + WM_NCMBUTTONDOWN:
    case 0x8000 + WM_NCXBUTTONDOWN:
    case 0x8000 + WM_LBUTTONDBLCLK:
    case 0x8000 + WM_RBUTTONDBLCLK:
    case 0x8000 + WM_MBUTTONDBLCLK:
    case 0x8000 + WM_MOUSEHWHEEL:
        return EndRun();
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
