// The solver on boards a misread pixel or a large custom field produces:
// no false certainties, no blow-up, no stack depth that grows with the board.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <string>

#include "SolverTestSupport.h"

namespace {

struct SMisreadCase {
    const char* Name;
    const char* Board;
    int32_t MinesLeft;
    bool SimpleRulesOnly;
    const char* Expected;  // requests, in order
};

TEST(Misread, NoMoveRestsOnAContradiction) {
    const SMisreadCase cases[] = {
        // The 1 at (5,1) is really a 3: its group has no solution, so its
        // mines are missing from the count and the count proves nothing.
        {"a group without solutions does not feed the mine count", "...oF.F\n1o1oo1o\n", 2, false, ""},
        // The 2 is really a 1: reduced by the 1 beside it, it is left with no
        // squares and a mine, which must not be taken off the 1 below.
        {"a constraint emptied with mines left reduces no neighbour", "..o\n21o\no1o\n...\n", 2, true, ""},
        // The same contradiction with a certainty of its own elsewhere: the
        // safe square of the sound group is still opened.
        {"the sound constraints still reduce", "..o\n21o\no1o\n...\noo1\n", 3, true, "O 0,3 1;"},
    };
    for (const SMisreadCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto game = Board(c.Board, c.MinesLeft);
        CLogicMineSweeperBoard logic(game->Width, game->Height);
        logic.Rebuild(game.get());
        CRecordingFace face(game->Width, game->Height);
        if (c.SimpleRulesOnly) logic.ApplySimpleRules(game.get(), &face);
        else logic.Solve(&face, nullptr, game.get());
        EXPECT_EQ(Requests(face), c.Expected);
    }
}

// Groups "...o" over "1o1o": each has one mine ({middle}) or two ({left,
// right}) among its three squares; below them an interior.
std::string Units(uint32_t units, uint32_t interiorRows) {
    std::string top, middle;
    for (uint32_t u = 0; u < units; ++u) top += "...o", middle += "1o1o";
    std::string text = top + "\n" + middle + "\n" + std::string(top.size(), 'o') + "\n";
    for (uint32_t r = 0; r < interiorRows; ++r) text += std::string(top.size(), '.') + "\n";
    return text;
}

TEST(Weighing, ManyGroupsOnALargeBoardAreWeighedWithoutFalseCertainties) {
    // 256 undetermined groups and 62,464 interior squares holding about half
    // of 31,500 mines: the weight of one completion is far below the smallest
    // double, and the combinations of totals number 2^256.
    const uint32_t units = 256, rows = 61;
    auto game = Board(Units(units, rows), 31500);
    CLogicMineSweeperBoard logic(game->Width, game->Height);
    logic.Rebuild(game.get());
    CRecordingFace face(game->Width, game->Height);
    EXPECT_FALSE(logic.Solve(&face, nullptr, game.get()));
    for (const auto& a : face.Queued()) EXPECT_LT(a.Probability, 1.0) << a.X << "," << a.Y;
    // All groups are alike, so every middle square has the same
    // probability, and with the interior about half mines, near even odds.
    double first = logic.At(1, 0)->MineProbability;
    EXPECT_GT(first, 0.3);
    EXPECT_LT(first, 0.7);
    for (uint32_t u = 0; u < units; ++u) EXPECT_NEAR(logic.At(4 * u + 1, 0)->MineProbability, first, 1e-9) << u;
}

TEST(Weighing, ATotalIsDroppedOnlyWhenNoCompletionAllowsIt) {
    // One group of 1038 squares with one solution of 518 mines and one of
    // 520, 4000 interior squares and 3000 mines: one pattern of the group
    // weighs about 2^-1074, where a double runs out; the two totals weigh
    // C(4000, 2482) : C(4000, 2480), neither is impossible.
    const uint32_t size = 1038, interiorCount = 4000;
    CLogicSquare square(0, 0);
    TArray<CLogicSquare>* unknowns = new TArray<CLogicSquare>;
    for (uint32_t i = 0; i < size; ++i) unknowns->Add(&square);
    TInstanceArray<CSquareSolutionSet> groups;
    CSquareSolutionSet* g = new CSquareSolutionSet(unknowns, new TArray<CLogicSquare>);
    groups.Add(g);
    TArray<CLogicSquare> interior;
    for (uint32_t i = 0; i < interiorCount; ++i) interior.Add(&square);
    auto lnC = [](double n, double k) { return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1); };
    double ratio = std::exp(lnC(interiorCount, 3000 - 518) - lnC(interiorCount, 3000 - 520));
    for (uint64_t limit : {CConstraintSolutionSets::DirectLimit, uint64_t(0)}) {
        SCOPED_TRACE(limit);
        g->Reset(nullptr);
        g->MinMines = 518;
        g->MaxMines = 520;
        g->SolutionsByTotal[518] = g->SolutionsByTotal[520] = 1;
        g->SolutionCount = 2;
        g->MineCount[0] = g->MinesByTotal(518, 0) = 1;  // a mine only with 518
        uint64_t saved = CConstraintSolutionSets::DirectLimit;
        CConstraintSolutionSets::DirectLimit = limit;
        CConstraintSolutionSets weighing(groups, interior, 3000);
        CConstraintSolutionSets::DirectLimit = saved;
        EXPECT_EQ(weighing.DroppedTotals, 0u);
        EXPECT_EQ(g->SolutionCount, 2u);
        EXPECT_EQ(g->MineCount[0], 1u);
        EXPECT_NEAR(g->WeightByTotal[518], ratio / (1 + ratio), 1e-9);
        EXPECT_NEAR(g->WeightByTotal[520], 1 / (1 + ratio), 1e-9);
    }
}

// A snake of covered squares through an opened board without mines: every
// opened square beside it is a constraint (a 0), all in one group; the
// enumeration goes one constraint deeper for each.
std::string Snake(uint32_t width, uint32_t bends, uint32_t& constraints) {
    uint32_t height = bends * 4 + 1;
    std::vector<std::string> rows(height, std::string(width, 'o'));
    for (uint32_t b = 0; b <= bends; ++b) {
        rows[4 * b] = std::string(width, '.');
        if (b < bends)
            for (uint32_t d = 1; d < 4; ++d) rows[4 * b + d][b % 2 ? 0 : width - 1] = '.';
    }
    constraints = 0;
    std::string text;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            bool covered = false;
            for (uint32_t ny = y > 0 ? y - 1 : 0; ny <= y + 1 && ny < height; ++ny)
                for (uint32_t nx = x > 0 ? x - 1 : 0; nx <= x + 1 && nx < width; ++nx) covered |= rows[ny][nx] == '.';
            if (rows[y][x] == 'o' && covered) rows[y][x] = '0', ++constraints;
        }
        text += rows[y] + "\n";
    }
    return text;
}

struct SChainRun {
    CSquareSolutionSet* Group;
    bool Solved;
};

TEST(Enumeration, ALongChainNeedsNoDeepStack) {
    uint32_t constraints = 0;
    auto game = Board(Snake(100, 26, constraints), 0);
    ASSERT_GE(constraints, 5000u);
    std::printf("chain of %u constraints\n", constraints);
    CLogicMineSweeperBoard logic(game->Width, game->Height);
    logic.Rebuild(game.get());
    // Straight to the groups, without the fast rules (which would settle
    // this chain from its ends); they would have numbered the constraints.
    for (uint32_t i = 0; i < logic.ConstraintSquares->Count; ++i) logic.ConstraintSquares->Items[i]->Index = int32_t(i);
    TInstanceArray<CSquareSolutionSet> groups;
    TArray<CLogicSquare> interior;
    logic.FindGroups(groups, interior);
    ASSERT_EQ(groups.Count, 1u);
    ASSERT_EQ(groups.Items[0]->Constraints->Count, constraints);
    // On a thread with a 256 KB stack: a recursion per constraint would need
    // several times that.
    SChainRun run{groups.Items[0], false};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* p) -> void* {
                      SChainRun* r = static_cast<SChainRun*>(p);
                      r->Solved = r->Group->Evaluate(nullptr);
                      return nullptr;
                  },
                  &run),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    ASSERT_TRUE(run.Solved);
    EXPECT_EQ(groups.Items[0]->SolutionCount, 1u);
    RecycleBin.PutAll(groups);
}

}  // namespace
