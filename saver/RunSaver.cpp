// The screen saver run: start-up, message loop and tear-down.
#include "RunSaver.h"

#include <windows.h>

#include "Clock.h"
#include "Saver.h"
#include "SaverState.h"
#include "SaverWindow.h"
#include "VelkorInterface.h"

namespace {

typedef BOOL(WINAPI* TInstallHook)(HWND receiver, HINSTANCE module, DWORD threadId);
typedef BOOL(WINAPI* TUninstallHook)();

struct SHooks {
    HMODULE Library = nullptr;
    TInstallHook InstallKeyboard = nullptr;
    TUninstallHook UninstallKeyboard = nullptr;
    TInstallHook InstallMouse = nullptr;
    TUninstallHook UninstallMouse = nullptr;

    bool Complete() const { return InstallKeyboard && UninstallKeyboard && InstallMouse && UninstallMouse; }
};

template <typename T>
T Bind(HMODULE library, const char* name) {
    return library ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

SHooks LoadHooks() {
    SHooks h;
    h.Library = LoadLibraryA("brenmoth.dll");
    h.InstallKeyboard = Bind<TInstallHook>(h.Library, "InstallKeyboardHook");
    h.UninstallKeyboard = Bind<TUninstallHook>(h.Library, "UninstallKeyboardHook");
    h.InstallMouse = Bind<TInstallHook>(h.Library, "InstallMouseHook");
    h.UninstallMouse = Bind<TUninstallHook>(h.Library, "UninstallMouseHook");
    return h;
}

// The game is started on mains power and when the status is not known
// (including when it cannot be read at all); only on battery it is not.
bool OnMainsPower() {
    SYSTEM_POWER_STATUS status;
    return !GetSystemPowerStatus(&status) || status.ACLineStatus != 0;
}

void RunMessageLoop(HWND window) {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) return;
        if (msg.hwnd == window) {
            SaverWindowProc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
        } else if (msg.message == WM_PAINT && msg.hwnd) {
            // Dropped like every other message, but validated first: an
            // unpainted window would report its paint message forever.
            ValidateRect(msg.hwnd, nullptr);
        }
    }
}

// What the session end needs of the run in progress (main thread only).
struct SRun {
    HANDLE Player = nullptr;
    HWND Game = nullptr;
    SHooks Hooks;
    bool Ended = false;  // the session end has stopped it
};
SRun Run;

void UninstallHooks(SHooks& hooks) {
    if (hooks.UninstallKeyboard) hooks.UninstallKeyboard();
    if (hooks.UninstallMouse) hooks.UninstallMouse();
    hooks.UninstallKeyboard = nullptr;
    hooks.UninstallMouse = nullptr;
}

}  // namespace

void BeginRun(HWND game) {
    Run = SRun{};
    Run.Game = game;
}

HANDLE StartPlayer() {
    // A session end during the start (the cross-process z-order change lets
    // it in) has ended the run: the game, not yet taken over, is closed.
    if (!Run.Game || Run.Ended) return nullptr;
    Run.Player = CreateThread(nullptr, 0, PlayerThreadProc, Run.Game, 0, nullptr);
    return Run.Player;
}

void EndRunAtSessionEnd() {
    if (Run.Ended) return;
    Run.Ended = true;
    UninstallHooks(Run.Hooks);
    SaverState.StopRequested = true;
    // Before the player exists, the game is still as the user would find it.
    if (!Run.Player && Run.Game) PostMessageA(Run.Game, WM_CLOSE, 0, 0);
    // The counts first: the process may be ended as soon as this returns.
    const bool ended = !Run.Player || WaitForSingleObject(Run.Player, kPlayerStopWaitMs) == WAIT_OBJECT_0;
    MergeRunCounts(true);
    // Then the game back to the user, in what time is left; a game the player
    // counts meanwhile is merged too.
    if (!ended && WaitForSingleObject(Run.Player, kSessionHandBackMs) == WAIT_OBJECT_0) MergeRunCounts(false);
    // Should the process live on, the usual tear-down merges whatever is left.
    PostQuitMessage(0);
}

bool StopPlayerAndMerge(HANDLE thread, const std::function<void()>& release) {
    SaverState.StopRequested = true;
    bool ended = !thread || WaitForSingleObject(thread, kPlayerStopWaitMs) == WAIT_OBJECT_0;
    // The screen is given back now even if the player is still restoring the game.
    release();
    // The rest is merged once the player can count no more: a game counted
    // after the merge would be lost.
    if (!ended) ended = WaitForSingleObject(thread, kPlayerGraceMs) == WAIT_OBJECT_0;
    MergeRunCounts(true);
    if (thread) CloseHandle(thread);
    return ended;
}

void RunSaver() {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    SaverState.NoteCursorPos(SScreenPoint{static_cast<int32_t>(cursor.x), static_cast<int32_t>(cursor.y)});
    LoadSettings();
    SaverState.StartTime = TickCount();

    BeginRun(nullptr);
    SHooks& hooks = Run.Hooks;
    hooks = LoadHooks();
    // Without the hooks only the saver window itself can see the user's input.
    if (!hooks.Complete()) SaverSettings.BlankBackground = true;
    SaverSettings.ShowStatistics = SaverSettings.ShowStatistics && SaverSettings.BlankBackground;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = SaverWindowProc;
    wc.hInstance = AppInstance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kSaverClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, kSaverClass, kSaverTitle,
                                  WS_POPUP | (SaverSettings.BlankBackground ? WS_VISIBLE : 0), 0, 0, 100, 100,
                                  nullptr, nullptr, AppInstance, nullptr);
    if (!window) {
        if (hooks.Library) FreeLibrary(hooks.Library);
        UnregisterClassA(kSaverClass, AppInstance);
        return;
    }

    HWND game = OnMainsPower() ? LaunchGame() : nullptr;
    Run.Game = game;
    OverlayGameWindow = game;
    if (!game) {
        ShowWindow(window, SW_SHOW);
        SaverState.BlankScreenActive = true;
    }
    HWND desktop = GetDesktopWindow();
    const RECT screen = VirtualScreenRect();
    SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                 screen.bottom - screen.top, 0);
    SetWindowPos(window, desktop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (game) SetWindowPos(game, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (game && !Run.Ended) {
        // On the black background only the game's input needs watching; over
        // the desktop, every thread's.
        const DWORD hookThread = SaverSettings.BlankBackground ? GetWindowThreadProcessId(game, nullptr) : 0;
        if (hooks.InstallKeyboard && hooks.UninstallKeyboard)
            hooks.InstallKeyboard(window, hooks.Library, hookThread);
        if (hooks.InstallMouse && hooks.UninstallMouse) hooks.InstallMouse(window, hooks.Library, hookThread);
    }
    LoadStoredStatistics();
    HANDLE player = StartPlayer();

    RunMessageLoop(window);

    UninstallHooks(hooks);
    const bool playerEnded = StopPlayerAndMerge(player, [&] {
        if (hooks.Library) FreeLibrary(hooks.Library);
        DestroyWindow(window);
        UnregisterClassA(kSaverClass, AppInstance);
        OverlayGameWindow = nullptr;
    });
    // A player stuck past the grace time must not run on while the process
    // ends and destroys what it uses, nor count a game that is never merged.
    if (!playerEnded) TerminateProcess(GetCurrentProcess(), 0);
}
