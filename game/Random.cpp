#include "Random.h"

#include <atomic>

namespace {
std::atomic<uint32_t> g_State{1};
}

void SeedRandom(uint32_t seed) {
    g_State.store(seed, std::memory_order_relaxed);
    NextRandom();
}

int NextRandom() {
    uint32_t state = g_State.load(std::memory_order_relaxed) * 22695477u + 1u;
    g_State.store(state, std::memory_order_relaxed);
    return static_cast<int>((state >> 16) & 0x7FFF);
}

uint32_t GetRandomState() { return g_State.load(std::memory_order_relaxed); }
