// The exact requests of the solving pass on small boards: which squares, in
// which order, as what, with what certainty, and which square a seeded guess
// takes. They hold the orders and tie-breaks of the pass in place.
#include <gtest/gtest.h>

#include <string>

#include "Random.h"
#include "SolverTestSupport.h"

namespace {

struct SDecisionCase {
    const char* Name;
    const char* Board;
    int32_t MinesLeft;
    uint32_t Seed;         // 0: every request queued; else the guess is performed after SeedRandom(Seed)
    const char* Expected;  // queued requests "O|F x,y certainty;" in order, or the performed squares "x,y;"
};

// The guess after SeedRandom(s) takes index NextRandom() % count of the
// candidates: seed 8 draws 31389 first (index 1 of 4), seed 1 draws 130
// (index 2 of 4).
const SDecisionCase Cases[] = {
    // All squares interior, probability 0: the corners, in the order of the
    // interior walk (column 0 downwards first).
    {"fresh board, corners in interior order", ".....\n.....\n.....\n", 3, 0, "O 0,0 1;O 0,2 1;O 4,0 1;O 4,2 1;"},
    {"fresh board, seeded pick of the second corner", ".....\n.....\n.....\n", 3, 8, "0,2;"},
    {"fresh board, seeded pick of the third corner", ".....\n.....\n.....\n", 3, 1, "4,0;"},
    // Two groups at even odds, no interior: every square a candidate, in
    // group order (the last group first) and, within a group, the last
    // unknown first.
    {"even odds, groups and unknowns in order", "..o..\n1ooo1\n", 2, 0, "O 3,0 0.5;O 4,0 0.5;O 0,0 0.5;O 1,0 0.5;"},
    {"even odds, seeded pick of the second candidate", "..o..\n1ooo1\n", 2, 8, "4,0;"},
    // Interior safer than the 1's squares (1/8): of the corners, (0,0) and
    // (5,5) have two unexplored neighbours; (0,0)'s third neighbour is a
    // frontier square (1/8), (5,5)'s is open (0), so (5,5) alone is taken.
    {"interior tie broken by the neighbours' mine probabilities", "......\n......\n..1...\n......\n....o.\n......\n", 3,
     0, "O 5,5 0.94048;"},
    // Two alike groups, each with a square that only the enumeration proves
    // a mine or safe: the requests of the exact pass come group by group,
    // the last group first.
    {"certainties of the exact pass in group order", "1...o1...\n....o....\n1.4.o1.4.\n", 6, 0,
     "O 5,1 1;F 7,1 1;F 8,1 1;F 8,2 1;O 0,1 1;F 2,1 1;F 3,1 1;F 3,2 1;"},
    // Left group: (2,2) alone, or (0,2), (4,2) and (2,4): one mine or three.
    // Right group: (7,2) alone, or (6,2) and (8,2). Four mines: the count
    // leaves the left group three; only then does the right group have to
    // hold one, which the weighing finds and which is acted on.
    {"weighing settles a total that the count leaves open",
     "ooooooooo\nooooooooo\n.1.1.o...\noo1ooo1o1\noo.oooooo\n", 4, 0,
     "F 0,2 1;F 2,4 1;F 4,2 1;O 2,2 1;O 6,2 1;O 8,2 1;F 7,2 1;"},
    // Certainties that the global mine count or the interior settle.
    {"global count fixes the larger total", "...\n1o1\n", 2, 0, "F 0,0 1;F 2,0 1;O 1,0 1;"},
    {"global count fixes the smaller total", "...\n1o1\n", 1, 0, "O 0,0 1;O 2,0 1;F 1,0 1;"},
    {"interior safe by count", "..o..\n1oooo\n", 1, 0, "O 3,0 1;O 4,0 1;"},
    {"interior mines by count", "..o..\n1oooo\n", 3, 0, "F 3,0 1;F 4,0 1;O 0,0 0.5;O 1,0 0.5;"},
};

std::string Decide(const SDecisionCase& c) {
    auto game = Board(c.Board, c.MinesLeft);
    CLogicMineSweeperBoard logic(game->Width, game->Height);
    logic.Rebuild(game.get());
    CRecordingFace face(game->Width, game->Height, c.Seed ? 0.0 : 2.0);
    face.QueueFlags = true;
    if (c.Seed) SeedRandom(c.Seed);
    const bool acted = logic.Solve(&face, nullptr, game.get());
    EXPECT_EQ(acted, c.Seed != 0) << c.Name << ": whether a move was performed";
    if (!c.Seed) return Requests(face);
    std::string out;
    for (const auto& a : face.Performed) {
        out += std::to_string(a.X) + "," + std::to_string(a.Y) + ";";
        EXPECT_TRUE(game->GetColumn(a.X)[a.Y].Opened) << c.Name << ": the guess is shown opened at once";
    }
    return out;
}

TEST(Decisions, ExactRequestsOfSmallBoards) {
    for (const SDecisionCase& c : Cases) EXPECT_EQ(Decide(c), c.Expected) << c.Name;
}

}  // namespace
