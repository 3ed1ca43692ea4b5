// The headless game shows the boards the real game shows.
#include <gtest/gtest.h>

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

}  // namespace
