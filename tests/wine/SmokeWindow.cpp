// Proves the Wine harness: one process owns a window, a second process finds
// it by class and title and exchanges a message with it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "WinTestSupport.h"

namespace {
const char kClass[] = "KorvaneSmokeClass";
const char kTitle[] = "Korvane Smoke";
const UINT kAdd = WM_APP + 1;

int fail(const char* what) {
    std::fprintf(stderr, "FAIL: %s\n", what);
    return 1;
}

LRESULT CALLBACK SmokeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case kAdd: return static_cast<LRESULT>(wParam + lParam);
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RunWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = SmokeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, kClass, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 120, nullptr,
                                nullptr, wc.hInstance, nullptr);
    if (!hwnd) return 3;
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}

int RunClient(const char* self) {
    wintest::SChild child;
    if (!wintest::StartProcess(std::string("\"") + self + "\" window", &child)) return fail("start"), 1;
    HWND hwnd = wintest::WaitForWindow(kClass, kTitle, 10000);
    if (!hwnd) return wintest::KillProcess(&child), fail("window not found"), 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != child.Pid) return wintest::KillProcess(&child), fail("window of another process"), 1;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, kAdd, 2, 3, SMTO_ABORTIFHUNG, 5000, &result) || result != 5)
        return wintest::KillProcess(&child), fail("message not answered"), 1;
    wintest::SImage shot;
    if (!wintest::CaptureClient(hwnd, &shot) || shot.At(10, 10) != RGB(255, 255, 255))
        return wintest::KillProcess(&child), fail("client area not captured white"), 1;
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    DWORD code = 99;
    if (!wintest::WaitProcess(&child, 10000, &code) || code != 0) return fail("window process did not end"), 1;
    std::printf("smoke: window found, message answered, capture ok, closed\n");
    return 0;
}
}  // namespace

// Writes the whole screen as a PNG, for the host-side checks of the harness.
int SaveScreen(const char* path) {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    wintest::SImage shot;
    if (!wintest::CaptureScreen(r, &shot)) return fail("capture");
    return wintest::SavePng(shot, path) ? 0 : fail("png");
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "window") == 0) return RunWindow();
    if (argc > 2 && std::strcmp(argv[1], "png") == 0) return SaveScreen(argv[2]);
    return RunClient(argv[0]);
}
