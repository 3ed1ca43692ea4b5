// What the hook tests and their target windows agree on.
#pragma once

#include <windows.h>

namespace hooktarget {

const char kClass[] = "KorvaneHookTarget";

// Answered by a target window: how often it got the message in wParam.
const UINT kQueryCount = WM_APP + 1;
// Answered by a target window: the keystroke flags of its last WM_KEYUP.
const UINT kQueryKeyUpFlags = WM_APP + 2;
// Makes a target window the focus window; answers 1 when it is.
const UINT kTakeFocus = WM_APP + 3;
// Answered by a target window: the screen position of its last mouse move,
// x in the low 16 bits and y in the high 16 bits.
const UINT kQueryLastMove = WM_APP + 4;

const UINT kCounted[] = {WM_KEYDOWN, WM_KEYUP, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
const int kCountedMessages = sizeof kCounted / sizeof kCounted[0];

// The hook library's exports, bound by name.
typedef BOOL(WINAPI* TInstallHook)(HWND receiver, HINSTANCE module, DWORD threadId);
typedef BOOL(WINAPI* TUninstallHook)();
typedef LRESULT(CALLBACK* THookProc)(int code, WPARAM wParam, LPARAM lParam);

}  // namespace hooktarget
