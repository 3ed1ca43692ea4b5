#include "Clock.h"

#include <atomic>

namespace {
std::atomic<const SClockSource*> g_Source{nullptr};

const SClockSource& Current() {
    const SClockSource* s = g_Source.load(std::memory_order_acquire);
    return s ? *s : PlatformClock();
}
}  // namespace

uint32_t TickCount() { return Current().TickCount(); }
void SleepMs(uint32_t ms) { Current().Sleep(ms); }
void SetClockSource(const SClockSource* source) { g_Source.store(source, std::memory_order_release); }
