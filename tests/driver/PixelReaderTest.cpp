// The pixel reader on synthetic images: every square state in both layouts,
// every counter digit, patterns that match nothing, and the geometry.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HeadlessGame.h"
#include "PixelReader.h"

using namespace pixels;

namespace {

const uint32_t kSilver = 0xC0C0C0;  // the game's face colour; in no table entry

// A client area in the 0x00RRGGBB order of a 32-bit section.
class CImage {
public:
    CImage(int32_t w, int32_t h, uint32_t fill = kSilver) : W(w), H(h), Px(static_cast<size_t>(w) * h, Swap(fill)) {}
    void Set(int32_t x, int32_t y, uint32_t colorRef) {
        if (x >= 0 && y >= 0 && x < W && y < H) Px[static_cast<size_t>(y) * W + x] = Swap(colorRef);
    }
    SPixelView View() const { return SPixelView{Px.data(), W, H, static_cast<size_t>(W)}; }
    static uint32_t Swap(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

private:
    int32_t W, H;
    std::vector<uint32_t> Px;
};

struct SPixel {
    int32_t Dx, Dy;
    uint32_t Color;
};

struct SSquareCase {
    const char* Name;
    uint32_t Layout;
    std::vector<SPixel> Pixels;  // relative to the sample origin
    uint8_t Opened, Mine;
    int32_t Number, Mark;
};

const uint32_t W = kExactColors[White], K = kExactColors[Black], R = kExactColors[Red],
               G = kExactColors[Gray], Mr = kExactColors[Maroon], Gr = kExactColors[Green],
               B = kExactColors[Blue], N = kExactColors[Navy], T = kExactColors[Teal], P = kExactColors[Purple];

const std::vector<SSquareCase>& SquareCases() {
    static const std::vector<SSquareCase> cases = {
        // Layout 5
        {"5 covered", Layout5, {{0, 0, W}}, 0, 0, -1, None},
        {"5 flag", Layout5, {{0, 0, W}, {8, 3, R}}, 0, 1, -1, Flag},
        {"5 question", Layout5, {{0, 0, W}, {8, 3, K}}, 0, 0, -1, Question},
        {"5 one", Layout5, {{9, 3, B}}, 1, 0, 1, None},
        {"5 two", Layout5, {{9, 3, Gr}}, 1, 0, 2, None},
        {"5 three", Layout5, {{9, 3, R}, {7, 7, R}}, 1, 0, 3, None},
        {"5 exploded", Layout5, {{9, 3, R}, {7, 7, W}}, 1, 1, -1, ExplodedMine},
        {"5 four", Layout5, {{9, 3, N}}, 1, 0, 4, None},
        {"5 five", Layout5, {{9, 3, Mr}}, 1, 0, 5, None},
        {"5 six", Layout5, {{9, 3, T}}, 1, 0, 6, None},
        {"5 seven", Layout5, {{9, 3, K}}, 1, 0, 7, None},
        {"5 eight", Layout5, {{9, 3, G}}, 1, 0, 8, None},
        {"5 shown mine", Layout5, {{6, 6, W}}, 1, 1, -1, RevealedMine},
        {"5 wrong flag", Layout5, {{6, 6, R}}, 1, 0, -1, WrongFlag},
        {"5 pressed question", Layout5, {{6, 6, K}}, 0, 0, -1, Question},
        {"5 empty", Layout5, {}, 1, 0, 0, None},
        {"5 purple means nothing", Layout5, {{9, 3, P}}, 1, 0, 0, None},
        {"5 colours one step off match nothing", Layout5, {{0, 0, 0xFEFFFF}, {9, 3, 0xFE0000}}, 1, 0, 0, None},
        // Layout 4
        {"4 covered", Layout4, {{0, 0, W}}, 0, 0, -1, None},
        {"4 flag", Layout4, {{0, 0, W}, {8, 11, K}}, 0, 1, -1, Flag},
        {"4 question", Layout4, {{0, 0, W}, {8, 11, N}}, 0, 0, -1, Question},
        {"4 red is no flag", Layout4, {{0, 0, W}, {8, 3, R}}, 0, 0, -1, None},
        {"4 one", Layout4, {{8, 3, B}}, 1, 0, 1, None},
        {"4 two", Layout4, {{8, 3, Gr}}, 1, 0, 2, None},
        {"4 three", Layout4, {{8, 3, R}}, 1, 0, 3, None},
        {"4 exploded", Layout4, {{8, 3, R}, {6, 6, W}}, 1, 1, -1, ExplodedMine},
        {"4 pressed question", Layout4, {{8, 3, G}}, 0, 0, -1, Question},
        {"4 four", Layout4, {{8, 7, N}}, 1, 0, 4, None},
        {"4 five", Layout4, {{8, 3, Mr}}, 1, 0, 5, None},
        {"4 six", Layout4, {{8, 3, T}}, 1, 0, 6, None},
        {"4 seven", Layout4, {{8, 3, P}}, 1, 0, 7, None},
        {"4 eight", Layout4, {{8, 3, K}}, 1, 0, 8, None},
        {"4 wrong flag", Layout4, {{8, 7, R}}, 1, 0, -1, WrongFlag},
        {"4 shown mine", Layout4, {{8, 7, K}}, 1, 1, -1, RevealedMine},
        {"4 empty", Layout4, {}, 1, 0, 0, None},
    };
    return cases;
}

TEST(ClassifySquare, EveryStateInBothLayouts) {
    const SColorTable colors = SColorTable::Exact();
    for (const SSquareCase& c : SquareCases()) {
        CImage image(40, 100);
        const int32_t px = 12, py = 55;
        for (const SPixel& p : c.Pixels) image.Set(px + p.Dx, py + p.Dy, p.Color);
        SReadNotes notes;
        SMineSweeperSquare s = ClassifySquare(image.View(), px, py, c.Layout, colors, &notes);
        EXPECT_EQ(s.Opened, c.Opened) << c.Name;
        EXPECT_EQ(s.Mine, c.Mine) << c.Name;
        EXPECT_EQ(s.Number, c.Number) << c.Name;
        EXPECT_EQ(s.Mark, c.Mark) << c.Name;
        bool uncovered = !c.Pixels.empty() ? c.Pixels[0].Color != W || c.Pixels[0].Dx != 0 : true;
        EXPECT_EQ(notes.AllCovered, !uncovered) << c.Name;
        EXPECT_EQ(notes.FlagsSeen, c.Mark == Flag && !c.Opened ? 1u : 0u) << c.Name;
        EXPECT_EQ(notes.PlainCovered, !uncovered && c.Mark == None) << c.Name;
        bool lost = c.Mark == RevealedMine || c.Mark == ExplodedMine || c.Mark == WrongFlag;
        EXPECT_EQ(notes.Lost, lost) << c.Name;
        EXPECT_EQ(notes.MineBalance, c.Mark == WrongFlag ? -1 : (lost ? 1 : 0)) << c.Name;
    }
}

// Samples that fall outside the copy read as no colour: a square at the very
// edge, or beyond it, never reads memory it does not own.
TEST(ClassifySquare, SamplesOutsideTheCopyMatchNothing) {
    const SColorTable colors = SColorTable::Exact();
    CImage tiny(1, 1, kExactColors[White]);
    for (uint32_t layout : {Layout4, Layout5}) {
        SReadNotes notes;
        SMineSweeperSquare s = ClassifySquare(tiny.View(), 0, 0, layout, colors, &notes);
        EXPECT_EQ(s.Opened, 0);
        EXPECT_EQ(s.Mark, None);
        notes = SReadNotes();
        s = ClassifySquare(tiny.View(), 500, -3, layout, colors, &notes);
        EXPECT_EQ(s.Opened, 1);
        EXPECT_EQ(s.Number, 0);
    }
    SPixelView empty{nullptr, 0, 0, 0};
    EXPECT_EQ(empty.At(0, 0), NoColor);
}

TEST(BoardState, FromNotes) {
    struct SCase {
        bool AllCovered, PlainCovered, Lost;
        int32_t MinesLeft, State;
    } cases[] = {
        {true, true, false, 10, NotStarted},
        {false, true, false, 10, Playing},
        {false, false, false, 0, Won},      // every mine flagged or none left covered
        {false, false, false, 2, Playing},  // flags missing in the counter
        {false, true, false, 0, Playing},
        {false, false, true, 0, Lost},
        {true, false, true, 0, Lost},
    };
    for (const SCase& c : cases) {
        SReadNotes n;
        n.AllCovered = c.AllCovered;
        n.PlainCovered = c.PlainCovered;
        n.Lost = c.Lost;
        EXPECT_EQ(BoardStateFromNotes(n, c.MinesLeft), c.State);
    }
}

// ---------------------------------------------------------------- counter

// Segment pixels relative to a digit's left edge, by bit.
const SPixel kSegmentPixels[7] = {{2, 17, 0}, {1, 19, 0}, {11, 19, 0}, {2, 27, 0}, {1, 29, 0}, {11, 29, 0}, {2, 37, 0}};
const uint32_t kDigitCodes[10] = {119, 36, 93, 109, 46, 107, 123, 37, 127, 111};

// A black counter box with the lit segments of three codes, in client coordinates.
CImage CounterImage(const uint32_t codes[3]) {
    CImage image(80, 60);
    for (int y = 16; y < 40; ++y)
        for (int x = 16; x < 56; ++x) image.Set(x, y, kExactColors[Black]);
    for (int d = 0; d < 3; ++d)
        for (int bit = 0; bit < 7; ++bit)
            if (codes[d] & (1u << bit))
                image.Set(17 + 13 * d + kSegmentPixels[bit].Dx, kSegmentPixels[bit].Dy, kExactColors[Red]);
    return image;
}

TEST(Counter, EveryDigitInEveryPlace) {
    const SColorTable colors = SColorTable::Exact();
    for (int d = 0; d < 10; ++d) {
        for (int p = 0, weight = 100; p < 3; ++p, weight /= 10) {
            uint32_t codes[3] = {kDigitCodes[0], kDigitCodes[0], kDigitCodes[0]};
            codes[p] = kDigitCodes[d];
            int32_t value = -1000;
            ASSERT_TRUE(ReadCounter(CounterImage(codes).View(), 0, 0, colors, &value)) << d << " at " << p;
            EXPECT_EQ(value, weight * d);
        }
    }
}

TEST(Counter, Values) {
    const SColorTable colors = SColorTable::Exact();
    const uint32_t minus = 8;
    struct SCase {
        uint32_t Codes[3];
        bool Ok;
        int32_t Value;
    } cases[] = {
        {{minus, kDigitCodes[0], kDigitCodes[5]}, true, -5},
        {{minus, kDigitCodes[9], kDigitCodes[9]}, true, -99},
        {{kDigitCodes[1], kDigitCodes[0], kDigitCodes[5]}, true, 105},
        {{kDigitCodes[9], kDigitCodes[9], kDigitCodes[9]}, true, 999},
        {{kDigitCodes[0], minus, kDigitCodes[5]}, false, 0},
        {{kDigitCodes[0], kDigitCodes[5], minus}, false, 0},
        {{minus, minus, kDigitCodes[1]}, false, 0},
        {{0, kDigitCodes[1], kDigitCodes[0]}, false, 0},     // a dark digit
        {{127 ^ 1, kDigitCodes[1], kDigitCodes[0]}, false, 0},  // 8 without its top
        {{kDigitCodes[1], 1, kDigitCodes[0]}, false, 0},
    };
    for (const SCase& c : cases) {
        int32_t value = 12345;
        bool ok = ReadCounter(CounterImage(c.Codes).View(), 0, 0, colors, &value);
        EXPECT_EQ(ok, c.Ok) << c.Codes[0] << "," << c.Codes[1] << "," << c.Codes[2];
        EXPECT_EQ(value, c.Ok ? c.Value : 12345) << "a failed read stores nothing";
    }
}

TEST(Counter, ReadFromAnOffsetCopy) {
    // The driver copies only the counter's rectangle.
    const uint32_t codes[3] = {kDigitCodes[0], kDigitCodes[4], kDigitCodes[2]};
    CImage full = CounterImage(codes);
    CImage part(CounterWidth, CounterHeight);
    SPixelView fv = full.View();
    for (int y = 0; y < CounterHeight; ++y)
        for (int x = 0; x < CounterWidth; ++x) part.Set(x, y, fv.At(CounterLeft + x, CounterTop + y));
    int32_t value = 0;
    ASSERT_TRUE(ReadCounter(part.View(), CounterLeft, CounterTop, SColorTable::Exact(), &value));
    EXPECT_EQ(value, 42);
    // A copy without the counter shows every segment lit: 888, never a
    // smaller number that could pass for a count.
    CImage blank(4, 4);
    ASSERT_TRUE(ReadCounter(blank.View(), 1000, 1000, SColorTable::Exact(), &value));
    EXPECT_EQ(value, 888);
}

TEST(Counter, DecodeRejectsEveryOtherCode) {
    int known = 0;
    for (uint32_t code = 0; code < 128; ++code)
        if (DecodeSegments(code) >= 0) ++known;
    EXPECT_EQ(known, 11);
    EXPECT_EQ(DecodeSegments(128 | 119), -1);
}

// ---------------------------------------------------------------- geometry

TEST(Geometry, ClientSizesInBothLayouts) {
    struct SCase {
        uint32_t W, H;
    } sizes[] = {{1, 1}, {9, 9}, {16, 16}, {30, 16}, {30, 24}, {200, 100}};
    for (const SCase& s : sizes) {
        for (uint32_t layout : {Layout4, Layout5}) {
            int32_t cw, ch, w, h;
            ClientSizeForBoard(s.W, s.H, layout, &cw, &ch);
            EXPECT_EQ(cw, static_cast<int32_t>(16 * s.W + (layout == Layout4 ? 24 : 20)));
            EXPECT_EQ(ch, static_cast<int32_t>(16 * s.H + (layout == Layout4 ? 67 : 63)));
            BoardSizeFromClient(cw, ch, &w, &h);
            EXPECT_EQ(w, static_cast<int32_t>(s.W));
            EXPECT_EQ(h, static_cast<int32_t>(s.H));
            EXPECT_EQ(DecideLayout(s.W, s.H, cw, ch), layout);
        }
    }
}

TEST(Geometry, OddClientSizes) {
    struct SCase {
        int32_t Cw, Ch, W, H;
        bool Usable;
    } cases[] = {
        {19, 62, 0, 0, false},            // too small: (19 - 20) / 16 truncates to 0
        {4, 10, -1, -3, false},           // truncation toward zero
        {0, 0, -1, -3, false},
        {16 * 1024 + 20, 79, 1024, 1, true},
        {16 * 1025 + 20, 79, 1025, 1, false},  // more than a board holds
        {INT32_MIN, INT32_MAX, -134217729, 134217724, false},
    };
    for (const SCase& c : cases) {
        int32_t w, h;
        BoardSizeFromClient(c.Cw, c.Ch, &w, &h);
        EXPECT_EQ(w, c.W) << c.Cw;
        EXPECT_EQ(h, c.H) << c.Ch;
        EXPECT_EQ(IsUsableBoardSize(w, h), c.Usable) << c.Cw << "x" << c.Ch;
    }
    // Only one extra pixel in one direction is still layout 5.
    EXPECT_EQ(DecideLayout(9, 9, 16 * 9 + 21, 16 * 9 + 63), Layout5);
    EXPECT_EQ(DecideLayout(9, 9, 16 * 9 + 20, 16 * 9 + 64), Layout5);
    EXPECT_EQ(DecideLayout(9, 9, 16 * 9 + 21, 16 * 9 + 64), Layout4);
}

TEST(Geometry, SamplePointsStayInsideTheCopiedArea) {
    // The furthest sample of the last square lies inside the copied area.
    for (uint32_t n : {1u, 9u, 30u, 1024u}) {
        EXPECT_LT(SampleX(n - 1) + 9, BoardAreaWidth(n));
        EXPECT_LT(SampleY(n - 1) + 11, BoardAreaHeight(n));
        EXPECT_EQ(CentreX(n - 1), SampleX(n - 1) + 8);
    }
}

TEST(FormatBoard, EveryMarkHasItsLetter) {
    CMineSweeperBoard board(4, 2);
    const SMineSweeperSquare squares[8] = {
        {0, 0, -1, None},         {1, 0, 3, None},          {0, 1, -1, Flag},         {0, 0, -1, Question},
        {1, 1, -1, RevealedMine}, {1, 1, -1, ExplodedMine}, {1, 0, -1, WrongFlag},   {1, 0, -1, None},
    };
    // column-major: (x, y) at x * 2 + y
    for (int i = 0; i < 8; ++i) board.Squares[i] = squares[i];
    EXPECT_EQ(FormatBoard(board), "#F*W\n3?X.\n");
}

TEST(ReadIsAtRest, RefusesPicturesThatTheMovesMadeCannotShow) {
    // Own: the squares the player opened, as a text grid ('o' opened).
    // NewGame: -2 none asked for; otherwise a new game asked for, showing
    // that counter (-1 any).
    struct SCase {
        const char* Name;
        const char* Read;
        const char* Own;
        int32_t Counter;
        int32_t NewGame;
        bool AtRest;
    };
    const SCase cases[] = {
        {"own square shown opened", "1#\n##\n", "o.\n..\n", 3, -2, true},
        {"own square still covered (stale)", "##\n##\n", "o.\n..\n", 3, -2, false},
        {"own square pressed: an empty square beside covered ones", "0#\n##\n", "o.\n..\n", 3, -2, false},
        {"empty square beside a question mark", "0?\n00\n", "o.\n..\n", 3, -2, false},
        {"empty square beside a flag only", "0F\n00\n", "o.\n..\n", 0, -2, true},
        {"any empty square beside a covered one (half drawn)", "10\n1#\n", "..\n..\n", 3, -2, false},
        {"flood fill drawn in full", "00\n00\n", "o.\n..\n", 0, -2, true},
        {"new game with the level's counter", "##\n##\n", "..\n..\n", 10, 10, true},
        {"new game with the old game's counter", "##\n##\n", "..\n..\n", 0, 10, false},
        {"new game asked for, old board still shown", "1#\n##\n", "..\n..\n", 10, 10, false},
        {"new game of a custom field, any counter", "##\n##\n", "..\n..\n", 7, -1, true},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<CMineSweeperBoard> read(BoardFromText(std::string(c.Read)));
        // '#' is a covered square in the grid of FormatBoard; the text
        // reader takes any unknown character as covered.
        ASSERT_TRUE(read);
        bool covered = true;
        for (uint32_t i = 0; i < read->Width * read->Height; ++i) covered = covered && !read->Squares[i].Opened;
        read->State = covered ? NotStarted : Playing;
        read->MinesLeft = c.Counter;
        std::unique_ptr<CMineSweeperBoard> own(BoardFromText(std::string(c.Own)));
        std::vector<uint8_t> opened(read->Width * read->Height);
        for (size_t i = 0; i < opened.size(); ++i) opened[i] = own->Squares[i].Opened;
        SReadExpectation expect;
        expect.OwnOpened = opened.data();
        expect.NewGame = c.NewGame != -2;
        expect.NewGameMines = c.NewGame;
        EXPECT_EQ(ReadIsAtRest(*read, expect), c.AtRest) << FormatBoard(*read);
    }
}

}  // namespace
