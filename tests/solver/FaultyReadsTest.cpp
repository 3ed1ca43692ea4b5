// The solver benchmark's faulty reads: each fault changes a read as it is
// meant to, and a seed gives the same faulty reads on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "FaultyReads.h"
#include "SolverTestSupport.h"

namespace {

// A won board, then the first read of the next game, then a square opened.
const char* const kWon = "1F\n11\n";
const char* const kFresh = "..\n..\n";
const char* const kOpened = ".2\n..\n";

struct SFaultCase {
    ReadFault Fault;
    const char* Name;
    // What each of the three reads shows with a fault on every read.
    const char* Text[3];
    int32_t MinesLeft[3];
    uint32_t Altered;
};

TEST(FaultyReads, EachFaultChangesTheReadAsDescribed) {
    const SFaultCase cases[] = {
        // Only the square opened since the previous read, and only a number.
        {ReadFault::Pressed, "pressed", {kWon, kFresh, ".0\n..\n"}, {0, 2, 2}, 1},
        // The previous read's picture, counter and state with it.
        {ReadFault::Stale, "stale", {kWon, kWon, kFresh}, {0, 0, 2}, 2},
        // The previous counter with this read's squares.
        {ReadFault::Torn, "torn", {kWon, kFresh, kOpened}, {0, 0, 2}, 1},
        {ReadFault::None, "none", {kWon, kFresh, kOpened}, {0, 2, 2}, 0},
    };
    for (const SFaultCase& c : cases) {
        SCOPED_TRACE(c.Name);
        CFaultyReads faults(c.Fault, 1.0, 7);
        auto won = Board(kWon, 0, Won), fresh = Board(kFresh, 2, NotStarted), opened = Board(kOpened, 2);
        CMineSweeperBoard* reads[] = {won.get(), fresh.get(), opened.get()};
        uint32_t altered = 0;
        for (int i = 0; i < 3; ++i) {
            if (i == 2) faults.Opened(1, 0);
            altered += faults.Apply(reads[i]);
            EXPECT_EQ(BoardToText(*reads[i]), std::string(c.Text[i])) << "read " << i;
            EXPECT_EQ(reads[i]->MinesLeft, c.MinesLeft[i]) << "read " << i;
        }
        EXPECT_EQ(faults.Faults, altered);
        EXPECT_EQ(altered, c.Altered);
    }
}

// The reads a run of 200 reads alters, as a string of 0 and 1.
std::string AlteredReads(ReadFault fault, double probability, uint32_t seed) {
    CFaultyReads faults(fault, probability, seed);
    std::string pattern;
    for (int i = 0; i < 200; ++i) {
        auto b = Board(i % 2 ? kOpened : kFresh, 2 + i % 2);
        if (i % 2) faults.Opened(1, 0);
        pattern += faults.Apply(b.get()) ? '1' : '0';
    }
    return pattern;
}

TEST(FaultyReads, ASeedGivesTheSameFaultyReads) {
    for (ReadFault fault : {ReadFault::Pressed, ReadFault::Stale, ReadFault::Torn}) {
        std::string first = AlteredReads(fault, 0.3, 11);
        EXPECT_EQ(first, AlteredReads(fault, 0.3, 11));
        EXPECT_NE(first, AlteredReads(fault, 0.3, 12));
        // About P of the reads that a fault can change (every other one for
        // pressed, every one from the second on otherwise): 0.3 of 100 or 199.
        size_t n = std::count(first.begin(), first.end(), '1');
        size_t can = fault == ReadFault::Pressed ? 100 : 199;
        EXPECT_GT(n, can * 15 / 100);
        EXPECT_LT(n, can * 45 / 100);
        EXPECT_EQ(AlteredReads(fault, 0.0, 11), std::string(200, '0'));
    }
}

}  // namespace
