// Program entry of the screen saver.
#include <windows.h>

#include "resource.h"

namespace {
const char kClassName[] = "VelkorScreenSaverClass";
const char kWindowTitle[] = "VelkorScreenSaverMainWindow";

LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = SaverWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELKOR));
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd = CreateWindowExA(0, kClassName, kWindowTitle, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    if (hwnd) DestroyWindow(hwnd);
    UnregisterClassA(kClassName, instance);
    return hwnd ? 0 : 1;
}
