// The preview inside the host window of the display settings: the game's
// own square images tiled in 16 x 16 cells and cycled along the diagonals,
// on black. No game is started and no settings are read.
#include <windows.h>

#include "Clock.h"
#include "DibBits.h"
#include "Saver.h"

namespace {

const char kClassName[] = "VelkorScreenSaverClass";
const char kWindowTitle[] = "VelkorScreenSaverMainWindow";
const char kGameProgram[] = "velkor.exe";
const int kSquareBitmap = 410;
const int kCell = 16;
const int kCells = 16;
const UINT_PTR kTimer = 1;
const DWORD kHostCheckMs = 500;

// The game's square strip as a device-dependent bitmap; null keeps the
// preview black.
HBITMAP PreviewBitmap = nullptr;

// Major and minor product version of the game found by the normal search,
// as major * 65536 + minor; 0 when it cannot be read.
DWORD GameVersion() {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(kGameProgram, &ignored);
    if (size == 0) return 0;
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    if (!block) return 0;
    DWORD version = 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (GetFileVersionInfoA(kGameProgram, 0, size, block) &&
        VerQueryValueA(block, "\\", reinterpret_cast<void**>(&info), &infoSize) && info && infoSize >= sizeof *info)
        version = info->dwProductVersionMS;
    HeapFree(GetProcessHeap(), 0, block);
    return version;
}

// Bitmap 410 of the game, read as data only (no code of it is run).
HBITMAP LoadSquareStrip(HWND window) {
    if (GameVersion() < 0x50000) return nullptr;
    HMODULE game = LoadLibraryExA(kGameProgram, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!game) return nullptr;
    HBITMAP bitmap = nullptr;
    HRSRC found = FindResourceA(game, MAKEINTRESOURCEA(kSquareBitmap), MAKEINTRESOURCEA(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(game, found) : nullptr;
    const void* dib = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(game, found) : 0;
    if (const DWORD offset = PackedDibBitsOffset(dib, size)) {
        HDC dc = GetDC(window);
        bitmap = CreateDIBitmap(dc, static_cast<const BITMAPINFOHEADER*>(dib), CBM_INIT,
                                static_cast<const BYTE*>(dib) + offset, static_cast<const BITMAPINFO*>(dib),
                                DIB_RGB_COLORS);
        ReleaseDC(window, dc);
    }
    FreeLibrary(game);
    return bitmap;
}

void PaintTiles(HWND window) {
    if (!PreviewBitmap) {
        KillTimer(window, kTimer);
        return;
    }
    const int phase = static_cast<int>((TickCount() / 100) % kCells);
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    HDC strip = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(strip, PreviewBitmap);
    for (int x = client.left; x < client.right; x += kCell) {
        for (int y = client.top; y < client.bottom; y += kCell) {
            // Same image along each diagonal, moving one cell per phase.
            const int k = ((65535 - ((x + y) / kCell + phase)) % kCells + kCells) % kCells;
            BitBlt(dc, x, y, kCell, kCell, strip, 0, kCell * k, SRCCOPY);
        }
    }
    SelectObject(strip, old);
    DeleteDC(strip);
    ReleaseDC(window, dc);
}

}  // namespace

LRESULT CALLBACK PreviewWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        SetTimer(hwnd, kTimer, 100, nullptr);
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd, kTimer);
        PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 0;
    }
    case WM_SETCURSOR:
        SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
        return 0;
    case WM_TIMER:
        PaintTiles(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

bool RunPreview(HINSTANCE instance, HWND host) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PreviewWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, kClassName, kWindowTitle, WS_CHILD | WS_VISIBLE | WS_MAXIMIZE, 0, 0, 100, 100,
                                  host, nullptr, instance, nullptr);
    PreviewBitmap = window ? LoadSquareStrip(window) : nullptr;
    // A host whose process is killed takes this child window with it without
    // a WM_DESTROY here (and without its timer), so the loop also ends once
    // the window is gone.
    for (bool running = window != nullptr; running && IsWindow(window);) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kHostCheckMs, QS_ALLINPUT);
        MSG m;
        while (running && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                running = false;
                break;
            }
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    if (PreviewBitmap) DeleteObject(PreviewBitmap);
    PreviewBitmap = nullptr;
    if (window) DestroyWindow(window);
    UnregisterClassA(kClassName, instance);
    return true;
}
