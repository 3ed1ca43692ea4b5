// The headless game shows the boards the real game shows.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SolverTestSupport.h"

namespace {

std::string Read(CHeadlessGame& g) {
    CMineSweeperBoard* b = nullptr;
    EXPECT_TRUE(g.ReadBoard(&b));
    std::string text = BoardToText(*b);
    delete b;
    return text;
}

TEST(HeadlessGame, FirstClickIsNeverAMine) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        CHeadlessGame g(8, 8, 60, seed);  // dense: the first click often hits one
        uint32_t x = seed % 8, y = (seed / 8) % 8;
        bool hadMine = g.HasMine(x, y);
        g.OpenSquare(x, y);
        ASSERT_NE(g.State(), Lost) << seed;
        EXPECT_EQ(g.MineTotal(), 60u);
        uint32_t mines = 0;
        for (uint32_t i = 0; i < 8; ++i)
            for (uint32_t j = 0; j < 8; ++j) mines += g.HasMine(i, j);
        EXPECT_EQ(mines, 60u);
        if (hadMine && !(x == 0 && y == 0)) {
            // Moved to the first free square from the top-left, along the top row.
            EXPECT_FALSE(g.HasMine(x, y));
        }
    }
}

TEST(HeadlessGame, CascadeWinAndCounter) {
    CHeadlessGame g(4, 3, 1, 1);
    ASSERT_TRUE(g.SetLayout({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));  // mine at (3, 2)
    EXPECT_EQ(Read(g), "....\n....\n....\n");
    g.FlagSquare(0, 0);
    CMineSweeperBoard* b = nullptr;
    g.ReadBoard(&b);
    EXPECT_EQ(b->MinesLeft, 0);  // mines minus flags
    EXPECT_EQ(b->State, NotStarted);
    g.UnflagSquare(0, 0);
    g.OpenSquare(0, 0);
    EXPECT_EQ(g.State(), Won);
    g.ReadBoard(&b);
    EXPECT_EQ(b->State, Won);
    EXPECT_EQ(b->MinesLeft, 0);
    EXPECT_EQ(BoardToText(*b), "0000\n0011\n001F\n");
    CMineSweeperBoard other(2, 2);
    CMineSweeperBoard* wrong = &other;
    EXPECT_FALSE(g.ReadBoard(&wrong));  // another size
    delete b;
}

TEST(HeadlessGame, LostBoardShowsMinesAndWrongFlags) {
    CHeadlessGame g(3, 3, 2, 1);
    ASSERT_TRUE(g.SetLayout({1, 0, 0, 0, 0, 0, 0, 0, 1}));  // (0,0) and (2,2)
    g.OpenSquare(1, 1);
    g.FlagSquare(2, 2);
    g.FlagSquare(0, 1);
    g.OpenSquare(0, 0);
    EXPECT_EQ(g.State(), Lost);
    EXPECT_EQ(Read(g), "X..\nW2.\n..F\n");
    g.OpenSquare(2, 0);  // nothing happens after the end
    EXPECT_EQ(Read(g), "X..\nW2.\n..F\n");
    g.NewGame();
    EXPECT_EQ(g.State(), NotStarted);
    EXPECT_EQ(Read(g), "...\n...\n...\n");
}

TEST(HeadlessGame, TextRoundTripAndBadText) {
    const char* text = "012.\nF?*X\nWo85\n";
    std::unique_ptr<CMineSweeperBoard> b(BoardFromText(text));
    ASSERT_TRUE(b);
    EXPECT_EQ(BoardToText(*b), text);
    EXPECT_EQ(BoardFromText(""), nullptr);
    EXPECT_EQ(BoardFromText("..\n...\n"), nullptr);
}

TEST(HeadlessGame, SizesAndMinesAreLimited) {
    CHeadlessGame g(0, 5000, 10, 1);
    EXPECT_EQ(g.GameWidth(), 1u);
    EXPECT_EQ(g.GameHeight(), 1024u);
    CHeadlessGame full(3, 3, 50, 1);
    EXPECT_EQ(full.MineTotal(), 8u);
    full.OpenSquare(1, 1);
    EXPECT_EQ(full.State(), Won);  // the one safe square
}

// Per corner: the solver's probabilities summed over the games, their
// variance, and the mines really there.
struct SCalibration {
    double Expected = 0.0, Variance = 0.0;
    uint32_t Mines = 0, Samples = 0;
    // Observed beyond 4 standard deviations of the predicted count.
    bool Off() const { return std::fabs(Mines - Expected) > 4.0 * std::sqrt(Variance) + 1.0; }
};

// Plays the solver's first click in many seeded games, then asks the solver
// (nothing performed) for the mine probability of each other corner.
std::vector<SCalibration> CornersAfterFirstClick(FirstClickRule rule, uint32_t w, uint32_t h, uint32_t mines,
                                                 uint32_t games) {
    std::vector<SCalibration> corners(4);
    SeedRandom(5);
    CHeadlessGame game(w, h, mines, 17, rule);
    CMineSweeperBoard* board = nullptr;
    for (uint32_t i = 0; i < games; ++i) {
        game.NewGame();
        game.ReadBoard(&board);
        CLogicMineSweeperBoard first(w, h);
        first.Rebuild(board);
        game.QueueThreshold = 0.0;
        first.Solve(&game, nullptr, board);
        if (game.State() != Playing) continue;
        game.ReadBoard(&board);
        CLogicMineSweeperBoard logic(w, h);
        logic.Rebuild(board);
        game.QueueThreshold = 2.0;  // queue everything, perform nothing
        // Probabilities are only computed when the fast rules find nothing.
        bool fast = logic.ApplySimpleRules(board, &game) || logic.Solve(&game, nullptr, board);
        game.ClearActions();
        if (fast) continue;
        const uint32_t xs[4] = {0, w - 1, 0, w - 1}, ys[4] = {0, 0, h - 1, h - 1};
        for (int c = 0; c < 4; ++c) {
            CLogicSquare* s = logic.At(xs[c], ys[c]);
            if (game.IsOpened(xs[c], ys[c])) continue;
            double p = s->MineProbability;
            if (!s->IsMine && !s->HasConstraints) {
                // Interior: the reported value carries the tie-break exponent;
                // 0 means the interior was not weighed in this pass.
                if (p == 0.0) continue;
                p = std::pow(p, 1.0 / 1.1);
            }
            SCalibration& k = corners[c];
            k.Expected += p;
            k.Variance += p * (1.0 - p);
            k.Mines += game.HasMine(xs[c], ys[c]);
            ++k.Samples;
        }
    }
    delete board;
    return corners;
}

TEST(HeadlessGame, DefaultFirstClickRuleMatchesTheSolversModel) {
    struct {
        uint32_t W, H, Mines;
    } levels[] = {{9, 9, 10}, {30, 16, 99}};
    for (const auto& l : levels) {
        auto corners = CornersAfterFirstClick(FirstClickRule::Uniform, l.W, l.H, l.Mines, 3000);
        for (int c = 0; c < 4; ++c) {
            const SCalibration& k = corners[c];
            EXPECT_GT(k.Samples, 500u);
            std::printf("%ux%u corner %d: %u mines in %u games, solver expects %.1f +- %.1f\n", l.W, l.H, c, k.Mines,
                        k.Samples, k.Expected, std::sqrt(k.Variance));
            EXPECT_FALSE(k.Off()) << l.W << "x" << l.H << " corner " << c << ": " << k.Mines << " mines in "
                                  << k.Samples << " games, solver expects " << k.Expected;
        }
    }
    // The classic rule puts a mine at (0, 0) far more often than the model.
    auto classic = CornersAfterFirstClick(FirstClickRule::Classic, 30, 16, 99, 3000);
    std::printf("classic 30x16 corner 0: %u mines in %u games, solver expects %.1f\n", classic[0].Mines,
                classic[0].Samples, classic[0].Expected);
    EXPECT_TRUE(classic[0].Off());
}

}  // namespace
