// A Minesweeper game played in memory: the same boards and moves as the real
// game window, without a window. Used to test and measure the solver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FirstClick.h"
#include "Minesweeper.h"
#include "Random.h"

class CHeadlessGame : public CMineSweeperInterface {
public:
    // Sizes are limited to 1 .. CMineSweeperBoard::MaxSize and the mines to
    // the squares minus one, so that the first square opened can be safe.
    CHeadlessGame(uint32_t width, uint32_t height, uint32_t mines, uint32_t seed,
                  FirstClickRule rule = FirstClickRule::Uniform);
    ~CHeadlessGame() override;

    // Takes effect with the next NewGame.
    void Configure(uint32_t width, uint32_t height, uint32_t mines);

    // Fills *board as the screen shows it; creates it when null. False for a
    // board of another size (the caller drops it and reads again).
    bool ReadBoard(CMineSweeperBoard** board) override;
    // A fresh, unstarted game; mines are placed at once from the seed, and
    // the square a mine under the first opening goes to is drawn by the rule.
    bool NewGame() override;
    bool OpenSquare(uint32_t x, uint32_t y) override;
    bool FlagSquare(uint32_t x, uint32_t y) override;
    bool UnflagSquare(uint32_t x, uint32_t y) override;
    bool MoveCursorToSquare(uint32_t x, uint32_t y) override;

    // Replaces the layout of an unstarted game (column-major, non-zero is a
    // mine); the first click is then not made safe. False on a size mismatch.
    bool SetLayout(const std::vector<uint8_t>& mines);

    bool HasMine(uint32_t x, uint32_t y) const { return Mines[Cell(x, y)] != 0; }
    bool IsOpened(uint32_t x, uint32_t y) const { return Opened[Cell(x, y)] != 0; }
    uint32_t Neighbours(uint32_t x, uint32_t y) const;
    GameState State() const { return CurrentState; }
    uint32_t MineTotal() const { return TotalMines; }
    uint32_t OpenedCount() const { return OpenCount; }
    uint32_t GameWidth() const { return Columns; }
    uint32_t GameHeight() const { return Rows; }

    // How the first opening is kept off a mine; a change takes effect with
    // the next NewGame.
    FirstClickRule FirstClick;

private:
    size_t Cell(uint32_t x, uint32_t y) const { return static_cast<size_t>(x) * Rows + y; }
    void PlaceMines();
    void Lose(uint32_t x, uint32_t y);
    void Cascade(uint32_t x, uint32_t y);

    uint32_t Columns, Rows, TotalMines;
    uint32_t NextColumns, NextRows, NextMines;  // size of the next game
    CLcgRandom Random;
    std::vector<uint8_t> Mines, Opened, Flagged;
    GameState CurrentState;
    bool FirstClickSafe;      // the first opening may still move a mine
    uint32_t FirstClickTarget;  // the free square that mine goes to
    uint32_t OpenCount;       // safe squares opened
    uint32_t FlagCount;
    size_t Exploded;          // cell of the mine that lost the game
};

// One line per row, one character per square: '.' covered, 'F' flag, '?'
// question mark, '0'..'8' an uncovered number, 'o' uncovered without number,
// '*' revealed mine, 'X' exploded mine, 'W' wrong flag.
std::string BoardToText(const CMineSweeperBoard& board);
// The reverse; the rows must be of equal length. State and MinesLeft are
// set by the caller. Null for an empty or ragged text.
CMineSweeperBoard* BoardFromText(const std::string& text);
