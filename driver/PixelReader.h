// The game window's pixels turned into squares, counter digits and board
// geometry. Pure functions over a copied pixel buffer, free of any platform
// call, so that synthetic images exercise exactly the code the driver runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Minesweeper.h"

namespace pixels {

// Window layouts of the game; every test only asks "below layout 5?".
const uint32_t Layout4 = 0x40000;
const uint32_t Layout5 = 0x50000;
inline bool IsLayout4(uint32_t layout) { return layout < Layout5; }

// Colour references in the platform's 0x00BBGGRR order.
const uint32_t NoColor = 0xFFFFFFFF;  // matches no table entry (high byte set)

enum ColorIndex : int {
    Black = 0,
    Gray,
    White,
    Red,
    Maroon,
    Green,
    Blue,
    Navy,
    Teal,
    Purple,
    ColorCount
};

// Exact values of the ten reference colours.
extern const uint32_t kExactColors[ColorCount];

// The reference colours as the current screen shows them.
struct SColorTable {
    uint32_t Value[ColorCount];
    static SColorTable Exact();
};

// A borrowed buffer of 32-bit pixels, row-major from the top, each stored as
// the platform's device-independent bitmaps store them (0x00RRGGBB).
// Reads outside the buffer yield NoColor, so no sample can leave the copy.
struct SPixelView {
    const uint32_t* Pixels;
    int32_t Width;
    int32_t Height;
    size_t Stride;  // pixels per row, at least Width

    uint32_t At(int32_t x, int32_t y) const {
        if (!Pixels || x < 0 || y < 0 || x >= Width || y >= Height) return NoColor;
        uint32_t p = Pixels[static_cast<size_t>(y) * Stride + static_cast<size_t>(x)];
        // Swap red and blue into a colour reference; drop the unused byte.
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
};

// Board geometry in client coordinates.
const int32_t SquareSize = 16;
inline int32_t SampleX(uint32_t x) { return 12 + 16 * static_cast<int32_t>(x); }
inline int32_t SampleY(uint32_t y) { return 55 + 16 * static_cast<int32_t>(y); }
inline int32_t CentreX(uint32_t x) { return 20 + 16 * static_cast<int32_t>(x); }
inline int32_t CentreY(uint32_t y) { return 63 + 16 * static_cast<int32_t>(y); }
// Size of the area copied for a read of a w x h board.
inline int32_t BoardAreaWidth(uint32_t w) { return 16 * static_cast<int32_t>(w) + 20; }
inline int32_t BoardAreaHeight(uint32_t h) { return 16 * static_cast<int32_t>(h) + 63; }

// Board size from a client size (either layout), truncating toward zero;
// the results may be zero or negative for a window too small for a board.
void BoardSizeFromClient(int32_t clientWidth, int32_t clientHeight, int32_t* w, int32_t* h);
// True when the size is one a board can hold (1 .. MaxSize each way).
bool IsUsableBoardSize(int32_t w, int32_t h);
// Client size that a w x h board gives in the layout.
void ClientSizeForBoard(uint32_t w, uint32_t h, uint32_t layout, int32_t* clientWidth, int32_t* clientHeight);
// Layout 4 has a wider frame: the client exceeds the board area both ways.
uint32_t DecideLayout(uint32_t w, uint32_t h, int32_t clientWidth, int32_t clientHeight);

// Mine counter: three seven-segment digits at x = 17 + 13d, y = 17 .. 37.
const int32_t CounterLeft = 17;
const int32_t CounterTop = 17;
const int32_t CounterWidth = 13 * 2 + 12;  // up to the last digit's right segment
const int32_t CounterHeight = 21;
const int CounterMinus = 10;
// The digit a segment code shows, CounterMinus for the minus sign, -1 for none.
int DecodeSegments(uint32_t code);
// Segment code of the digit whose left edge is x0 in a view whose (0, 0) is
// client point (originX, originY).
uint32_t ReadSegments(const SPixelView& view, int32_t originX, int32_t originY, int32_t x0,
                      const SColorTable& colors);
// The counter's value; false when a digit shows no known pattern or a minus
// sign stands anywhere but first.
bool ReadCounter(const SPixelView& view, int32_t originX, int32_t originY, const SColorTable& colors,
                 int32_t* value);

// What one read has seen so far; the board state follows from it.
struct SReadNotes {
    bool AllCovered = true;
    bool PlainCovered = false;
    bool Lost = false;
    int32_t MineBalance = 0;  // shown mines minus crossed flags
    uint32_t FlagsSeen = 0;
};

// Classifies the square whose sample origin is (px, py) in the view.
SMineSweeperSquare ClassifySquare(const SPixelView& view, int32_t px, int32_t py, uint32_t layout,
                                  const SColorTable& colors, SReadNotes* notes);
// GameState from a read's notes and the counter.
int32_t BoardStateFromNotes(const SReadNotes& notes, int32_t minesLeft);

// What the player's own moves let a read show. A read that cannot be the
// game's picture at rest after them is "not yet": taken before the game
// painted the moves, or while a pressed square showed.
struct SReadExpectation {
    const uint8_t* OwnOpened = nullptr;  // Width*Height, column-major: squares the player opened; may be null
    bool NewGame = false;                // a new game was asked for and nothing played since
    int32_t NewGameMines = -1;           // with NewGame: the counter it must show; -1 any
};
// True when the read is a picture at rest: a new game that was asked for
// shows every square covered and its mine count; every square the player
// opened shows opened; and no opened empty square lies beside a covered
// square without a flag (the game opens those itself, so that picture is a
// square held pressed, or one drawn before its neighbours).
bool ReadIsAtRest(const CMineSweeperBoard& read, const SReadExpectation& expect);

// The board as a small text grid, one line per row:
//   '#' covered  'F' flag  '?' question  '0'..'8' number  '.' opened, number unknown
//   '*' shown mine  'X' exploded mine  'W' wrong flag
std::string FormatBoard(const CMineSweeperBoard& board);

}  // namespace pixels
