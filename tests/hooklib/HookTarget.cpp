// A window in its own process whose input the hook tests watch.
//   hook_target window TITLE X Y W H   a popup window that counts the input it gets
//   hook_target install DLL KIND [keep] tries to install hook KIND (keyboard, mouse,
//                                       mousectrl) on its own thread; exit code:
//                                       install result * 10 + the result of
//                                       uninstalling what it installed; with
//                                       keep, holds the hook until killed
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "HookTargetProtocol.h"

namespace {

LONG Counts[hooktarget::kCountedMessages];
LPARAM LastKeyUpFlags = 0;
LRESULT LastMove = -1;

int CountIndex(UINT msg) {
    for (int i = 0; i < hooktarget::kCountedMessages; ++i)
        if (hooktarget::kCounted[i] == msg) return i;
    return -1;
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int index = CountIndex(msg);
    if (index >= 0) {
        ++Counts[index];
        if (msg == WM_KEYUP) LastKeyUpFlags = lParam;
        if (msg == WM_MOUSEMOVE) {
            POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            LastMove = static_cast<LRESULT>((static_cast<uint32_t>(p.x) & 0xFFFFu) | (static_cast<uint32_t>(p.y) << 16));
        }
    }
    switch (msg) {
        case hooktarget::kQueryCount: {
            const int i = CountIndex(static_cast<UINT>(wParam));
            return i >= 0 ? Counts[i] : -1;
        }
        case hooktarget::kQueryKeyUpFlags: return LastKeyUpFlags;
        case hooktarget::kQueryLastMove: return LastMove;
        case hooktarget::kTakeFocus:
            SetForegroundWindow(hwnd);
            SetActiveWindow(hwnd);
            SetFocus(hwnd);
            return GetFocus() == hwnd;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int RunWindow(const char* title, int x, int y, int w, int h) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = hooktarget::kClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, hooktarget::kClass, title, WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!hwnd) return 3;
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}

int TryInstall(const char* dll, const char* kind, bool keep) {
    HMODULE module = LoadLibraryA(dll);
    if (!module) return 90;
    const char* install = nullptr;
    const char* uninstall = nullptr;
    if (std::strcmp(kind, "keyboard") == 0) install = "InstallKeyboardHook", uninstall = "UninstallKeyboardHook";
    if (std::strcmp(kind, "mouse") == 0) install = "InstallMouseHook", uninstall = "UninstallMouseHook";
    if (std::strcmp(kind, "mousectrl") == 0) install = "InstallMouseCtrlHook", uninstall = "UninstallMouseCtrlHook";
    if (!install) return 91;
    auto doInstall = reinterpret_cast<hooktarget::TInstallHook>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, install)));
    auto doUninstall = reinterpret_cast<hooktarget::TUninstallHook>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, uninstall)));
    if (!doInstall || !doUninstall) return 92;
    HWND receiver = CreateWindowExA(0, "STATIC", "receiver", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    int installed = doInstall(receiver, module, GetCurrentThreadId()) ? 1 : 0;
    // To be held, tried again while another process holds the hook for a
    // moment (a test that polls by installing and uninstalling its own).
    while (keep && !installed) {
        Sleep(20);
        installed = doInstall(receiver, module, GetCurrentThreadId()) ? 1 : 0;
    }
    while (keep) Sleep(100);
    // Only what this process installed: uninstalling works from any process.
    const int removed = installed && doUninstall() ? 1 : 0;
    return installed * 10 + removed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 7 && std::strcmp(argv[1], "window") == 0)
        return RunWindow(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "install") == 0)
        return TryInstall(argv[2], argv[3], argc == 5 && std::strcmp(argv[4], "keep") == 0);
    return 2;
}
