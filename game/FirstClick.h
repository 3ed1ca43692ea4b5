// The rule that keeps the first opening of a game off a mine, shared by the
// headless game and the stand-in game so that both play the same layouts.
#pragma once

#include <cstdint>

#include "Random.h"

enum class FirstClickRule : uint32_t {
    // A mine under the first opening moves to a free square drawn uniformly
    // when the game starts: every layout that leaves the first square free
    // is then equally likely, as the solver assumes.
    Uniform = 0,
    // It moves to the first free square, rows from the top-left, as in the
    // classic game: layouts with a mine near that corner are favoured.
    Classic = 1,
};

// A value from 0 to n - 1, each equally likely (n from 1 to 2^30): two draws
// give 30 bits, and values past the last whole multiple of n are drawn again.
inline uint32_t UniformBelow(CLcgRandom& random, uint32_t n) {
    if (n <= 1) return 0;
    const uint32_t range = 1u << 30;
    const uint32_t limit = range - range % n;
    for (;;) {
        uint32_t v = static_cast<uint32_t>(random.Next()) << 15 | static_cast<uint32_t>(random.Next());
        if (v < limit) return v % n;
    }
}

// Drawn when a game's mines have been placed: which free square, counted in
// row order from the top-left, takes a mine from under the first opening.
// The classic rule draws nothing and always takes the first.
inline uint32_t DrawFirstClickTarget(FirstClickRule rule, uint32_t freeSquares, CLcgRandom& random) {
    return rule == FirstClickRule::Uniform ? UniformBelow(random, freeSquares) : 0;
}

// Moves the mine under (x, y), if any, to free square number target (row
// order from the top-left) of a width x height field. isMine(x, y) and
// setMine(x, y, mine) reach the game's own squares. True when a mine moved.
template <typename IsMine, typename SetMine>
bool MoveFirstClickMine(uint32_t target, uint32_t width, uint32_t height, uint32_t x, uint32_t y, IsMine isMine,
                        SetMine setMine) {
    if (!isMine(x, y)) return false;
    for (uint32_t row = 0; row < height; ++row)
        for (uint32_t col = 0; col < width; ++col) {
            if (isMine(col, row) || target-- > 0) continue;
            setMine(col, row, true);
            setMine(x, y, false);
            return true;
        }
    return false;
}
