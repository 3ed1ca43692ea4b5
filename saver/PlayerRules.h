// The player thread's rules that need no window: where the game window goes,
// which queued move slow animation performs next, and the flags the player
// placed that the screen does not show yet. Free of Windows, so that they
// are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Minesweeper.h"
#include "Random.h"
#include "SaverWindowCore.h"

// Shifts the game window into the desktop without changing its size. The
// far edge first, then the near one, so that a window larger than the
// desktop ends up at its left and top edges, whatever side it overhung (its
// menu and counter stay visible).
inline void OffsetPlace(SSaverRect* r, int32_t dx, int32_t dy) {
    r->Left += dx;
    r->Right += dx;
    r->Top += dy;
    r->Bottom += dy;
}
inline SSaverRect ShiftIntoDesktop(const SSaverRect& d, SSaverRect w) {
    if (d.Right < w.Right) OffsetPlace(&w, d.Right - w.Right, 0);
    if (d.Left > w.Left) OffsetPlace(&w, d.Left - w.Left, 0);
    if (d.Bottom < w.Bottom) OffsetPlace(&w, 0, d.Bottom - w.Bottom);
    if (d.Top > w.Top) OffsetPlace(&w, 0, d.Top - w.Top);
    return w;
}

// A random offset below span. A negative span (window larger than the
// desktop) gives 0..-span-1, as the remainder follows the non-negative draw;
// a window exactly as large as the desktop stays at its edge.
inline int32_t RandomOffset(int32_t span) { return span == 0 ? 0 : NextRandom() % span; }

// A random place for a window of the given size on the desktop, the left
// drawn first; the size is kept.
inline SSaverRect RandomPlace(const SSaverRect& d, int32_t width, int32_t height) {
    int32_t left = d.Left + RandomOffset(d.Right - d.Left - width);
    int32_t top = d.Top + RandomOffset(d.Bottom - d.Top - height);
    return SSaverRect{left, top, left + width, top + height};
}

// Slow animation: the index of the queued move nearest to the last one,
// scanned from the last index down; an equal distance takes the move when a
// fresh random number is even, so ties are decided by coin flips as the scan
// goes on. get(i, &x, &y) gives the square of move i. 0 for an empty queue.
template <class GetSquare>
uint32_t PickNearestMove(uint32_t count, uint32_t lastX, uint32_t lastY, GetSquare get) {
    uint32_t best = 0, bestDistance = 0xFFFFFFFFu;
    for (uint32_t i = count; i-- > 0;) {
        uint32_t x = 0, y = 0;
        get(i, &x, &y);
        uint32_t distance = (x - lastX) * (x - lastX) + (y - lastY) * (y - lastY);
        if (distance < bestDistance || (distance == bestDistance && NextRandom() % 2 == 0)) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// The pause after a move of slow animation.
inline uint32_t SlowPauseTime() { return 50 + static_cast<uint32_t>(NextRandom() % 150); }

// True when the record of placed flags fits the board.
inline bool PlacedFitsBoard(const std::vector<uint8_t>& placed, const CMineSweeperBoard* board) {
    return placed.size() == static_cast<size_t>(board->Width) * board->Height;
}

// The drawing of a move reaches the screen some time after the game took
// it, so a read can still show the square without the flag just placed; the
// solver would then flag it again, and a second right click turns a flag
// into a question mark. Flags placed in this game stay on the board until
// the screen shows them.
inline void KeepPlacedFlags(CMineSweeperBoard* board, const std::vector<uint8_t>& placed) {
    if (board->State != Playing && board->State != NotStarted) return;
    if (!PlacedFitsBoard(placed, board)) return;
    for (size_t i = 0; i < placed.size(); ++i) {
        SMineSweeperSquare& s = board->Squares[i];
        if (placed[i] && !s.Opened && s.Mark != SquareMark::Flag) {
            s.Mine = 1;
            s.Mark = SquareMark::Flag;
            --board->MinesLeft;
        }
    }
}

// What a pass does after a quick read: act on the board, poll again, or
// read the board in full. A quick read that did not read the screen (board
// hidden, counter unreadable, a picture not at rest) gives nothing to act
// on, whatever it reported and however many moves are queued.
enum class EQuickRead { Poll, Act, ReadInFull };
inline EQuickRead AfterQuickRead(bool valid, bool read, bool changed, uint32_t queued, uint32_t stillPolls,
                                 uint32_t stillPollLimit) {
    if (!valid) return EQuickRead::ReadInFull;
    if (read && (changed || queued > 0)) return EQuickRead::Act;
    return stillPolls < stillPollLimit ? EQuickRead::Poll : EQuickRead::ReadInFull;
}

// Opened squares on the board: a square newly opened is progress.
inline uint32_t CountOpened(const CMineSweeperBoard* board) {
    uint32_t n = 0;
    const size_t count = static_cast<size_t>(board->Width) * board->Height;
    for (size_t i = 0; i < count; ++i) n += board->Squares[i].Opened ? 1 : 0;
    return n;
}

// Before a rebuild that a stall asked for: the flags the player placed
// itself become covered squares again, so that the solver decides them
// afresh from the numbers. One the numbers prove safe is then opened, and
// opening a flagged square takes its flag off through the game first; one
// they prove a mine is flagged again, which sends nothing.
inline void ForgetPlacedFlags(CMineSweeperBoard* board, const std::vector<uint8_t>& placed) {
    if (!PlacedFitsBoard(placed, board)) return;
    for (size_t i = 0; i < placed.size(); ++i) {
        SMineSweeperSquare& s = board->Squares[i];
        if (placed[i] && !s.Opened && s.Mark == SquareMark::Flag) {
            s.Mine = 0;
            s.Mark = SquareMark::None;
            ++board->MinesLeft;
        }
    }
}
