// The player thread's window-free rules: where the game window goes, which
// queued move slow animation takes, and the flags kept until the screen shows
// them. Random draws come from the shared generator; seed 1 draws 130, 10982,
// seed 3 draws 32467, 32686 (see RandomTest).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "PlayerRules.h"

namespace {

// Left, top, right, bottom: compared and printed as one value.
std::tuple<int32_t, int32_t, int32_t, int32_t> Place(const SSaverRect& r) {
    return std::make_tuple(r.Left, r.Top, r.Right, r.Bottom);
}

const SSaverRect kDesktop{0, 0, 1024, 768};

TEST(PlayerRules, ShiftIntoDesktopKeepsTheSizeAndPrefersTheLeftAndTopEdges) {
    struct Case {
        const char* Name;
        SSaverRect Desktop, Window, Expected;
    } cases[] = {
        {"inside", kDesktop, {100, 100, 264, 307}, {100, 100, 264, 307}},
        {"off left and bottom", kDesktop, {-150, 700, 14, 907}, {0, 561, 164, 768}},
        {"off right and top", kDesktop, {900, -20, 1100, 180}, {824, 0, 1024, 200}},
        {"exactly as large", kDesktop, {-5, 3, 1019, 771}, {0, 0, 1024, 768}},
        {"larger, overhanging right and bottom", kDesktop, {10, 0, 1210, 900}, {0, 0, 1200, 900}},
        {"larger, overhanging left and top", kDesktop, {-300, -300, 900, 600}, {0, 0, 1200, 900}},
        {"desktop off the origin", {-1280, -200, 0, 824}, {-100, 800, 100, 900}, {-200, 724, 0, 824}},
    };
    for (const Case& c : cases) EXPECT_EQ(Place(ShiftIntoDesktop(c.Desktop, c.Window)), Place(c.Expected)) << c.Name;
}

TEST(PlayerRules, RandomPlaceDrawsTheLeftFirstWithTruncatingRemainders) {
    // The size is kept: right and bottom are the place plus the size.
    struct Case {
        const char* Name;
        uint32_t Seed;
        SSaverRect Desktop;
        int32_t Width, Height;
        SSaverRect Expected;
    } cases[] = {
        // 130 % 860, 10982 % 561.
        {"fits", 1, kDesktop, 164, 207, {130, 323, 294, 530}},
        {"fits, desktop off the origin", 1, {-100, -50, 924, 718}, 164, 207, {30, 273, 194, 480}},
        // 32467 % -176 and 32686 % -132 keep the sign of the draw.
        {"larger", 3, kDesktop, 1200, 900, {83, 82, 1283, 982}},
        {"exactly as large", 3, kDesktop, 1024, 768, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases) {
        SeedRandom(c.Seed);
        EXPECT_EQ(Place(RandomPlace(c.Desktop, c.Width, c.Height)), Place(c.Expected)) << c.Name;
    }
}

TEST(PlayerRules, RandomPlaceRanges) {
    // Per axis: window size, and the lowest and highest offset from the
    // desktop's edge over many draws (every value between is reachable).
    struct Case {
        const char* Name;
        int32_t Size, Low, High;
    } cases[] = {
        {"smaller by 300", 724, 0, 299},
        {"one pixel smaller", 1023, 0, 0},
        {"exactly as large: at the edge", 1024, 0, 0},
        {"larger by 176: within the overhang", 1200, 0, 175},
        {"one pixel larger", 1025, 0, 0},
    };
    const SSaverRect desktop{-40, 0, 984, 1024};
    for (const Case& c : cases) {
        SeedRandom(7);
        int32_t low = INT32_MAX, high = INT32_MIN;
        for (int i = 0; i < 5000; ++i) {
            SSaverRect r = RandomPlace(desktop, c.Size, c.Size);
            for (int32_t offset : {r.Left - desktop.Left, r.Top - desktop.Top}) {
                low = std::min(low, offset);
                high = std::max(high, offset);
            }
        }
        EXPECT_EQ(low, c.Low) << c.Name;
        EXPECT_EQ(high, c.High) << c.Name;
    }
}

struct SSquare {
    uint32_t X, Y;
};

uint32_t Pick(const std::vector<SSquare>& moves, uint32_t lastX, uint32_t lastY) {
    return PickNearestMove(static_cast<uint32_t>(moves.size()), lastX, lastY,
                           [&](uint32_t i, uint32_t* x, uint32_t* y) {
                               *x = moves[i].X;
                               *y = moves[i].Y;
                           });
}

TEST(PlayerRules, SlowAnimationTakesTheNearestMoveAndFlipsCoinsOnTies) {
    struct Case {
        const char* Name;
        uint32_t Seed;
        std::vector<SSquare> Moves;
        uint32_t LastX, LastY;
        uint32_t Expected;
        int Draws;  // coin flips taken
    } cases[] = {
        {"empty queue", 1, {}, 0, 0, 0, 0},
        {"nearest, no tie", 1, {{5, 5}, {1, 0}, {3, 3}}, 0, 0, 1, 0},
        {"left of and above the last move", 1, {{0, 0}, {7, 8}, {8, 6}}, 8, 8, 1, 0},
        // Scanned from the last index down: index 1 is taken without a draw,
        // index 0 only on an even draw.
        {"tie, even draw 130", 1, {{1, 0}, {0, 1}}, 0, 0, 0, 1},
        {"tie, odd draw 32467", 3, {{1, 0}, {0, 1}}, 0, 0, 1, 1},
        // Each tie flips again: seed 6 draws 31820 (even), 32473 (odd).
        {"three-way tie", 6, {{0, 1}, {1, 0}, {0, 1}}, 0, 0, 1, 2},
        {"a nearer move after a tie needs no draw", 1, {{0, 0}, {1, 0}, {0, 1}}, 0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SeedRandom(c.Seed);
        EXPECT_EQ(Pick(c.Moves, c.LastX, c.LastY), c.Expected) << c.Name;
        CLcgRandom expected(c.Seed);
        for (int i = 0; i < c.Draws; ++i) expected.Next();
        EXPECT_EQ(GetRandomState(), expected.State) << c.Name << ": coin flips only on ties";
    }
}

TEST(PlayerRules, SlowPauseIsFiftyPlusADrawModulo150) {
    // First draws: seed 1 130, seed 3 32467, seed 6 31820, seed 52 21899
    // (149 modulo 150, the longest pause), seed 36 25350 (0, the shortest).
    const struct {
        uint32_t Seed;
        uint32_t Pause;
    } cases[] = {{1, 180}, {3, 117}, {6, 70}, {52, 199}, {36, 50}};
    for (const auto& c : cases) {
        SeedRandom(c.Seed);
        EXPECT_EQ(SlowPauseTime(), c.Pause) << c.Seed;
    }
}

TEST(PlayerRules, PlacedFlagsStayUntilTheScreenShowsThem) {
    // A 3 x 2 board, 5 mines left; square i is (i / 2, i % 2).
    enum Kind { Covered, Opened, Flagged, Questioned };
    struct Case {
        const char* Name;
        int32_t State;
        Kind Square;
        size_t PlacedSize;
        bool Flagged;  // square 3 shows a flag afterwards
        int32_t MinesLeft;
    } cases[] = {
        {"covered square in play", Playing, Covered, 6, true, 4},
        {"before the first opening", NotStarted, Covered, 6, true, 4},
        {"question mark", Playing, Questioned, 6, true, 4},
        {"already shown: counted once", Playing, Flagged, 6, true, 5},
        {"opened meanwhile", Playing, Opened, 6, false, 5},
        {"won board", Won, Covered, 6, false, 5},
        {"lost board", Lost, Covered, 6, false, 5},
        {"record of another board size", Playing, Covered, 9, false, 5},
    };
    for (const Case& c : cases) {
        CMineSweeperBoard board(3, 2);
        board.State = c.State;
        board.MinesLeft = 5;
        SMineSweeperSquare& s = board.Squares[3];
        s.Opened = c.Square == Opened;
        s.Mark = c.Square == Flagged ? SquareMark::Flag : c.Square == Questioned ? SquareMark::Question : SquareMark::None;
        s.Mine = c.Square == Flagged;
        std::vector<uint8_t> placed(c.PlacedSize, 0);
        placed[3] = 1;
        KeepPlacedFlags(&board, placed);
        EXPECT_EQ(s.Mark == SquareMark::Flag, c.Flagged) << c.Name;
        EXPECT_EQ(s.Mine == 1, c.Flagged) << c.Name;
        EXPECT_EQ(board.MinesLeft, c.MinesLeft) << c.Name;
        for (size_t i : {0u, 1u, 2u, 4u, 5u})
            EXPECT_EQ(board.Squares[i].Mark, SquareMark::None) << c.Name << ": square " << i;
    }
}

TEST(PlayerRules, AQuickReadThatDidNotReadNeverLeadsToAPass) {
    struct SCase {
        const char* Name;
        bool Valid, Read, Changed;
        uint32_t Queued, StillPolls;
        EQuickRead Expected;
    };
    const SCase cases[] = {
        {"changed", true, true, true, 0, 1, EQuickRead::Act},
        {"unchanged, flags queued", true, true, false, 3, 1, EQuickRead::Act},
        {"unchanged, nothing queued", true, true, false, 0, 1, EQuickRead::Poll},
        {"still for too long", true, true, false, 0, 50, EQuickRead::ReadInFull},
        {"not read, reported changed", true, false, true, 0, 1, EQuickRead::Poll},
        {"not read, flags queued", true, false, false, 3, 1, EQuickRead::Poll},
        {"not read for too long", true, false, true, 3, 50, EQuickRead::ReadInFull},
        {"refused", false, true, true, 3, 1, EQuickRead::ReadInFull},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(AfterQuickRead(c.Valid, c.Read, c.Changed, c.Queued, c.StillPolls, 50), c.Expected) << c.Name;
}

TEST(PlayerRules, ForgetPlacedFlagsLeavesOtherFlagsAndCountsTheMines) {
    CMineSweeperBoard board(3, 1);
    board.MinesLeft = 1;
    board.Squares[0] = SMineSweeperSquare{0, 1, -1, SquareMark::Flag};  // placed by the player
    board.Squares[1] = SMineSweeperSquare{0, 1, -1, SquareMark::Flag};  // not placed by it
    board.Squares[2] = SMineSweeperSquare{1, 0, 2, SquareMark::None};
    ForgetPlacedFlags(&board, {1, 0, 1});
    EXPECT_EQ(board.Squares[0].Mark, SquareMark::None);
    EXPECT_EQ(board.Squares[0].Mine, 0);
    EXPECT_EQ(board.Squares[1].Mark, SquareMark::Flag);
    EXPECT_EQ(board.Squares[2].Opened, 1);
    EXPECT_EQ(board.MinesLeft, 2);
    EXPECT_EQ(CountOpened(&board), 1u);
}

}  // namespace

