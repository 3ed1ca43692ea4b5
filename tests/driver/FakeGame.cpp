// A stand-in for a broken game program, started by the launch tests under
// the name velkor.exe. DRIVER_FAKE_GAME chooses how it fails:
//   none  - never shows a window
//   case  - a title that differs from "MineSweeper" in case only, and a
//           class that differs otherwise (class names ignore case)
//   slow  - shows a proper window only after 900 ms
// It ends by itself after 20 seconds.
#include <windows.h>

#include <cstring>

#include "WinTestSupport.h"

namespace {
HWND Make(const char* cls, const char* title) {
    return CreateWindowExA(0, cls, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                           wintest::RegisterWindowClass(cls, DefWindowProcA), nullptr);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char mode[16] = "";
    GetEnvironmentVariableA("DRIVER_FAKE_GAME", mode, sizeof mode);
    if (std::strcmp(mode, "none") == 0) {
        Sleep(20000);
        return 0;
    }
    if (std::strcmp(mode, "slow") == 0) {
        Sleep(900);
        Make("MineSweeper", "MineSweeper");
    } else {
        Make("MineSweeper", "Minesweeper");
        Make("MineSweeperX", "MineSweeper");
    }
    SetTimer(nullptr, 0, 20000, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_TIMER) break;
        DispatchMessageA(&m);
    }
    return 0;
}
