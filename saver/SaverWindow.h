// The saver window's overlay state, kept by the main thread only.
#pragma once

#include <windows.h>

#include <cstdint>

// The overlay is laid out by WM_APP: a block of labels and values at a random
// place beside the game window, in the largest font that fits.
struct SOverlay {
    HFONT Font = nullptr;        // owned; replaced at each layout
    char Labels[4][32] = {};     // "Total", "Won", "Lost", "Rate"
    int32_t Left = 0;            // top-left of the label column, client coordinates
    int32_t Top = 0;
    int32_t ValuesLeft = 0;      // x of the value column
    int32_t LineHeight = 0;
    int32_t ValuesWidth = 0;     // width of the value block
    bool Placed = false;         // false: no overlay shown (no room, or a custom game)
};
extern SOverlay Overlay;

// The game window of the run, null when none; the blank-screen switch keeps
// it above the now top-most saver window until the player closes it.
extern HWND OverlayGameWindow;

// Window class and title of the saver window.
extern const char kSaverClass[];
extern const char kSaverTitle[];

// Every monitor: the black screen leaves none of them on, and input on any
// of them reaches the saver window. On one monitor this is the desktop
// window's rectangle.
RECT VirtualScreenRect();
