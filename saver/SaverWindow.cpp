// The full-screen saver window and its statistics overlay.
#include <windows.h>

#include "Saver.h"

LRESULT CALLBACK SaverWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
