// The saver window's arithmetic that needs no window: the overlay's text and
// place, and the points of mouse messages. Portable, so it is tested natively.
#pragma once

#include <cstdint>
#include <functional>

#include "SaverState.h"

// A rectangle in one coordinate frame (right and bottom exclusive).
struct SSaverRect {
    int32_t Left, Top, Right, Bottom;
};

// The value lines of a level as the overlay draws them: total, won, lost, rate.
void FormatOverlayValues(uint32_t won, uint32_t lost, char lines[4][32]);

// A block of bw x bh beside the game, within an area of w x h with the game
// in the area's own coordinates (0,0 at its top-left). The regions left of,
// above, right of and below the game are tried in that order; the first that
// fits is taken, each later one that fits replaces the choice when a draw
// modulo (regions taken so far + 1) is 0. draw() gives 0..32767. False when
// no region fits; then nothing is set.
bool ChooseOverlayPlace(int32_t w, int32_t h, const SSaverRect& game, int32_t bw, int32_t bh,
                        const std::function<int()>& draw, int32_t* left, int32_t* top);

// The same for the saver window: the block goes beside the game within the
// desktop rectangle (the primary monitor), everything given in screen
// coordinates, and the place comes back in the window's client coordinates.
// With a monitor left of or above the primary the window's origin is
// negative, and the two frames differ by it.
bool PlaceOverlay(const SSaverRect& desktop, int32_t windowLeft, int32_t windowTop, const SSaverRect& game,
                  int32_t bw, int32_t bh, const std::function<int()>& draw, int32_t* left, int32_t* top);

// The point of a mouse message or of a hook's report: x in the low and y in
// the high 16 bits, each signed (left of or above the primary, screen
// coordinates are negative).
SScreenPoint UnpackMousePoint(uint32_t packed);
