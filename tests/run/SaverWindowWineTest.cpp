// The saver window on its own: a display change (a monitor plugged in or
// removed, a new resolution) is followed without ending the run. Wine does
// not report a monitor added with xrandr during a run, so the message is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include "PlayerSupport.h"
#include "Saver.h"
#include "SaverState.h"
#include "SaverWindow.h"
#include "WinTestSupport.h"

namespace {

using playertest::SameRect;
using playertest::WindowRect;

// The window covers the virtual screen again, the game that the change left
// partly off the primary is shifted back onto it and its place published,
// the overlay is laid out anew, and the run goes on.
TEST(SaverWindow, DisplayChangeCoversTheNewScreenAndKeepsTheGameOnThePrimary) {
    playertest::ResetShared();
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
    wintest::WaitFor([&] { return SameRect(WindowRect(game), want); }, 5000);
    EXPECT_TRUE(SameRect(WindowRect(game), want)) << "the game";
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT screen{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    EXPECT_TRUE(SameRect(WindowRect(saver), screen)) << "the saver window";
    EXPECT_TRUE(SameRect(RECT{SaverState.GameRectLeft, SaverState.GameRectTop, SaverState.GameRectRight,
                              SaverState.GameRectBottom},
                         want))
        << "the game's place published";
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
