#include "SaverWindowCore.h"

#include <cstdio>

void FormatOverlayValues(uint32_t won, uint32_t lost, char lines[4][32]) {
    const uint32_t total = won + lost;
    // In double precision throughout: won * 100 would wrap in 32 bits.
    const double rate = total == 0 ? 0.0 : static_cast<double>(won) * 100.0 / static_cast<double>(total);
    snprintf(lines[0], 32, "%u ", total);
    snprintf(lines[1], 32, "%u ", won);
    snprintf(lines[2], 32, "%u ", lost);
    snprintf(lines[3], 32, "%.1f%% ", rate);
}

namespace {

struct SRegion {
    bool Fits;
    int32_t Left, LeftRange;  // x = Left + draw mod LeftRange
    int32_t Top, TopRange;
};

}  // namespace

bool ChooseOverlayPlace(int32_t w, int32_t h, const SSaverRect& game, int32_t bw, int32_t bh,
                        const std::function<int()>& draw, int32_t* left, int32_t* top) {
    // Both ranges must be non-empty: a block as high (or wide) as the area
    // has no place beside the game on that side.
    const SRegion regions[4] = {
        {bw < game.Left && bh < h, 0, game.Left - bw, 0, h - bh},
        {bh < game.Top && bw < w, 0, w - bw, 0, game.Top - bh},
        {bw < w - game.Right && bh < h, game.Right, w - game.Right - bw, 0, h - bh},
        {bh < h - game.Bottom && bw < w, 0, w - bw, game.Bottom, h - game.Bottom - bh},
    };
    uint32_t placed = 0;  // regions taken
    for (const SRegion& r : regions) {
        if (!r.Fits) continue;
        // Each later fitting region replaces the choice with chance 1/(taken + 1).
        if (placed > 0 && static_cast<uint32_t>(draw()) % (placed + 1) != 0) continue;
        *left = r.Left + draw() % r.LeftRange;
        *top = r.Top + draw() % r.TopRange;
        ++placed;
    }
    return placed > 0;
}

bool PlaceOverlay(const SSaverRect& desktop, int32_t windowLeft, int32_t windowTop, const SSaverRect& game,
                  int32_t bw, int32_t bh, const std::function<int()>& draw, int32_t* left, int32_t* top) {
    const SSaverRect inDesktop = {game.Left - desktop.Left, game.Top - desktop.Top, game.Right - desktop.Left,
                                  game.Bottom - desktop.Top};
    int32_t x = 0, y = 0;
    if (!ChooseOverlayPlace(desktop.Right - desktop.Left, desktop.Bottom - desktop.Top, inDesktop, bw, bh, draw, &x,
                            &y))
        return false;
    *left = x + desktop.Left - windowLeft;
    *top = y + desktop.Top - windowTop;
    return true;
}

SScreenPoint UnpackMousePoint(uint32_t packed) {
    return SScreenPoint{static_cast<int16_t>(packed & 0xFFFFu), static_cast<int16_t>(packed >> 16)};
}
