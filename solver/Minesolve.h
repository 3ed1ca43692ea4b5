// One square of the solver's view of the board, with its two-way links
// between constraints (open numbered squares) and their unknown neighbours.
#pragma once

#include <cstdint>

class CLogicSquare {
public:
    CLogicSquare* Constraints[8];  // constraints that list this (unknown) square
    uint32_t ConstraintCount;      // entries in use in Constraints
    CLogicSquare* Unknowns[8];     // unknown neighbours of this (constraint) square
    uint32_t UnknownCount;         // entries in use in Unknowns
    uint32_t X, Y;                 // column and row
    uint32_t Left, Top;            // 3x3 box clipped to the board, inclusive
    uint32_t Right, Bottom;        // ... exclusive
    bool IsOpen;                   // uncovered, in the game or by the solver
    int32_t Index;                 // dense number in the list that used it last
    bool IsSettled;                // the game's state of this square is taken in
    double MineProbability;        // 0 safe, 1 mine, estimates between
    bool HasConstraints;           // ConstraintCount > 0
    bool IsMine;                   // known to hold a mine
    int32_t MinesLeft;             // constraint: mines still among Unknowns; -1 opened, number unknown
    int32_t Number;                // the number taken in when the square settled open; -1 none

    CLogicSquare(uint32_t x, uint32_t y);

    void AddConstraint(CLogicSquare* c);
    void RemoveConstraint(CLogicSquare* c);
    void ClearConstraints();
    void AddUnknown(CLogicSquare* u);
    void RemoveUnknown(CLogicSquare* u);
    void ClearUnknowns();

    // Subset reduction: when the smaller constraint's unknowns all belong to
    // the larger one, they and their mines are taken off the larger one.
    // True when a reduction was made.
    bool ReduceWith(CLogicSquare* other);

    // A constraint whose mines left cannot be placed on its unknowns.
    bool IsContradiction() const;
    bool HasUnknown(const CLogicSquare* u) const;
    bool HasConstraint(const CLogicSquare* c) const;
};
