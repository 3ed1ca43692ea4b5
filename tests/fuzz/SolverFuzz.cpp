// libFuzzer target: bytes become a board (size, counter, squares), then a few
// edits of it; each state goes through Rebuild/Update, the fast rules and the
// solving pass. Nothing may crash, hang, or hand out a probability outside
// [0, 1]. A watchdog stops enumerations that would run for long.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "Logicsolve.h"
#include "Minesweeper.h"

namespace {

class CQueueFace : public CMineSweeperInterface {
public:
    bool ReadBoard(CMineSweeperBoard**) override { return false; }
    bool NewGame() override { return true; }
    bool OpenSquare(uint32_t, uint32_t) override { return true; }
    bool FlagSquare(uint32_t, uint32_t) override { return true; }
    bool UnflagSquare(uint32_t, uint32_t) override { return true; }
    bool MoveCursorToSquare(uint32_t, uint32_t) override { return true; }
};

std::atomic<bool> g_Stop{false};
std::atomic<uint64_t> g_Generation{0};

void Watchdog() {
    uint64_t seen = 0;
    int ticks = 0;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        uint64_t now = g_Generation.load();
        if (now != seen) {
            seen = now;
            ticks = 0;
        } else if (++ticks >= 5) {
            g_Stop.store(true);
        }
    }
}

void SetSquare(SMineSweeperSquare& s, uint8_t byte) {
    switch (byte % 4) {
        case 0: s = SMineSweeperSquare{0, 0, -1, None}; break;
        case 1: s = SMineSweeperSquare{0, 1, -1, SquareMark::Flag}; break;
        default: {
            int32_t n = (byte >> 2) % 10;  // 9 stands for "not read yet"
            s = SMineSweeperSquare{1, 0, n == 9 ? -1 : n, None};
            break;
        }
    }
}

void CheckBoard(const CLogicMineSweeperBoard& logic, const CQueueFace& face) {
    for (uint32_t x = 0; x < logic.Width; ++x)
        for (uint32_t y = 0; y < logic.Height; ++y) {
            double p = logic.At(x, y)->MineProbability;
            if (!(p >= 0.0 && p <= 1.0)) __builtin_trap();
        }
    for (uint32_t i = 0; i < face.Actions->Count; ++i) {
        double p = face.Actions->Items[i]->Probability;
        if (!(p >= 0.0 && p <= 1.0)) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::thread(Watchdog).detach();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    uint32_t width = 1 + data[0] % 16, height = 1 + data[1] % 16;
    int32_t minesLeft = static_cast<int8_t>(data[2]);
    double threshold = data[3] & 1 ? 2.0 : 0.0;
    size_t pos = 4;
    CMineSweeperBoard game(width, height);
    game.MinesLeft = minesLeft;
    game.State = Playing;
    for (uint32_t i = 0; i < width * height; ++i) SetSquare(game.Squares[i], pos < size ? data[pos++] : 0);

    g_Stop.store(false);
    g_Generation.fetch_add(1);
    CLogicMineSweeperBoard logic(width, height);
    CQueueFace face;
    face.Width = width;
    face.Height = height;
    face.QueueThreshold = threshold;
    face.QueueFlags = true;
    logic.Rebuild(&game);
    for (int round = 0; round < 4; ++round) {
        face.ClearActions();
        if (!logic.ApplySimpleRules(&game, &face)) logic.Solve(&face, &g_Stop, &game);
        CheckBoard(logic, face);
        // Edits: pairs of (square, new content); then Update, or Rebuild
        // when the boards disagree.
        for (int e = 0; e < 3 && pos + 1 < size; ++e, pos += 2)
            SetSquare(game.Squares[data[pos] % (width * height)], data[pos + 1]);
        if (pos < size && data[pos++] % 8 == 0) game.MinesLeft = static_cast<int8_t>(data[pos - 1]);
        if (!logic.Update(&game)) logic.Rebuild(&game);
    }
    return 0;
}
