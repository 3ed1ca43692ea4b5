// The saver window on its own: a display change (a monitor plugged in or
// removed, a new resolution) is followed without ending the run. Wine does
// not report a monitor added with xrandr during a run, so the message is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include "Saver.h"
#include "SaverState.h"
#include "SaverWindow.h"
#include "WinTestSupport.h"

namespace {

RECT WindowRect(HWND w) {
    RECT r{0, 0, 0, 0};
    GetWindowRect(w, &r);
    return r;
}

// The window covers the virtual screen again, the game that the change left
// partly off the primary is shifted back onto it and its place published,
// the overlay is laid out anew, and the run goes on.
TEST(SaverWindow, DisplayChangeCoversTheNewScreenAndKeepsTheGameOnThePrimary) {
    SaverState.Reset();
    SaverSettings.Reset();
    GameStatistics.Reset();
    WNDCLASSA wc{};
    wc.lpfnWndProc = SaverWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SaverWindowTestClass";
    ASSERT_TRUE(RegisterClassA(&wc));
    // As large as before the change: 100 x 100, as the run creates it.
    HWND saver = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance,
                                 nullptr);
    ASSERT_TRUE(saver);
    const RECT d = WindowRect(GetDesktopWindow());
    HWND game = CreateWindowExA(0, "STATIC", "game", WS_POPUP, d.right - 50, d.bottom - 40, 200, 150, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(game);
    OverlayGameWindow = game;
    SaverState.OverlayLayoutPending = false;

    SendMessageA(saver, WM_DISPLAYCHANGE, 32, MAKELPARAM(d.right - d.left, d.bottom - d.top));
    const RECT want{d.right - 200, d.bottom - 150, d.right, d.bottom};
    EXPECT_TRUE(wintest::WaitFor([&] { return EqualRect(&want, &static_cast<const RECT&>(WindowRect(game))) != 0; },
                                 5000))
        << "game at " << WindowRect(game).left << "," << WindowRect(game).top;
    const RECT s = WindowRect(saver);
    EXPECT_EQ(s.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(s.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(s.right - s.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(s.bottom - s.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_EQ(SaverState.GameRectLeft.load(), want.left);
    EXPECT_EQ(SaverState.GameRectTop.load(), want.top);
    EXPECT_EQ(SaverState.GameRectRight.load(), want.right);
    EXPECT_EQ(SaverState.GameRectBottom.load(), want.bottom);
    EXPECT_FALSE(SaverState.OverlayLayoutPending.load()) << "the overlay was not laid out anew";
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the change ended the run";

    OverlayGameWindow = nullptr;
    DestroyWindow(game);
    DestroyWindow(saver);
    PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // posted by the window's destruction
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
