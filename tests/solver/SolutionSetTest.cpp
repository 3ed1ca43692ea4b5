// Enumeration of groups, totals and their weights, the pool, and the stop
// flag (the decisions of the solving pass are DecisionTest's).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>

#include "SolverTestSupport.h"

namespace {

struct SPosition {
    std::unique_ptr<CMineSweeperBoard> Game;
    std::unique_ptr<CLogicMineSweeperBoard> Logic;
    TInstanceArray<CSquareSolutionSet> Groups;
    TArray<CLogicSquare> Interior;

    SPosition(const char* text, int32_t minesLeft) : Game(Board(text, minesLeft)) {
        Logic.reset(new CLogicMineSweeperBoard(Game->Width, Game->Height));
        Logic->Rebuild(Game.get());
        Logic->ApplySimpleRules(nullptr, nullptr);
        Logic->FindGroups(Groups, Interior);
    }
    ~SPosition() { RecycleBin.PutAll(Groups); }
    // Mine count of the square at (x, y) in group g.
    SolutionCounter Mines(CSquareSolutionSet* g, uint32_t x, uint32_t y) {
        return g->MineCount[Logic->At(x, y)->Index];
    }
};

TEST(SolutionSet, CountsSolutionsByTotal) {
    SPosition one("..\n1o\n", 1);
    ASSERT_EQ(one.Groups.Count, 1u);
    CSquareSolutionSet* g = one.Groups.Items[0];
    ASSERT_TRUE(g->Evaluate(nullptr));
    EXPECT_EQ(g->SolutionCount, 2u);
    EXPECT_EQ(one.Mines(g, 0, 0), 1u);
    EXPECT_EQ(one.Mines(g, 1, 0), 1u);
    EXPECT_EQ(g->MinMines, 1u);
    EXPECT_EQ(g->MaxMines, 1u);
    EXPECT_DOUBLE_EQ(g->ExpectedMines, 1.0);

    SPosition two("...\n1o1\n", 2);
    ASSERT_EQ(two.Groups.Count, 1u);
    g = two.Groups.Items[0];
    ASSERT_TRUE(g->Evaluate(nullptr));
    EXPECT_EQ(g->SolutionsByTotal[1], 1u);
    EXPECT_EQ(g->SolutionsByTotal[2], 1u);
    EXPECT_DOUBLE_EQ(g->WeightByTotal[1], 0.5);
    EXPECT_DOUBLE_EQ(g->ExpectedMines, 1.5);
    EXPECT_FALSE(g->RestrictMineCount(0, 5));  // contains the range
    EXPECT_FALSE(g->RestrictMineCount(3, 4));  // outside it
    EXPECT_EQ(g->SolutionCount, 2u);
    EXPECT_TRUE(g->RestrictMineCount(2, 2));
    EXPECT_EQ(g->SolutionCount, 1u);
    EXPECT_EQ(two.Mines(g, 0, 0), 1u);
    EXPECT_EQ(two.Mines(g, 1, 0), 0u);
    EXPECT_EQ(two.Mines(g, 2, 0), 1u);
    // A pass stopped before it began records nothing, not even what it had.
    std::atomic<bool> stop{true};
    EXPECT_FALSE(g->Evaluate(&stop));
    EXPECT_EQ(g->SolutionCount, 0u);
}

TEST(SolutionSet, CountsPastThirtyTwoBitsStayExact) {
    // Counts this large come from a frontier of a few dozen loosely bound
    // squares; 32-bit counters would wrap and give nonsense probabilities.
    TArray<CLogicSquare>* unknowns = new TArray<CLogicSquare>;
    CLogicSquare a(0, 0), b(1, 0);
    unknowns->Add(&a);
    unknowns->Add(&b);
    CSquareSolutionSet set(unknowns, new TArray<CLogicSquare>);
    set.Reset(nullptr);
    const SolutionCounter big = 5000000000ull, bigger = 7000000000ull;
    set.SolutionsByTotal[1] = big;
    set.SolutionsByTotal[2] = bigger;
    set.MinesByTotal(1, 0) = big;
    set.MinesByTotal(2, 0) = bigger;
    set.MinesByTotal(2, 1) = bigger;
    set.MineCount[0] = big + bigger;
    set.MineCount[1] = bigger;
    set.SolutionCount = big + bigger;
    set.TotalMines = big + 2 * bigger;
    set.MinMines = 1;
    set.MaxMines = 2;
    ASSERT_TRUE(set.RestrictMineCount(2, 2));
    EXPECT_EQ(set.SolutionCount, bigger);
    EXPECT_EQ(set.MineCount[0], bigger);
    EXPECT_EQ(set.MineCount[1], bigger);
    EXPECT_DOUBLE_EQ(set.ExpectedMines, 2.0);
}

TEST(NextCombination, WalksEverySubsetInOrder) {
    struct { uint32_t N, K, Expected; } cases[] = {{5, 2, 10}, {8, 4, 70}, {3, 3, 1}, {6, 1, 6}};
    for (auto& c : cases) {
        uint32_t idx[8];
        for (uint32_t i = 0; i < c.K; ++i) idx[i] = i;
        uint32_t count = 1;
        uint32_t last[8];
        while (true) {
            for (uint32_t i = 0; i < c.K; ++i) last[i] = idx[i];
            if (!NextCombination(idx, c.N, c.K)) break;
            ++count;
            bool greater = false;  // lexicographic successor
            for (uint32_t i = 0; i < c.K && !greater; ++i) {
                if (idx[i] != last[i]) {
                    greater = idx[i] > last[i];
                    break;
                }
            }
            ASSERT_TRUE(greater);
            for (uint32_t i = 1; i < c.K; ++i) ASSERT_LT(idx[i - 1], idx[i]);
            ASSERT_LT(idx[c.K - 1], c.N);
        }
        EXPECT_EQ(count, c.Expected) << c.N << " choose " << c.K;
    }
}

double Binomial(uint32_t n, uint32_t k) {
    if (k > n) return 0.0;
    return std::exp(std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0));
}

TEST(PlacementRatio, MatchesBinomials) {
    struct { uint32_t N, M, S, K; } cases[] = {
        {6, 2, 3, 1}, {6, 2, 3, 2}, {480, 99, 30, 7}, {381, 90, 12, 0}, {100, 10, 40, 10}};
    for (auto& c : cases) {
        double expected = Binomial(c.N - c.S, c.M - c.K) / Binomial(c.N, c.M);
        EXPECT_NEAR(PlacementRatio(c.N, c.M, c.S, c.K) / expected, 1.0, 1e-9) << c.N << " " << c.M << " " << c.S;
    }
    EXPECT_EQ(PlacementRatio(5, 1, 5, 2), 0.0);  // more mines than placed
    EXPECT_EQ(PlacementRatio(6, 5, 3, 1), 0.0);  // too few safe squares elsewhere
    EXPECT_EQ(PlacementRatio(10, 9, 3, 1), 0.0);
    EXPECT_EQ(PlacementRatio(5, 1, 5, 0), 0.0);
}

TEST(Weighing, TotalsByInteriorPlacements) {
    SPosition p("...\n1o1\n", 2);
    CSquareSolutionSet* g = p.Groups.Items[0];
    ASSERT_TRUE(g->Evaluate(nullptr));
    CLogicSquare inner[3] = {{9, 9}, {9, 9}, {9, 9}};
    TArray<CLogicSquare> interior;
    for (CLogicSquare& i : inner) interior.Add(&i);
    delete new CConstraintSolutionSets(p.Groups, interior, 2);
    EXPECT_NEAR(g->WeightByTotal[1], 0.75, 1e-12);
    EXPECT_NEAR(g->WeightByTotal[2], 0.25, 1e-12);
    EXPECT_NEAR(g->ExpectedMines, 1.25, 1e-12);

    ASSERT_TRUE(g->Evaluate(nullptr));
    TArray<CLogicSquare> none;
    delete new CConstraintSolutionSets(p.Groups, none, 2);
    EXPECT_EQ(g->WeightByTotal[1], 0.0);
    EXPECT_EQ(g->WeightByTotal[2], 1.0);
    EXPECT_EQ(g->SolutionCount, 1u);  // the one-mine solution is dropped
    EXPECT_EQ(p.Mines(g, 1, 0), 0u);

    // No completion at all: the totals are left and nothing is divided by 0.
    ASSERT_TRUE(g->Evaluate(nullptr));
    delete new CConstraintSolutionSets(p.Groups, none, 7);
    EXPECT_EQ(g->SolutionCount, 2u);
    EXPECT_DOUBLE_EQ(g->WeightByTotal[1], 0.5);
    EXPECT_TRUE(std::isfinite(g->ExpectedMines));
}

TEST(Weighing, EveryGroupCountsTheOthersSolutions) {
    // Two groups of four squares; the first has 1 solution with one mine
    // and 3 with two, the second 2 and 1. With 3 interior squares and 4
    // mines the completions weigh S1(t1) * S2(t2) * C(3, 4 - t1 - t2):
    // (1,1) 6, (1,2) 3, (2,1) 18, (2,2) 3 of 30. A weighing that leaves the
    // earlier group's counts out of the later one's totals gets the second
    // group wrong.
    CLogicSquare squares[8] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}};
    TInstanceArray<CSquareSolutionSet> groups;
    const SolutionCounter counts[2][3] = {{0, 1, 3}, {0, 2, 1}};
    for (int k = 0; k < 2; ++k) {
        TArray<CLogicSquare>* u = new TArray<CLogicSquare>;
        for (int i = 0; i < 4; ++i) u->Add(&squares[k * 4 + i]);
        CSquareSolutionSet* g = new CSquareSolutionSet(u, new TArray<CLogicSquare>);
        g->Reset(nullptr);
        g->MinMines = 1;
        g->MaxMines = 2;
        g->SolutionsByTotal[1] = counts[k][1];
        g->SolutionsByTotal[2] = counts[k][2];
        g->SolutionCount = counts[k][1] + counts[k][2];
        groups.Add(g);
    }
    CLogicSquare inner[3] = {{9, 9}, {9, 9}, {9, 9}};
    TArray<CLogicSquare> interior;
    for (CLogicSquare& i : inner) interior.Add(&i);
    delete new CConstraintSolutionSets(groups, interior, 4);
    EXPECT_NEAR(groups.Items[0]->WeightByTotal[1], 9.0 / 30, 1e-12);
    EXPECT_NEAR(groups.Items[0]->WeightByTotal[2], 21.0 / 30, 1e-12);
    EXPECT_NEAR(groups.Items[1]->WeightByTotal[1], 24.0 / 30, 1e-12);
    EXPECT_NEAR(groups.Items[1]->WeightByTotal[2], 6.0 / 30, 1e-12);
    EXPECT_NEAR(groups.Items[1]->ExpectedMines, 1.2, 1e-12);
}

TEST(RecycleBin, PoolsBySizeAndDropsLargeSets) {
    CSquareSolutionSetRecycleBin bin;
    CLogicSquare s(0, 0);
    auto list = [&](uint32_t n) {
        TArray<CLogicSquare>* l = new TArray<CLogicSquare>;
        for (uint32_t i = 0; i < n; ++i) l->Add(&s);
        return l;
    };
    TArray<CLogicSquare>* u = list(3);
    TArray<CLogicSquare>* c = list(1);
    CSquareSolutionSet* first = bin.Get(u, c);
    EXPECT_EQ(u, nullptr);  // taken over
    bin.Put(first);
    u = list(3);
    c = list(40);  // more than the pooled list holds
    CSquareSolutionSet* again = bin.Get(u, c);
    EXPECT_EQ(again, first);
    ASSERT_NE(u, nullptr);  // copied, still the caller's
    EXPECT_EQ(again->Constraints->Count, 40u);
    delete u;
    delete c;
    bin.Put(again);
    u = list(128);
    c = list(1);
    CSquareSolutionSet* large = bin.Get(u, c);
    EXPECT_EQ(u, nullptr);
    bin.Put(large);  // deleted, never pooled
    u = list(128);
    c = list(1);
    CSquareSolutionSet* other = bin.Get(u, c);
    EXPECT_EQ(u, nullptr);
    delete other;
}

TEST(Solve, StopFromAnotherThreadEndsALargeEnumeration) {
    // A long strip of 2s between two closed rows: one group whose solutions
    // grow exponentially with its length, far beyond what finishes.
    std::string top(80, '.'), middle = "o" + std::string(78, '2') + "o";
    auto game = Board(top + "\n" + middle + "\n" + top + "\n", 100);
    CLogicMineSweeperBoard logic(game->Width, game->Height);
    logic.Rebuild(game.get());
    CRecordingFace face(game->Width, game->Height);
    std::atomic<bool> stop{false};
    auto result = std::async(std::launch::async, [&] { return logic.Solve(&face, &stop, game.get()); });
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    stop = true;
    // A generous bound that only catches a solver ignoring the flag.
    ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_FALSE(result.get());
    EXPECT_TRUE(face.Queued().empty());
}

}  // namespace
