// Where things are in the game window and how the counters look, plus the
// small text formats of the game's test hooks. No Win32 here, so the native
// tests check the same numbers the game draws with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StandinGame.h"

namespace standin {

const int kSquare = 16;
const int kBoardLeft = 12;   // client point of the top-left square
const int kBoardTop = 55;
const int kCounterLeft = 17; // first digit of the mine counter
const int kCounterTop = 16;
const int kDigitWidth = 13;
const int kDigitHeight = 23;
const int kCounterInset = 5; // from the board's side to the counter's outer digit
const int kFaceSize = 24;
const int kFaceTop = 15;

// Layout 5 (the current game) and layout 4 (the older game, 4 pixels wider
// and taller margins right and below the board).
int ClientWidth(uint32_t columns, int layout);
int ClientHeight(uint32_t rows, int layout);
// The square under a client point; false outside the board.
bool PointToSquare(int px, int py, uint32_t columns, uint32_t rows, uint32_t* x, uint32_t* y);
// Left edge of the face button and of the timer's first digit.
int FaceLeft(uint32_t columns);
int TimerLeft(uint32_t columns);

// Seven-segment codes: bit 1 top, 2 upper left, 4 upper right, 8 middle,
// 16 lower left, 32 lower right, 64 bottom.
const int kMinusCode = 8;
int DigitCode(int digit);
// The three codes a counter shows for value, limited to -99 .. 999.
void CounterCodes(int value, int codes[3]);

// A filled rectangle of a lit segment; X from the digit's left edge, Y in
// client coordinates.
struct SSegmentSpan {
    int X, Y, Width, Height;
};
std::vector<SSegmentSpan> SegmentSpans(int code);

// VELKOR_SEED: decimal digits only, within 32 bits.
bool ParseSeed(const char* text, uint32_t* seed);
// A number typed into the custom field dialog; false leaves *value alone.
bool ParseFieldValue(const char* text, uint32_t* value);
// The VELKOR_RECORD line of a finished game, with its newline.
std::string RecordLine(const SField& field, bool won);

}  // namespace standin
