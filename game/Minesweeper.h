// The board of one game as the screen shows it, and the abstract game with
// its action policy (perform a move now or queue it by its probability).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "Array.h"

enum SquareMark : int32_t {
    None = 0,          // covered without mark, or uncovered
    Flag = 1,          // covered, flagged
    Question = 2,      // covered, question mark
    RevealedMine = 3,  // a mine shown after a lost game
    ExplodedMine = 4,  // the mine whose opening lost the game
    WrongFlag = 5,     // a flag without mine, crossed out after a loss
};

enum GameState : int32_t {
    Playing = 0,
    NotStarted = 1,
    Won = 2,
    Lost = 3,
};

struct SMineSweeperSquare {
    uint8_t Opened;  // uncovered
    uint8_t Mine;    // flagged, or a mine shown by a lost game
    int32_t Number;  // 0..8 for an uncovered square whose number was read, else -1
    int32_t Mark;    // SquareMark
};

class CMineSweeperBoard {
public:
    static const uint32_t MaxSize = 1024;

    SMineSweeperSquare* Squares;  // owned; column-major, (x, y) at x * Height + y
    uint32_t Width;               // columns, at most MaxSize
    uint32_t Height;              // rows, at most MaxSize
    int32_t State;                // GameState
    int32_t MinesLeft;            // the game's counter: mines minus flags

    // Sizes above MaxSize are limited to it; squares start zeroed.
    CMineSweeperBoard(uint32_t width, uint32_t height);
    ~CMineSweeperBoard();
    CMineSweeperBoard(const CMineSweeperBoard&) = delete;
    CMineSweeperBoard& operator=(const CMineSweeperBoard&) = delete;

    // False (and nothing copied) for a null board or one of another size.
    bool CopyFrom(const CMineSweeperBoard* other);
    // First square of column x; no range check.
    SMineSweeperSquare* GetColumn(uint32_t x) const { return Squares + static_cast<size_t>(x) * Height; }
    // Uncovered, number not yet known. No range check.
    bool MarkOpened(uint32_t x, uint32_t y);
    // Flagged; decrements MinesLeft unconditionally. No range check.
    bool MarkMine(uint32_t x, uint32_t y);
};

class CMineSweeperInterface {
public:
    enum ActionType : uint32_t { Open = 0, Flag = 1, Unflag = 2 };

    struct SMineSweeperAction {
        uint32_t X;
        uint32_t Y;
        uint32_t Type;       // ActionType
        double Probability;  // chance the move is right; 1.0 when certain
    };

    TInstanceArray<SMineSweeperAction>* Actions;  // owned; the action queue
    uint32_t Width;                // columns of the game, kept by ReadBoard
    uint32_t Height;               // rows of the game, kept by ReadBoard
    double QueueThreshold;         // moves less likely than this are queued
    bool QueueFlags;               // flags are queued instead of performed
    bool PauseAfterAction;         // show each performed move and pause
    uint32_t PauseTime;            // length of that pause, ms
    const std::atomic<bool>* AbortFlag;  // not owned; true ends pauses at once
    uint32_t MovesPerformed;       // moves handed to the game so far (wraps)

    CMineSweeperInterface();
    virtual ~CMineSweeperInterface();
    CMineSweeperInterface(const CMineSweeperInterface&) = delete;
    CMineSweeperInterface& operator=(const CMineSweeperInterface&) = delete;

    // Reads the whole game; creates the board when *board is null. Sets
    // Width and Height. False when no consistent reading was possible.
    virtual bool ReadBoard(CMineSweeperBoard** board) = 0;
    virtual bool NewGame() = 0;
    virtual bool OpenSquare(uint32_t x, uint32_t y) = 0;
    virtual bool FlagSquare(uint32_t x, uint32_t y) = 0;
    virtual bool UnflagSquare(uint32_t x, uint32_t y) = 0;
    virtual bool MoveCursorToSquare(uint32_t x, uint32_t y) = 0;

    // Normalises the move and performs it (true) or queues it (false).
    // Probability 0.0 turns Open into Flag and Flag into Open; a Flag below
    // 1.0 becomes an Open with the complementary probability.
    bool DoAction(uint32_t x, uint32_t y, double probability, ActionType type);
    uint32_t GetActionCount() const;
    bool GetAction(uint32_t index, uint32_t* x, uint32_t* y, ActionType* type, double* probability) const;
    // Performs a queued move as stored; it stays in the queue.
    bool PerformAction(uint32_t index);
    void ClearActions();

private:
    void Perform(uint32_t x, uint32_t y, uint32_t type);
    void PauseStep(uint32_t x, uint32_t y);
};
