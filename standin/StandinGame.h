// The rules of the stand-in Minesweeper game, without any window: fields,
// mine layouts, opening, marks, win and loss, and which square image each
// square shows. The Win32 front end (Velkor.cpp) only draws and forwards input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FirstClick.h"
#include "Random.h"

namespace standin {

enum FieldLevel : uint32_t { Beginner = 0, Intermediate = 1, Expert = 2, Custom = 3 };

struct SField {
    uint32_t Level;
    uint32_t Width;
    uint32_t Height;
    uint32_t Mines;
};

// Limits of a custom field (those of the classic game).
const uint32_t kMinWidth = 9, kMaxWidth = 30;
const uint32_t kMinHeight = 9, kMaxHeight = 24;
const uint32_t kMinMines = 10;

// The field of a standard level; any other value gives Beginner.
SField StandardField(uint32_t level);
// A custom field with each value brought into its limits; at most
// (width - 1) x (height - 1) mines, so that some squares are always free.
SField ClampCustomField(uint32_t width, uint32_t height, uint32_t mines);
// The field for stored values: a standard level, or the clamped custom size.
SField FieldFromStored(uint32_t level, uint32_t width, uint32_t height, uint32_t mines);
const char* LevelName(uint32_t level);

// Cells of the square image strip (bitmap resource 410), 16 x 16 each,
// cell k at y = 16k.
enum SquareImage : int {
    ImgCovered = 0,
    ImgFlag = 1,
    ImgQuestion = 2,
    ImgExploded = 3,
    ImgWrongFlag = 4,
    ImgMine = 5,
    ImgPressedQuestion = 6,
    ImgNumber8 = 7,  // cells 7..14 show 8 down to 1
    ImgNumber1 = 14,
    ImgOpen = 15,
    ImgCount = 16,
};

inline int NumberImage(int n) { return n == 0 ? ImgOpen : ImgOpen - n; }

class CStandinGame {
public:
    enum State { Ready, Playing, Won, Lost };
    enum Mark : uint8_t { NoMark, FlagMark, QuestionMark };

    // Starts a new game of the field; the layout, and where the rule moves a
    // mine from under the first opening, are drawn from random now, so a
    // seeded generator gives the same sequence of layouts every run.
    void NewGame(const SField& field, CLcgRandom& random, FirstClickRule rule = FirstClickRule::Uniform);

    // Opens a covered, unflagged square; the first opening of a game never
    // hits a mine (a mine there moves as the rule of NewGame says). True
    // when anything changed.
    bool Open(uint32_t x, uint32_t y);
    // Cycles none -> flag -> question (when allowed) -> none. True when changed.
    bool CycleMark(uint32_t x, uint32_t y, bool allowQuestion);
    // Opens the covered unflagged neighbours of an opened number whose flags
    // are all set. True when anything changed.
    bool OpenNeighbours(uint32_t x, uint32_t y);

    State GetState() const { return GameState; }
    bool IsOver() const { return GameState == Won || GameState == Lost; }
    const SField& Field() const { return CurrentField; }
    uint32_t Width() const { return CurrentField.Width; }
    uint32_t Height() const { return CurrentField.Height; }
    // Mines minus flags; negative with more flags than mines.
    int MinesLeft() const { return static_cast<int>(CurrentField.Mines) - static_cast<int>(Flags); }
    bool Inside(uint32_t x, uint32_t y) const { return x < Width() && y < Height(); }
    bool IsMine(uint32_t x, uint32_t y) const { return At(x, y).Mine; }
    bool IsOpened(uint32_t x, uint32_t y) const { return At(x, y).Opened; }
    Mark GetMark(uint32_t x, uint32_t y) const { return static_cast<Mark>(At(x, y).SquareMark); }
    int AdjacentMines(uint32_t x, uint32_t y) const;
    // The strip cell that square shows now.
    int Image(uint32_t x, uint32_t y) const;
    // The layout as rows of '*' (mine) and '.' (free), one line per row.
    std::vector<std::string> LayoutRows() const;

private:
    struct SSquare {
        bool Mine = false;
        bool Opened = false;
        uint8_t SquareMark = NoMark;
    };
    SSquare& At(uint32_t x, uint32_t y) { return Squares[static_cast<size_t>(y) * Width() + x]; }
    const SSquare& At(uint32_t x, uint32_t y) const { return Squares[static_cast<size_t>(y) * Width() + x]; }
    template <typename F> void ForNeighbours(uint32_t x, uint32_t y, F f) const;
    void Flood(uint32_t x, uint32_t y);
    void FinishWon();

    SField CurrentField{Beginner, 9, 9, 10};
    std::vector<SSquare> Squares = std::vector<SSquare>(81);
    State GameState = Ready;
    uint32_t Flags = 0;
    uint32_t OpenedCount = 0;
    uint32_t FirstClickTarget = 0;  // free square that takes a mine from the first opening
    uint32_t ExplodedX = 0, ExplodedY = 0;
};

}  // namespace standin
