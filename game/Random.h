// The program's pseudo-random generator: a linear congruential generator
// (state * 22695477 + 1 mod 2^32, result bits 16..30), so every build and
// platform draws the same sequence from the same seed.
#pragma once

#include <cstdint>

// A generator with its own state (the headless game's mine layouts, tests).
class CLcgRandom {
public:
    explicit CLcgRandom(uint32_t seed = 1) { Seed(seed); }
    // Sets the state and discards one draw.
    void Seed(uint32_t seed) { State = seed; Next(); }
    // 0 .. 32767.
    int Next() {
        State = State * 22695477u + 1u;
        return static_cast<int>((State >> 16) & 0x7FFF);
    }
    uint32_t State;
};

// The one process-wide generator shared by the player loop, the solver's
// guess and the overlay placement. The threads draw without a lock; the state
// word is atomic so that a concurrent draw is merely unpredictable.
void SeedRandom(uint32_t seed);
int NextRandom();
uint32_t GetRandomState();
