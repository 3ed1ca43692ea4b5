// Input hook library: keyboard, mouse and mouse-control hooks that report
// the input of one thread, or of the whole desktop, to a receiver window.
//
// The hook procedures run in every process whose input they watch, so the
// receivers and hook handles live in a section that all those processes
// share. Each value is one 32-bit word; window and hook handles are 32-bit
// significant on 64-bit Windows too, so they are truncated on store and
// sign-extended on load, as the system does for handles between 32-bit and
// 64-bit processes.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using THandleWord = std::atomic<uint32_t>;
static_assert(sizeof(THandleWord) == 4 && THandleWord::is_always_lock_free, "handle words must be plain 32-bit words");

// The shared values, in their stored order.
struct SHookData {
    THandleWord KeyboardReceiver;  // window the keyboard hook posts to
    THandleWord KeyboardHook;      // installed keyboard hook, 0 when none
    THandleWord MouseReceiver;     // window the mouse hook posts to
    THandleWord MouseHook;         // installed mouse hook, 0 when none
    THandleWord MouseCtrlReceiver; // window the mouse-control hook asks
    THandleWord MouseCtrlHook;     // installed mouse-control hook, 0 when none
};
static_assert(sizeof(SHookData) == 24, "six words, nothing between them");

// Explicitly initialised so that it stays in its own section rather than
// being moved to the unshared zero-filled data.
SHookData HookData __attribute__((section("HOOKDATA"), shared)) = {{0}, {0}, {0}, {0}, {0}, {0}};

const UINT kKeyPressed = 0x8100;
const UINT kKeyReleased = 0x8101;
const UINT kMouseOffset = 0x8000;
const UINT kLeftReleaseQuery = WM_LBUTTONUP + kMouseOffset;  // 0x8202
// A receiver that stops answering must not freeze the input of the watched
// thread for good; past this it counts as not having answered 1.
const UINT kQueryTimeoutMs = 5000;

uint32_t ToWord(const void* handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }

template <typename THandle>
THandle FromWord(uint32_t word) {
    return reinterpret_cast<THandle>(static_cast<intptr_t>(static_cast<int32_t>(word)));
}

HWND Receiver(const THandleWord& word) { return FromWord<HWND>(word.load(std::memory_order_acquire)); }
HHOOK Hook(const THandleWord& word) { return FromWord<HHOOK>(word.load(std::memory_order_acquire)); }

BOOL Install(THandleWord& hookWord, THandleWord& receiverWord, int hookType, HOOKPROC proc, HWND receiver,
             HINSTANCE module, DWORD threadId) {
    if (hookWord.load(std::memory_order_acquire) != 0) return 0;
    HHOOK hook = SetWindowsHookExA(hookType, proc, module, threadId);
    if (!hook) return 0;
    const uint32_t word = ToWord(hook);
    // A handle that does not survive the 32-bit store could never be removed.
    uint32_t expected = 0;
    if (FromWord<HHOOK>(word) != hook ||
        !hookWord.compare_exchange_strong(expected, word, std::memory_order_acq_rel)) {
        // Lost the race against an install in another process, or unstorable.
        UnhookWindowsHookEx(hook);
        return 0;
    }
    receiverWord.store(ToWord(receiver), std::memory_order_release);
    return 1;
}

BOOL Uninstall(THandleWord& hookWord) {
    const uint32_t word = hookWord.load(std::memory_order_acquire);
    if (word == 0) return 0;
    // A hook whose installing thread has ended is gone already, but its
    // handle stays here while any process maps the library; without clearing
    // it every later install would be refused.
    if (UnhookWindowsHookEx(FromWord<HHOOK>(word)) || GetLastError() == ERROR_INVALID_HOOK_HANDLE) {
        uint32_t expected = word;
        hookWord.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
    }
    return hookWord.load(std::memory_order_acquire) == 0 ? 1 : 0;
}

// The target window and the pointer's screen position of a mouse hook call;
// false for a call without a record.
bool MouseReport(LPARAM lParam, WPARAM* target, LPARAM* position) {
    const MOUSEHOOKSTRUCT* record = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    if (!record) return false;
    *target = reinterpret_cast<WPARAM>(record->hwnd);
    // Unsigned arithmetic: positions left of or above the primary monitor are
    // negative, and shifting a negative value is undefined.
    const uint32_t packed = (static_cast<uint32_t>(record->pt.x) & 0xFFFFu) | (static_cast<uint32_t>(record->pt.y) << 16);
    *position = static_cast<LPARAM>(packed);
    return true;
}

}  // namespace

extern "C" {

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        // A null receiver would turn the post into a thread message for the
        // watched thread itself.
        HWND receiver = Receiver(HookData.KeyboardReceiver);
        if (receiver) {
            const bool released = (static_cast<uint32_t>(lParam) & 0x80000000u) != 0;
            PostMessageA(receiver, released ? kKeyReleased : kKeyPressed, wParam, lParam);
        }
    }
    return CallNextHookEx(Hook(HookData.KeyboardHook), code, wParam, lParam);
}

BOOL WINAPI InstallKeyboardHook(HWND receiver, HINSTANCE module, DWORD threadId) {
    return Install(HookData.KeyboardHook, HookData.KeyboardReceiver, WH_KEYBOARD, KeyboardHookProc, receiver, module,
                   threadId);
}

BOOL WINAPI UninstallKeyboardHook() { return Uninstall(HookData.KeyboardHook); }

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
    WPARAM target = 0;
    LPARAM position = 0;
    if (code >= 0 && MouseReport(lParam, &target, &position)) {
        HWND receiver = Receiver(HookData.MouseReceiver);
        if (receiver) PostMessageA(receiver, static_cast<UINT>(wParam) + kMouseOffset, target, position);
    }
    return CallNextHookEx(Hook(HookData.MouseHook), code, wParam, lParam);
}

BOOL WINAPI InstallMouseHook(HWND receiver, HINSTANCE module, DWORD threadId) {
    return Install(HookData.MouseHook, HookData.MouseReceiver, WH_MOUSE, MouseHookProc, receiver, module, threadId);
}

BOOL WINAPI UninstallMouseHook() { return Uninstall(HookData.MouseHook); }

LRESULT CALLBACK MouseCtrlHookProc(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK self = Hook(HookData.MouseCtrlHook);
    WPARAM target = 0;
    LPARAM position = 0;
    if (code < 0 || wParam != WM_LBUTTONUP || !MouseReport(lParam, &target, &position))
        return CallNextHookEx(self, code, wParam, lParam);
    DWORD_PTR answer = 0;
    HWND receiver = Receiver(HookData.MouseCtrlReceiver);
    if (!receiver ||
        !SendMessageTimeoutA(receiver, kLeftReleaseQuery, target, position, SMTO_NORMAL, kQueryTimeoutMs, &answer))
        answer = 0;
    const LRESULT next = CallNextHookEx(self, code, wParam, lParam);
    // Exactly 1 withholds the release from its window.
    return static_cast<LRESULT>(answer) == 1 ? 1 : next;
}

BOOL WINAPI InstallMouseCtrlHook(HWND receiver, HINSTANCE module, DWORD threadId) {
    return Install(HookData.MouseCtrlHook, HookData.MouseCtrlReceiver, WH_MOUSE, MouseCtrlHookProc, receiver, module,
                   threadId);
}

BOOL WINAPI UninstallMouseCtrlHook() { return Uninstall(HookData.MouseCtrlHook); }

}  // extern "C"
