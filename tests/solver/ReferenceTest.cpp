// The solver against a brute-force reference: on many positions with few
// undecided squares, every layout consistent with the numbers and the mine
// counter is enumerated, and the solver's certain moves and probabilities
// must agree with the exact ones.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SolverTestSupport.h"

namespace {

const uint32_t MaxUndecided = 20;

struct SReference {
    uint64_t Layouts = 0;
    std::vector<uint64_t> Mines;  // per undecided square
};

// Undecided squares are closed squares without a flag.
SReference Enumerate(const CMineSweeperBoard& b, const std::vector<uint32_t>& undecided) {
    SReference r;
    uint32_t n = static_cast<uint32_t>(undecided.size());
    r.Mines.assign(n, 0);
    std::vector<uint32_t> masks, needs;
    for (uint32_t x = 0; x < b.Width; ++x)
        for (uint32_t y = 0; y < b.Height; ++y) {
            const SMineSweeperSquare& s = b.GetColumn(x)[y];
            if (!s.Opened || s.Number < 0) continue;
            uint32_t mask = 0;
            int32_t need = s.Number;
            for (uint32_t nx = x > 0 ? x - 1 : 0; nx <= x + 1 && nx < b.Width; ++nx)
                for (uint32_t ny = y > 0 ? y - 1 : 0; ny <= y + 1 && ny < b.Height; ++ny) {
                    const SMineSweeperSquare& t = b.GetColumn(nx)[ny];
                    if (t.Opened) continue;
                    if (t.Mine) { --need; continue; }
                    for (uint32_t i = 0; i < n; ++i)
                        if (undecided[i] == nx * b.Height + ny) mask |= 1u << i;
                }
            if (need < 0) return r;  // no layout at all
            masks.push_back(mask);
            needs.push_back(static_cast<uint32_t>(need));
        }
    if (b.MinesLeft < 0 || static_cast<uint32_t>(b.MinesLeft) > n) return r;
    uint32_t k = static_cast<uint32_t>(b.MinesLeft);
    for (uint64_t m = 0; m < (1ull << n); ++m) {
        if (static_cast<uint32_t>(__builtin_popcountll(m)) != k) continue;
        bool ok = true;
        for (size_t c = 0; c < masks.size() && ok; ++c)
            ok = static_cast<uint32_t>(__builtin_popcount(static_cast<uint32_t>(m) & masks[c])) == needs[c];
        if (!ok) continue;
        ++r.Layouts;
        for (uint32_t i = 0; i < n; ++i)
            if (m >> i & 1) ++r.Mines[i];
    }
    return r;
}

struct SStats {
    uint32_t Positions = 0, Consistent = 0, Compared = 0;
};

// Runs the fast rules and the solving pass on a copy of the position and
// compares with the reference; the first disagreement ends the test.
void Check(const CMineSweeperBoard& position, SStats& stats) {
    std::vector<uint32_t> undecided;
    for (uint32_t x = 0; x < position.Width; ++x)
        for (uint32_t y = 0; y < position.Height; ++y) {
            const SMineSweeperSquare& s = position.GetColumn(x)[y];
            if (!s.Opened && !s.Mine) undecided.push_back(x * position.Height + y);
        }
    if (undecided.empty() || undecided.size() > MaxUndecided) return;
    if (undecided.size() == static_cast<size_t>(position.Width) * position.Height) return;  // fresh board
    ++stats.Positions;
    SReference ref = Enumerate(position, undecided);
    SCOPED_TRACE("\n" + BoardToText(position) + "mines left " + std::to_string(position.MinesLeft));

    CLogicMineSweeperBoard logic(position.Width, position.Height);
    ASSERT_TRUE(logic.Rebuild(&position));
    CRecordingFace face(position.Width, position.Height);
    logic.ApplySimpleRules(nullptr, &face);
    for (uint32_t c : undecided) {
        CLogicSquare* s = logic.At(c / position.Height, c % position.Height);
        if (!s->IsOpen && !s->IsMine) s->MineProbability = 2.0;  // "not written"
    }
    logic.Solve(&face, nullptr, nullptr);

    // Nothing unsound reaches the game, consistent board or not.
    std::vector<int> requested(undecided.size(), 0);  // +1 safe, -1 mine
    for (const auto& a : face.Queued()) {
        ASSERT_TRUE(std::isfinite(a.Probability));
        ASSERT_GE(a.Probability, 0.0);
        ASSERT_LE(a.Probability, 1.0);
        for (size_t i = 0; i < undecided.size(); ++i)
            if (undecided[i] == a.X * position.Height + a.Y && a.Probability == 1.0)
                requested[i] = a.Type == CMineSweeperInterface::Flag ? -1 : 1;
    }
    for (uint32_t c : undecided) {
        double p = logic.At(c / position.Height, c % position.Height)->MineProbability;
        ASSERT_TRUE(std::isfinite(p));
        ASSERT_TRUE((p >= 0.0 && p <= 1.0) || p == 2.0) << p;
    }
    if (ref.Layouts == 0) return;
    ++stats.Consistent;

    double bestFrontier = 1.0;
    for (size_t i = 0; i < undecided.size(); ++i) {
        const CLogicSquare* s = logic.At(undecided[i] / position.Height, undecided[i] % position.Height);
        if (s->HasConstraints) bestFrontier = std::min(bestFrontier, double(ref.Mines[i]) / double(ref.Layouts));
    }
    for (size_t i = 0; i < undecided.size(); ++i) {
        uint32_t x = undecided[i] / position.Height, y = undecided[i] % position.Height;
        SCOPED_TRACE("square " + std::to_string(x) + "," + std::to_string(y));
        const CLogicSquare* s = logic.At(x, y);
        double exact = double(ref.Mines[i]) / double(ref.Layouts);
        bool safe = ref.Mines[i] == 0, mine = ref.Mines[i] == ref.Layouts;
        ASSERT_FALSE(requested[i] == 1 && !safe) << "opened a square that can hold a mine";
        ASSERT_FALSE(requested[i] == -1 && !mine) << "flagged a square that can be safe";
        bool frontier = s->HasConstraints || s->IsMine || s->IsOpen;
        if (frontier) {
            if (safe) ASSERT_EQ(requested[i], 1) << "missed a safe square";
            else if (mine) ASSERT_EQ(requested[i], -1) << "missed a mine";
            else ASSERT_NEAR(s->MineProbability, exact, 1e-9);
        } else if (requested[i] == 0) {
            if (s->MineProbability == 2.0) {
                ASSERT_GE(exact, bestFrontier - 1e-9) << "interior skipped although safer";
            } else {
                ASSERT_NEAR(std::pow(s->MineProbability, 1.0 / 1.1), exact, 1e-9);
            }
        }
        ++stats.Compared;
    }
}

// Positions met in real play: the solver plays small games and every pass
// with few undecided squares left is checked.
class Reference : public ::testing::TestWithParam<uint64_t> {
protected:
    // Weighing by the sums alone (0) or, for few combinations, one by one.
    void SetUp() override { CConstraintSolutionSets::DirectLimit = GetParam(); }
    void TearDown() override { CConstraintSolutionSets::DirectLimit = Default; }
    const uint64_t Default = CConstraintSolutionSets::DirectLimit;
};
INSTANTIATE_TEST_SUITE_P(Weighing, Reference, ::testing::Values(CConstraintSolutionSets::DirectLimit, 0u));

TEST_P(Reference, PositionsFromPlayedGames) {
    SStats stats;
    CLcgRandom pick(7);
    SeedRandom(11);
    for (uint32_t game = 0; game < 1500 && !HasFatalFailure(); ++game) {
        uint32_t w = 4 + pick.Next() % 6, h = 4 + pick.Next() % 5;
        uint32_t mines = 2 + pick.Next() % (w * h / 4);
        CHeadlessGame headless(w, h, mines, game + 1);
        CMineSweeperBoard* board = nullptr;
        CLogicMineSweeperBoard logic(w, h);
        headless.QueueFlags = true;
        for (uint32_t pass = 0; pass < 4 * w * h && !HasFatalFailure(); ++pass) {
            headless.ReadBoard(&board);
            if (board->State == Won || board->State == Lost) break;
            Check(*board, stats);
            headless.ClearActions();
            if (board->State == NotStarted || !logic.Update(board)) logic.Rebuild(board);
            if (!logic.ApplySimpleRules(board, &headless)) logic.Solve(&headless, nullptr, board);
        }
        delete board;
    }
    std::printf("played positions: %u checked, %u squares compared\n", stats.Positions, stats.Compared);
    EXPECT_GT(stats.Positions, 3000u);
}

// Positions no game would produce: random layouts, opened at random, some
// mines flagged, the counter sometimes off, numbers sometimes misread.
TEST_P(Reference, RandomPositionsConsistentOrNot) {
    SStats stats;
    CLcgRandom r(3);
    for (uint32_t n = 0; n < 6000 && !HasFatalFailure(); ++n) {
        uint32_t w = 2 + r.Next() % 7, h = 1 + r.Next() % 6;
        CMineSweeperBoard b(w, h);
        std::vector<uint8_t> mine(w * h);
        uint32_t density = 10 + r.Next() % 30, total = 0;
        for (auto& m : mine) total += m = static_cast<uint32_t>(r.Next() % 100) < density;
        uint32_t openShare = 30 + r.Next() % 60;
        int32_t flags = 0;
        for (uint32_t x = 0; x < w; ++x)
            for (uint32_t y = 0; y < h; ++y) {
                SMineSweeperSquare& s = b.GetColumn(x)[y];
                s = SMineSweeperSquare{0, 0, -1, None};
                if (mine[x * h + y]) {
                    if (r.Next() % 4 == 0) s = SMineSweeperSquare{0, 1, -1, SquareMark::Flag}, ++flags;
                } else if (static_cast<uint32_t>(r.Next() % 100) < openShare) {
                    int32_t count = 0;
                    for (uint32_t nx = x > 0 ? x - 1 : 0; nx <= x + 1 && nx < w; ++nx)
                        for (uint32_t ny = y > 0 ? y - 1 : 0; ny <= y + 1 && ny < h; ++ny) count += mine[nx * h + ny];
                    s = SMineSweeperSquare{1, 0, count, None};
                    if (r.Next() % 12 == 0) s.Number = r.Next() % 9;  // misread
                    if (r.Next() % 20 == 0) s.Number = -1;            // not read yet
                }
            }
        b.MinesLeft = static_cast<int32_t>(total) - flags;
        if (r.Next() % 10 == 0) b.MinesLeft += static_cast<int32_t>(r.Next() % 5) - 2;
        b.State = Playing;
        Check(b, stats);
    }
    std::printf("random positions: %u checked, %u consistent, %u squares compared\n", stats.Positions,
                stats.Consistent, stats.Compared);
    EXPECT_GT(stats.Consistent, 2000u);
}

}  // namespace
