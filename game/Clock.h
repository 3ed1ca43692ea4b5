// Millisecond tick counter and sleep, reached through this seam so that the
// portable code never touches the platform and tests can supply a fake clock.
#pragma once

#include <cstdint>

struct SClockSource {
    uint32_t (*TickCount)();       // milliseconds, wraps at 2^32
    void (*Sleep)(uint32_t ms);
};

uint32_t TickCount();
void SleepMs(uint32_t ms);

// Replaces the clock (null restores the platform's). Tests only.
void SetClockSource(const SClockSource* source);

// The platform's clock; each build links exactly one implementation.
const SClockSource& PlatformClock();
