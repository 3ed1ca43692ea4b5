// Reads of the game as the saver can get them wrong, for the solver
// benchmark: with a given probability per read, the board handed to the
// solver is a faulty one instead of the truth.
//  - Pressed: the square the player opened last since the previous read shows
//    as an opened 0 (a square held down is drawn opened and empty).
//  - Stale: the previous read's picture (the game has not painted yet).
//  - Torn: the previous read's mine counter with this read's squares.
// The draws come from a generator of their own, so the games and the
// solver's draws stay those of the run without faults until a fault changes
// a move.
#pragma once

#include <cstdint>

#include "FirstClick.h"
#include "Minesweeper.h"
#include "Random.h"

enum class ReadFault : uint32_t { None, Pressed, Stale, Torn };

class CFaultyReads {
public:
    CFaultyReads(ReadFault fault, double probability, uint32_t seed)
        : Fault(fault), Probability(probability), Random(seed) {}
    ~CFaultyReads() {
        delete Previous;
        delete Truth;
    }
    CFaultyReads(const CFaultyReads&) = delete;
    CFaultyReads& operator=(const CFaultyReads&) = delete;

    // The player opened (x, y).
    void Opened(uint32_t x, uint32_t y) {
        OpenedX = x;
        OpenedY = y;
        HasOpened = true;
    }

    // board holds a true read; replaces it by the faulty read when this read
    // draws a fault and the fault changes anything. True when it did.
    bool Apply(CMineSweeperBoard* board) {
        // One draw per read, fault or not, so that a seed gives the same
        // faulty reads whatever the boards.
        bool fire = UniformBelow(Random, 1u << 30) < Probability * double(1u << 30);
        bool sameSize = Previous && Previous->Width == board->Width && Previous->Height == board->Height;
        if (!Truth || Truth->Width != board->Width || Truth->Height != board->Height) {
            delete Truth;
            Truth = new CMineSweeperBoard(board->Width, board->Height);
        }
        Truth->CopyFrom(board);
        bool altered = false;
        if (fire && Fault == ReadFault::Pressed && HasOpened && OpenedX < board->Width && OpenedY < board->Height) {
            SMineSweeperSquare& s = board->GetColumn(OpenedX)[OpenedY];
            if (s.Opened && s.Number > 0 && s.Mark == SquareMark::None) {
                s.Number = 0;
                altered = true;
            }
        } else if (fire && Fault == ReadFault::Stale && sameSize) {
            altered = !SameBoard(board, Previous);
            board->CopyFrom(Previous);
        } else if (fire && Fault == ReadFault::Torn && sameSize) {
            altered = board->MinesLeft != Previous->MinesLeft;
            board->MinesLeft = Previous->MinesLeft;
        }
        // The screen's previous picture is the last true one.
        CMineSweeperBoard* keep = Previous;
        Previous = Truth;
        Truth = keep;
        HasOpened = false;
        if (altered) ++Faults;
        return altered;
    }

    uint32_t Faults = 0;  // reads replaced so far

private:
    static bool SameBoard(const CMineSweeperBoard* a, const CMineSweeperBoard* b) {
        if (a->State != b->State || a->MinesLeft != b->MinesLeft) return false;
        for (size_t i = 0; i < static_cast<size_t>(a->Width) * a->Height; ++i) {
            const SMineSweeperSquare &s = a->Squares[i], &t = b->Squares[i];
            if (s.Opened != t.Opened || s.Mine != t.Mine || s.Number != t.Number || s.Mark != t.Mark) return false;
        }
        return true;
    }

    ReadFault Fault;
    double Probability;
    CLcgRandom Random;
    CMineSweeperBoard* Previous = nullptr;  // owned; the previous true read
    CMineSweeperBoard* Truth = nullptr;     // owned; scratch for this read's truth
    uint32_t OpenedX = 0, OpenedY = 0;
    bool HasOpened = false;
};
