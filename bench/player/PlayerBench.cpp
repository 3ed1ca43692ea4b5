// Player loop benchmark under Wine with the stand-in game: games per minute
// on each standard level without animation, and the time from a stop request
// to the end of the player thread.
//
//   player_bench [--seconds S] [--stops N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Saver.h"
#include "SaverState.h"
#include "StandinSupport.h"

namespace {

uint32_t Counted() {
    uint32_t n = 0;
    for (int level = 0; level < 3; ++level) n += GameStatistics.WonThisRun[level] + GameStatistics.LostThisRun[level];
    return n;
}

HANDLE StartPlayer(HWND game, uint32_t animation, uint32_t gameMode) {
    SaverState.Reset();
    SaverSettings.Reset();
    GameStatistics.Reset();
    SaverSettings.AnimationMode = animation;
    SaverSettings.GameMode = gameMode;
    return CreateThread(nullptr, 0, PlayerThreadProc, game, 0, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    DWORD seconds = 30;
    int stops = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--seconds") seconds = static_cast<DWORD>(std::strtoul(argv[i + 1], nullptr, 10));
        if (a == "--stops") stops = std::atoi(argv[i + 1]);
    }

    std::printf("Games per minute, no animation, %lu s per level:\n", static_cast<unsigned long>(seconds));
    for (int level = 0; level < 3; ++level) {
        standintest::CStandin game;
        if (!game.Start(5, standintest::kLevels[level], 1000 + level)) return 1;
        HANDLE thread = StartPlayer(game.Window(), 0, static_cast<uint32_t>(level + 1));
        // Time from the first game counted, so that the start is not measured.
        while (Counted() == 0 && WaitForSingleObject(thread, 10) == WAIT_TIMEOUT) {
        }
        uint32_t first = Counted();
        DWORD start = GetTickCount();
        Sleep(seconds * 1000);
        uint32_t games = Counted() - first;
        DWORD took = GetTickCount() - start;
        uint32_t won = 0;
        for (int k = 0; k < 3; ++k) won += GameStatistics.WonThisRun[k];
        SaverState.StopRequested = true;
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
        std::printf("  %-12s %5.1f games/min (%u games, %u won in the run)\n", standintest::kLevels[level].Name,
                    games * 60000.0 / took, games, won);
        std::fflush(stdout);
    }

    // Stops at varied moments: in play without animation, and in slow
    // animation, where the thread is mostly pausing.
    std::vector<DWORD> times;
    for (int i = 0; i < stops; ++i) {
        standintest::CStandin game;
        if (!game.Start(5, standintest::kLevels[0], 2000 + i)) return 1;
        uint32_t animation = i % 2 ? 2 : 0;
        HANDLE thread = StartPlayer(game.Window(), animation, 1);
        // In play: after the first game, at a varied moment of the next.
        for (int wait = 0; wait < 3000 && Counted() == 0; ++wait) Sleep(10);
        Sleep(53 * static_cast<DWORD>(i % 10));
        LARGE_INTEGER f, t0, t1;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        SaverState.StopRequested = true;
        WaitForSingleObject(thread, 5000);
        QueryPerformanceCounter(&t1);
        CloseHandle(thread);
        times.push_back(static_cast<DWORD>((t1.QuadPart - t0.QuadPart) * 1000 / f.QuadPart));
        game.Stop();
    }
    std::sort(times.begin(), times.end());
    if (!times.empty())
        std::printf("Stop request to thread end over %zu stops (half slow animation): median %lu ms, max %lu ms\n",
                    times.size(), static_cast<unsigned long>(times[times.size() / 2]),
                    static_cast<unsigned long>(times.back()));
    return 0;
}
