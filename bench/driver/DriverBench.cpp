// Speed of the driver on the stand-in game under Wine: a full read and an
// incremental read of an Expert board, and clicks per second; medians.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "StandinSupport.h"
#include "VelkorInterface.h"

namespace {
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}
double NowMs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}
}  // namespace

int main() {
    standintest::CStandin game;
    if (!game.Start(5, standintest::kLevels[2])) {
        std::printf("driver bench: the stand-in game did not start\n");
        return 1;
    }
    CVelkorInterface driver(game.Window());
    CMineSweeperBoard* board = nullptr;
    if (!driver.ReadBoard(&board)) {
        std::printf("driver bench: no board read\n");
        return 1;
    }
    driver.OpenSquare(15, 8);
    standintest::Settle(game.Window());
    driver.ReadBoard(&board);
    const int runs = 50;
    std::vector<double> full, update, clicks;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        bool ok = driver.ReadBoard(&board);
        double t1 = NowMs();
        if (ok) full.push_back(t1 - t0);
        bool changed = false;
        t0 = NowMs();
        ok = driver.UpdateBoard(board, &changed, false);
        t1 = NowMs();
        if (ok) update.push_back(t1 - t0);
    }
    // Flag and unflag one covered square: two right clicks per round, sent
    // and answered one at a time.
    uint32_t fx = 0, fy = 0;
    for (uint32_t x = 0; x < board->Width; ++x)
        for (uint32_t y = 0; y < board->Height; ++y)
            if (!board->GetColumn(x)[y].Opened) fx = x, fy = y;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        for (int k = 0; k < 10; ++k) {
            driver.FlagSquare(fx, fy);
            driver.Snapshot->GetColumn(fx)[fy].Mark = SquareMark::Question;
            driver.UnflagSquare(fx, fy);
        }
        double t1 = NowMs();
        clicks.push_back(20.0 * 1000.0 / (t1 - t0));
    }
    std::printf("driver bench (Expert 30x16, stand-in game under Wine, medians of %d)\n", runs);
    std::printf("  ReadBoard (full read):      %.2f ms (%zu reads)\n", Median(full), full.size());
    std::printf("  UpdateBoard (incremental):  %.2f ms (%zu reads)\n", Median(update), update.size());
    std::printf("  clicks per second:          %.0f\n", Median(clicks));
    delete board;
    return 0;
}
