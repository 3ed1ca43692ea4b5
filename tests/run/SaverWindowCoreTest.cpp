// The saver window's arithmetic without a window: the overlay's value lines,
// its place beside the game and the random draws that choose it, the frame
// change for a window whose origin lies left of or above the primary monitor,
// and the points of mouse messages and hook reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Random.h"
#include "SaverWindowCore.h"

namespace {

TEST(OverlayValues, LinesOfALevel) {
    struct {
        uint32_t Won, Lost;
        const char* Lines[4];
    } cases[] = {
        {0, 0, {"0 ", "0 ", "0 ", "0.0% "}},
        {3, 1, {"4 ", "3 ", "1 ", "75.0% "}},
    };
    for (const auto& c : cases) {
        char lines[4][32];
        FormatOverlayValues(c.Won, c.Lost, lines);
        for (int i = 0; i < 4; ++i) EXPECT_STREQ(lines[i], c.Lines[i]) << c.Won << " won, " << c.Lost << " lost";
    }
}

constexpr int32_t kW = 1024, kH = 768, kBW = 200, kBH = 150;

bool Overlaps(const SSaverRect& a, const SSaverRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// A game that leaves room on one side only gets the block on that side,
// whatever the generator draws, inside the area and clear of the game.
TEST(OverlayPlace, RoomOnOneSideOnly) {
    struct {
        const char* Side;
        SSaverRect Game;
        SSaverRect Region;  // where the block must lie whole
    } cases[] = {
        {"left", {300, 0, kW, kH}, {0, 0, 300, kH}},
        {"above", {0, 300, kW, kH}, {0, 0, kW, 300}},
        {"right", {0, 0, 700, kH}, {700, 0, kW, kH}},
        {"below", {0, 0, kW, 500}, {0, 500, kW, kH}},
    };
    for (const auto& c : cases) {
        for (uint32_t seed = 1; seed <= 300; ++seed) {
            CLcgRandom random(seed);
            int32_t left = -1, top = -1;
            ASSERT_TRUE(ChooseOverlayPlace(kW, kH, c.Game, kBW, kBH, [&] { return random.Next(); }, &left, &top))
                << c.Side;
            const SSaverRect block = {left, top, left + kBW, top + kBH};
            ASSERT_TRUE(block.Left >= c.Region.Left && block.Right <= c.Region.Right && block.Top >= c.Region.Top &&
                        block.Bottom <= c.Region.Bottom)
                << c.Side << ", seed " << seed << ": block at " << left << "," << top;
            ASSERT_FALSE(Overlaps(block, c.Game)) << c.Side << ", seed " << seed;
        }
    }
}

// No place: nothing is set and nothing drawn.
TEST(OverlayPlace, NoRoomNoPlace) {
    struct {
        const char* What;
        SSaverRect Game;
        int32_t BH;
    } cases[] = {
        {"too little room on every side", {100, 100, kW - 100, kH - 100}, kBH},
        // Wide enough left and right of the game, but no y fits.
        {"a block as high as the area", {400, 300, 600, 400}, kH},
    };
    for (const auto& c : cases) {
        int32_t left = 7, top = 9, draws = 0;
        EXPECT_FALSE(ChooseOverlayPlace(kW, kH, c.Game, kBW, c.BH, [&] { return ++draws; }, &left, &top)) << c.What;
        EXPECT_EQ(left, 7) << c.What;
        EXPECT_EQ(top, 9) << c.What;
        EXPECT_EQ(draws, 0) << c.What;
    }
}

// The draws, each a value that shows where it went: a region that does not
// fit draws nothing; a fitting one after the first taken draws the replace
// test (modulo the number taken + 1) first, then x, then y; the first fitting
// one draws x and y only.
TEST(OverlayPlace, DrawOrder) {
    // In a 1000 x 1000 area a block of 100 x 100 fits on each side of this game.
    const SSaverRect middle = {400, 400, 600, 600};
    struct {
        const char* What;
        SSaverRect Game;
        std::vector<int> Draws;
        int32_t Left, Top;
        size_t Used;
    } cases[] = {
        // Left: x 7, y 11. Above: 1 mod 2 keeps the left. Right: 4 mod 2 takes
        // it, x 600 + 13, y 17. Below: 3 mod 3 takes it, x 19, y 600 + 23.
        {"every region, the last taken", middle, {7, 11, 1, 4, 13, 17, 3, 19, 23}, 19, 623, 9},
        // As before, but 5 mod 3 keeps the right.
        {"every region, the third kept", middle, {7, 11, 1, 4, 13, 17, 5}, 613, 17, 7},
        // The left does not fit (the game starts at 50): above comes first,
        // with x and y only; the right is refused (1 mod 2), below taken (2 mod 2).
        {"the first does not fit", {50, 400, 600, 600}, {31, 37, 1, 2, 41, 43}, 41, 643, 6},
        // Above does not fit (the game starts at 50) and draws nothing; the
        // right is taken (2 mod 2), below refused (1 mod 3).
        {"a later one does not fit", {400, 50, 600, 600}, {7, 11, 2, 13, 17, 1}, 613, 17, 6},
    };
    for (const auto& c : cases) {
        size_t used = 0;
        auto draw = [&] { return used < c.Draws.size() ? c.Draws[used++] : (++used, 0); };
        int32_t left = -1, top = -1;
        ASSERT_TRUE(ChooseOverlayPlace(1000, 1000, c.Game, 100, 100, draw, &left, &top)) << c.What;
        EXPECT_EQ(left, c.Left) << c.What;
        EXPECT_EQ(top, c.Top) << c.What;
        EXPECT_EQ(used, c.Used) << c.What;
    }
}

// The saver window covers every monitor; the block goes beside the game on
// the desktop rectangle (the primary) and its place comes back in client
// coordinates, which differ from screen ones by the window's origin. The
// game leaves room on its right only: x = right of the game + 7 mod 124,
// y = 11 mod 618, in the desktop's frame.
TEST(OverlayPlace, ClientCoordinatesOfAWindowBeyondThePrimary) {
    struct {
        const char* What;
        SSaverRect Desktop, Game;  // screen coordinates
        int32_t OriginX, OriginY;  // the window's top-left on the screen
        int32_t Left, Top;         // the block in client coordinates
    } cases[] = {
        {"one monitor", {0, 0, kW, kH}, {0, 0, 700, kH}, 0, 0, 707, 11},
        {"a monitor of 800 on the left", {0, 0, kW, kH}, {0, 0, 700, kH}, -800, 0, 1507, 11},
        {"a monitor of 600 above", {0, 0, kW, kH}, {0, 0, 700, kH}, 0, -600, 707, 611},
        {"monitors left and above", {0, 0, kW, kH}, {0, 0, 700, kH}, -1280, -1024, 1987, 1035},
        {"desktop off the origin", {100, 50, 100 + kW, 50 + kH}, {100, 50, 800, 50 + kH}, 0, 0, 807, 61},
        {"desktop off the origin, window left of it", {100, 50, 100 + kW, 50 + kH}, {100, 50, 800, 50 + kH}, -800, 0,
         1607, 61},
    };
    for (const auto& c : cases) {
        const int draws[2] = {7, 11};
        size_t used = 0;
        int32_t left = 0, top = 0;
        ASSERT_TRUE(PlaceOverlay(c.Desktop, c.OriginX, c.OriginY, c.Game, kBW, kBH,
                                 [&] { return used < 2 ? draws[used++] : (++used, 0); }, &left, &top))
            << c.What;
        EXPECT_EQ(left, c.Left) << c.What;
        EXPECT_EQ(top, c.Top) << c.What;
        EXPECT_EQ(used, 2u) << c.What;
    }
}

// Points as mouse messages and the hook pack them: x in the low, y in the
// high 16 bits, each signed.
TEST(MousePoint, SignedHalves) {
    const struct {
        uint32_t Packed;
        int32_t X, Y;
    } cases[] = {
        {0x00C8012Cu, 300, 200}, {0x00000000u, 0, 0},     {0x02FF071Fu, 1823, 767}, {0x0000FCE0u, -800, 0},
        {0xFFFFFFFFu, -1, -1},   {0x012CFE70u, -400, 300}, {0xFDA80005u, 5, -600},   {0x80007FFFu, 32767, -32768},
    };
    for (const auto& c : cases) {
        const SScreenPoint q = UnpackMousePoint(c.Packed);
        EXPECT_EQ(q.X, c.X) << std::hex << c.Packed;
        EXPECT_EQ(q.Y, c.Y) << std::hex << c.Packed;
    }
}

}  // namespace
