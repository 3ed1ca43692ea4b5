// The stand-in game's rules and small formats, without a window.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "HeadlessGame.h"
#include "StandinGame.h"
#include "VelkorGeometry.h"

using namespace standin;

namespace {

struct SPos {
    uint32_t X, Y;
};

// Every square of the layout, mines and free squares apart.
void Split(const CStandinGame& g, std::vector<SPos>* mines, std::vector<SPos>* free) {
    for (uint32_t y = 0; y < g.Height(); ++y)
        for (uint32_t x = 0; x < g.Width(); ++x) (g.IsMine(x, y) ? mines : free)->push_back({x, y});
}

// Calls f(x, y) for each square of the 3 x 3 block around p inside the field.
template <class F>
void ForBlock(const CStandinGame& g, SPos p, F f) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (g.Inside(p.X + dx, p.Y + dy)) f(p.X + dx, p.Y + dy);
}

std::string Text(const SField& f) {
    return std::to_string(f.Level) + " " + std::to_string(f.Width) + "x" + std::to_string(f.Height) + " " +
           std::to_string(f.Mines);
}

uint32_t CountMines(const CStandinGame& g) {
    std::vector<SPos> mines, free;
    Split(g, &mines, &free);
    return static_cast<uint32_t>(mines.size());
}

TEST(StandinFields, ClampsCustomSizesLikeTheClassicGame) {
    struct {
        uint32_t W, H, M, WantW, WantH, WantM;
    } cases[] = {
        {9, 9, 10, 9, 9, 10},        {1, 1, 1, 9, 9, 10},          {0, 0, 0, 9, 9, 10},
        {31, 25, 10, 30, 24, 10},    {30, 24, 10000, 30, 24, 667}, {9, 9, 65, 9, 9, 64},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 30, 24, 667},      {20, 12, 9, 20, 12, 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(ClampCustomField(c.W, c.H, c.M)), Text({Custom, c.WantW, c.WantH, c.WantM}))
            << c.W << "x" << c.H << " " << c.M;
    }
}

TEST(StandinFields, StoredValuesFallBackToSaneFields) {
    struct {
        uint32_t Level, W, H, M;
        SField Want;
    } cases[] = {
        {0, 50, 50, 5000, {Beginner, 9, 9, 10}},
        {1, 0, 0, 0, {Intermediate, 16, 16, 40}},
        {2, 0, 0, 0, {Expert, 30, 16, 99}},
        {3, 12, 10, 20, {Custom, 12, 10, 20}},
        {3, 0, 1000, 0, {Custom, 9, 24, 10}},
        {4, 12, 10, 20, {Beginner, 9, 9, 10}},
        {0xFFFFFFFFu, 12, 10, 20, {Beginner, 9, 9, 10}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(FieldFromStored(c.Level, c.W, c.H, c.M)), Text(c.Want)) << c.Level;
    }
}

TEST(StandinGame, LayoutsHaveTheMineCountAndRepeatWithTheSeed) {
    const SField fields[] = {StandardField(Beginner), StandardField(Intermediate), StandardField(Expert),
                             ClampCustomField(9, 9, 64), ClampCustomField(30, 24, 667)};
    for (const SField& f : fields) {
        CLcgRandom a(1234), b(1234);
        CStandinGame ga, gb;
        for (int game = 0; game < 3; ++game) {
            ga.NewGame(f, a);
            gb.NewGame(f, b);
            EXPECT_EQ(CountMines(ga), f.Mines);
            EXPECT_EQ(ga.LayoutRows(), gb.LayoutRows());
        }
        CLcgRandom c(1235);
        CStandinGame gc;
        gc.NewGame(f, c);
        if (f.Mines < f.Width * f.Height / 2) {
            ga.NewGame(f, a);
            EXPECT_NE(ga.LayoutRows(), gc.LayoutRows()) << "different seeds, same layout";
        }
    }
}

TEST(StandinGame, FirstOpeningNeverHitsAMineAndPlaysAsTheHeadlessGame) {
    // The densest field: the first opening on a mine moves that mine away,
    // under either rule, exactly as the headless game does from the same seed.
    for (FirstClickRule rule : {FirstClickRule::Uniform, FirstClickRule::Classic}) {
        uint32_t notFirstFree = 0;
        for (uint32_t seed = 1; seed <= 40; ++seed) {
            SCOPED_TRACE("seed " + std::to_string(seed) + (rule == FirstClickRule::Classic ? " classic" : " uniform"));
            CLcgRandom random(seed);
            CStandinGame g;
            g.NewGame(ClampCustomField(9, 9, 64), random, rule);
            CHeadlessGame headless(9, 9, 64, seed, rule);
            std::vector<SPos> mines, free;
            Split(g, &mines, &free);
            SPos first = mines[seed % mines.size()];
            ASSERT_TRUE(g.Open(first.X, first.Y));
            headless.OpenSquare(first.X, first.Y);
            EXPECT_NE(g.GetState(), CStandinGame::Lost);
            EXPECT_FALSE(g.IsMine(first.X, first.Y));
            EXPECT_EQ(CountMines(g), 64u);
            for (const SPos& f : free) {
                if (g.IsMine(f.X, f.Y) && &f != &free[0]) ++notFirstFree;
                if (rule == FirstClickRule::Classic) {
                    EXPECT_EQ(g.IsMine(f.X, f.Y), &f == &free[0]);
                }
            }
            for (uint32_t x = 0; x < 9; ++x)
                for (uint32_t y = 0; y < 9; ++y) ASSERT_EQ(g.IsMine(x, y), headless.HasMine(x, y)) << x << "," << y;
        }
        // The uniform rule seldom picks the first of 17 free squares.
        EXPECT_EQ(notFirstFree > 30u, rule == FirstClickRule::Uniform);
    }
}

TEST(StandinGame, ZeroOpensItsNeighboursAndAllFreeSquaresWin) {
    CLcgRandom random(99);
    CStandinGame g;
    g.NewGame(StandardField(Expert), random);
    std::vector<SPos> mines, free;
    Split(g, &mines, &free);
    // A square without adjacent mines opens at least its whole neighbourhood.
    for (const SPos& p : free) {
        if (g.AdjacentMines(p.X, p.Y) != 0) continue;
        ASSERT_TRUE(g.Open(p.X, p.Y));
        ForBlock(g, p, [&](uint32_t x, uint32_t y) { EXPECT_TRUE(g.IsOpened(x, y)); });
        break;
    }
    for (const SPos& p : free) {
        EXPECT_NE(g.GetState(), CStandinGame::Won) << "won before every free square was open";
        g.Open(p.X, p.Y);
    }
    EXPECT_EQ(g.GetState(), CStandinGame::Won);
    EXPECT_EQ(g.MinesLeft(), 0);
    for (const SPos& m : mines) EXPECT_EQ(g.Image(m.X, m.Y), ImgFlag);
    EXPECT_FALSE(g.Open(free[0].X, free[0].Y));
    EXPECT_FALSE(g.CycleMark(mines[0].X, mines[0].Y, true)) << "a finished game takes no moves";
}

TEST(StandinGame, LossShowsMinesExplodedOneAndWrongFlags) {
    CLcgRandom random(5);
    CStandinGame g;
    g.NewGame(StandardField(Intermediate), random);
    std::vector<SPos> mines, free;
    Split(g, &mines, &free);
    ASSERT_TRUE(g.Open(free[0].X, free[0].Y));
    const SPos flaggedMine = mines[0], questionMine = mines[1], hit = mines[2];
    SPos wrongFlag{};
    for (const SPos& p : free)
        if (!g.IsOpened(p.X, p.Y)) wrongFlag = p;
    ASSERT_TRUE(g.CycleMark(flaggedMine.X, flaggedMine.Y, true));
    ASSERT_TRUE(g.CycleMark(wrongFlag.X, wrongFlag.Y, true));
    ASSERT_TRUE(g.CycleMark(questionMine.X, questionMine.Y, true));
    ASSERT_TRUE(g.CycleMark(questionMine.X, questionMine.Y, true));
    ASSERT_EQ(g.GetMark(questionMine.X, questionMine.Y), CStandinGame::QuestionMark);
    EXPECT_EQ(g.MinesLeft(), 38);
    ASSERT_TRUE(g.Open(hit.X, hit.Y));
    EXPECT_EQ(g.GetState(), CStandinGame::Lost);
    EXPECT_EQ(g.Image(hit.X, hit.Y), ImgExploded);
    EXPECT_EQ(g.Image(flaggedMine.X, flaggedMine.Y), ImgFlag);
    EXPECT_EQ(g.Image(wrongFlag.X, wrongFlag.Y), ImgWrongFlag);
    EXPECT_EQ(g.Image(questionMine.X, questionMine.Y), ImgMine);
    // The counter equals shown mines minus wrong flags, as a reader checks.
    int shown = 0, wrong = 0;
    for (uint32_t y = 0; y < g.Height(); ++y)
        for (uint32_t x = 0; x < g.Width(); ++x) {
            int image = g.Image(x, y);
            shown += image == ImgMine || image == ImgExploded;
            wrong += image == ImgWrongFlag;
        }
    EXPECT_EQ(g.MinesLeft(), shown - wrong);
}

TEST(StandinGame, MarksCycleWithAndWithoutQuestionMarks) {
    struct {
        bool Allow;
        CStandinGame::Mark Sequence[4];
    } cases[] = {
        {true, {CStandinGame::FlagMark, CStandinGame::QuestionMark, CStandinGame::NoMark, CStandinGame::FlagMark}},
        {false, {CStandinGame::FlagMark, CStandinGame::NoMark, CStandinGame::FlagMark, CStandinGame::NoMark}},
    };
    for (const auto& c : cases) {
        CLcgRandom random(3);
        CStandinGame g;
        g.NewGame(StandardField(Beginner), random);
        for (CStandinGame::Mark want : c.Sequence) {
            ASSERT_TRUE(g.CycleMark(4, 4, c.Allow));
            EXPECT_EQ(g.GetMark(4, 4), want);
            EXPECT_EQ(g.MinesLeft(), want == CStandinGame::FlagMark ? 9 : 10);
        }
        EXPECT_FALSE(g.CycleMark(9, 0, c.Allow)) << "outside the field";
    }
}

TEST(StandinGame, FlagsProtectAndNeighboursOpenOnlyWhenAllFlagged) {
    CLcgRandom random(11);
    CStandinGame g;
    g.NewGame(StandardField(Expert), random);
    std::vector<SPos> mines, free;
    Split(g, &mines, &free);
    // A free square with a number whose mines are known.
    for (const SPos& p : free) {
        int n = g.AdjacentMines(p.X, p.Y);
        if (n == 0) continue;
        ASSERT_TRUE(g.Open(p.X, p.Y));
        if (g.GetState() != CStandinGame::Playing || !g.IsOpened(p.X, p.Y)) continue;
        EXPECT_FALSE(g.OpenNeighbours(p.X, p.Y)) << "flags missing";
        ForBlock(g, p, [&](uint32_t x, uint32_t y) {
            if (g.IsMine(x, y)) g.CycleMark(x, y, true);
        });
        uint32_t fx = 0, fy = 0;
        for (const SPos& m : mines)
            if (g.GetMark(m.X, m.Y) == CStandinGame::FlagMark) fx = m.X, fy = m.Y;
        EXPECT_FALSE(g.Open(fx, fy)) << "a flagged square does not open";
        g.OpenNeighbours(p.X, p.Y);
        EXPECT_NE(g.GetState(), CStandinGame::Lost);
        ForBlock(g, p, [&](uint32_t x, uint32_t y) { EXPECT_TRUE(g.IsMine(x, y) || g.IsOpened(x, y)); });
        return;
    }
    FAIL() << "no numbered square";
}

TEST(StandinCounter, CodesForValuesIncludingNegativesAndLimits) {
    const int zero = 119, one = 36, five = 107, nine = 111, minus = 8;
    struct {
        int Value;
        int Codes[3];
    } cases[] = {
        {0, {zero, zero, zero}},  {10, {zero, one, zero}},    {105, {one, zero, five}}, {-5, {minus, zero, five}},
        {-99, {minus, nine, nine}}, {-150, {minus, nine, nine}}, {999, {nine, nine, nine}}, {5000, {nine, nine, nine}},
    };
    for (const auto& c : cases) {
        int codes[3];
        CounterCodes(c.Value, codes);
        for (int d = 0; d < 3; ++d) EXPECT_EQ(codes[d], c.Codes[d]) << c.Value << " digit " << d;
    }
}

TEST(StandinCounter, SegmentsDoNotTouchOtherSegmentsSamplePoints) {
    // Sample points of the seven bits, relative x, absolute y.
    const int points[7][2] = {{2, 17}, {1, 19}, {11, 19}, {2, 27}, {1, 29}, {11, 29}, {2, 37}};
    for (int bit = 0; bit < 7; ++bit) {
        for (const SSegmentSpan& s : SegmentSpans(1 << bit)) {
            EXPECT_GE(s.X, 0);
            EXPECT_LE(s.X + s.Width, kDigitWidth);
            EXPECT_GE(s.Y, kCounterTop);
            EXPECT_LE(s.Y + s.Height, kCounterTop + kDigitHeight);
        }
        for (int other = 0; other < 7; ++other) {
            bool covered = false;
            for (const SSegmentSpan& s : SegmentSpans(1 << bit))
                covered |= points[other][0] >= s.X && points[other][0] < s.X + s.Width && points[other][1] >= s.Y &&
                           points[other][1] < s.Y + s.Height;
            EXPECT_EQ(covered, bit == other) << "segment " << bit << " at point " << other;
        }
    }
}

TEST(StandinGeometry, ClientSizesAndSquaresUnderPoints) {
    EXPECT_EQ(ClientWidth(9, 5), 164);
    EXPECT_EQ(ClientHeight(9, 5), 207);
    EXPECT_EQ(ClientWidth(30, 4), 504);
    EXPECT_EQ(ClientHeight(16, 4), 323);
    struct {
        int Px, Py;
        bool Inside;
        uint32_t X, Y;
    } cases[] = {
        {12, 55, true, 0, 0},   {27, 70, true, 0, 0},    {28, 71, true, 1, 1},    {20 + 16 * 8, 63 + 16 * 8, true, 8, 8},
        {11, 60, false, 0, 0},  {20, 54, false, 0, 0},   {12 + 144, 60, false, 0, 0}, {-5, -5, false, 0, 0},
    };
    for (const auto& c : cases) {
        uint32_t x = 99, y = 99;
        EXPECT_EQ(PointToSquare(c.Px, c.Py, 9, 9, &x, &y), c.Inside) << c.Px << "," << c.Py;
        if (c.Inside) {
            EXPECT_TRUE(x == c.X && y == c.Y) << c.Px << "," << c.Py;
        }
    }
}

TEST(StandinFormats, SeedsFieldValuesAndRecordLines) {
    struct {
        const char* Text;
        bool Ok;
        uint32_t Seed;
    } seeds[] = {{"42", true, 42}, {"4294967295", true, 4294967295u}, {"4294967296", false, 0},
                 {"", false, 0},   {"-1", false, 0},  {"12x", false, 0}, {" 7 ", true, 7}, {nullptr, false, 0}};
    for (const auto& c : seeds) {
        uint32_t seed = 0;
        EXPECT_EQ(ParseSeed(c.Text, &seed), c.Ok) << (c.Text ? c.Text : "(null)");
        if (c.Ok) {
            EXPECT_EQ(seed, c.Seed);
        }
    }
    struct {
        const char* Text;
        bool Ok;
        uint32_t Value;
    } values[] = {{"24", true, 24}, {"abc", false, 5}, {"", false, 5}, {"99999999999999", true, 999999}};
    for (const auto& c : values) {
        uint32_t v = 5;
        EXPECT_EQ(ParseFieldValue(c.Text, &v), c.Ok) << c.Text;
        EXPECT_EQ(v, c.Value) << c.Text;
    }
    EXPECT_EQ(RecordLine(StandardField(Beginner), true), "level=beginner width=9 height=9 mines=10 result=won\n");
    EXPECT_EQ(RecordLine(ClampCustomField(20, 12, 30), false), "level=custom width=20 height=12 mines=30 result=lost\n");
    EXPECT_EQ(RecordLine(StandardField(Expert), false), "level=expert width=30 height=16 mines=99 result=lost\n");
}

}  // namespace
