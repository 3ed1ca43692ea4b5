// Clock of the Windows builds: the system tick counter and Sleep.
#include "Clock.h"

#include <windows.h>

namespace {
uint32_t Win32Tick() { return GetTickCount(); }
void Win32Sleep(uint32_t ms) { Sleep(ms); }
const SClockSource kWin32Clock{Win32Tick, Win32Sleep};
}  // namespace

const SClockSource& PlatformClock() { return kWin32Clock; }
