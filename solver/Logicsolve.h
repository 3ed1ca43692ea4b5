// The exact constraint solver: the logic board built from the game's board,
// the fast rules, exact enumeration of independent groups, weighing of the
// groups' mine totals against the global mine count, probabilities and the
// guess.
#pragma once

#include <atomic>
#include <cstdint>

#include "Array.h"
#include "Minesolve.h"
#include "Minesweeper.h"

// Solutions are counted one by one, so 64 bits cannot wrap in practice,
// whereas 32 bits wrap on a frontier of a few dozen loosely bound squares.
typedef uint64_t SolutionCounter;

// Advances indices (k strictly increasing values in 0 .. n-1) to the next
// k-subset in lexicographic order; false once the last one has passed.
bool NextCombination(uint32_t* indices, uint32_t n, uint32_t k);

// C(n - s, m - k) / C(n, m): the share of the placements of m mines among n
// squares in which a given block of s squares holds one given pattern of k
// mines. Computed as folded ratios of falling products; 0.0 when the pattern
// cannot occur.
double PlacementRatio(uint32_t n, uint32_t m, uint32_t s, uint32_t k);

// One independent group of the frontier and the counts of its solutions.
class CSquareSolutionSet {
public:
    const std::atomic<bool>* StopFlag;   // not owned; enumeration ends when true
    uint8_t* Assigned;                   // N: decided in the current branch
    uint8_t* ConstraintDone;             // per constraint; only during Evaluate
    uint8_t* CurrentMine;                // N: a mine in the current branch
    uint32_t Depth;                      // constraints processed in the branch
    SolutionCounter TotalMines;          // sum of the totals of all solutions
    TArray<CLogicSquare>* Unknowns;      // owned list; the squares are borrowed
    TArray<CLogicSquare>* Constraints;   // owned list; [0] starts the enumeration
    SolutionCounter SolutionCount;       // solutions still counted
    SolutionCounter* MineCount;          // N: solutions with unknown i a mine
    uint32_t MinMines, MaxMines;         // range of totals still counted
    double ExpectedMines;                // expected mines in the group
    SolutionCounter* MineCountByTotal;   // (N+1) rows of N: [t * N + i]
    SolutionCounter* SolutionsByTotal;   // N+1: solutions with total t
    double* WeightByTotal;               // N+1: probability of total t
    uint32_t Size;                       // N, the unknowns at construction

    // Takes both lists over.
    CSquareSolutionSet(TArray<CLogicSquare>* unknowns, TArray<CLogicSquare>* constraints);
    ~CSquareSolutionSet();
    CSquareSolutionSet(const CSquareSolutionSet&) = delete;
    CSquareSolutionSet& operator=(const CSquareSolutionSet&) = delete;

    SolutionCounter& MinesByTotal(uint32_t t, uint32_t i) { return MineCountByTotal[static_cast<size_t>(t) * Size + i]; }

    void Reset(const std::atomic<bool>* stopFlag);
    // Counts every solution of the group. False when stopped or unsolvable.
    bool Evaluate(const std::atomic<bool>* stopFlag);
    // Depth-first search from constraint, one constraint per level, on a
    // stack of its own (the depth does not reach the thread's stack). False
    // only when stopped.
    bool Enumerate(CLogicSquare* constraint);
    // Drops the totals outside [lo, hi]; true when some were dropped and
    // solutions remain.
    bool RestrictMineCount(int32_t lo, int32_t hi);

private:
    void RecordSolution();
    void SetUniformWeights();
};

// Pools solution sets by their number of unknowns, so that the count
// matrices are not allocated afresh in every pass.
class CSquareSolutionSetRecycleBin {
public:
    struct SolutionSetNode {
        CSquareSolutionSet* Set;
        SolutionSetNode* Next;
    };
    static const uint32_t BucketCount = 128;

    SolutionSetNode* Buckets[BucketCount];  // pooled sets by size
    SolutionSetNode* SpareNodes;            // nodes holding no set

    CSquareSolutionSetRecycleBin();
    ~CSquareSolutionSetRecycleBin();
    CSquareSolutionSetRecycleBin(const CSquareSolutionSetRecycleBin&) = delete;
    CSquareSolutionSetRecycleBin& operator=(const CSquareSolutionSetRecycleBin&) = delete;

    // A pooled set gets copies of the lists (the caller keeps them); a new
    // set takes both over and the caller's pointers become null.
    CSquareSolutionSet* Get(TArray<CLogicSquare>*& unknowns, TArray<CLogicSquare>*& constraints);
    void Put(CSquareSolutionSet* set);
    void PutAll(TInstanceArray<CSquareSolutionSet>& list);
};

// The one process-wide pool; used by the player thread only.
extern CSquareSolutionSetRecycleBin RecycleBin;

// Weighs the totals of the groups that are not fixed against the mines left
// for the groups and the interior. Its whole effect is on the groups.
class CConstraintSolutionSets {
public:
    CSquareSolutionSet** Sets;  // the undetermined groups, borrowed
    uint32_t SetCount;          // entries in Sets
    TArray<CLogicSquare>* Interior;  // borrowed
    int32_t MinesToPlace;       // mines for the undetermined groups and the interior
    uint32_t SquaresToFill;     // their unknowns plus the interior squares
    uint32_t DroppedTotals;     // totals no completion of the board allows, dropped
    const std::atomic<bool>* StopFlag;  // not owned, may be null
    bool Completed;             // false when stopped part-way; the weights are then unusable

    CConstraintSolutionSets(TInstanceArray<CSquareSolutionSet>& groups, TArray<CLogicSquare>& interior,
                            int32_t minesLeft, const std::atomic<bool>* stop = nullptr);
    ~CConstraintSolutionSets();
    CConstraintSolutionSets(const CConstraintSolutionSets&) = delete;
    CConstraintSolutionSets& operator=(const CConstraintSolutionSets&) = delete;

    // At most this many combinations of totals are also weighed one by one
    // (a few milliseconds at most). Tests set 0 to check the sums alone.
    static uint64_t DirectLimit;

    // Sets each group's WeightByTotal to the probability of its totals and
    // drops the totals that no completion allows. False when stopped.
    bool Compute();

private:
    void Drop(CSquareSolutionSet* g, uint32_t t);
    // The combinations one by one, adding to WeightByTotal; weight carries
    // the ratios and solution shares of the groups before index.
    double WeighDirect(uint32_t index, uint32_t squaresLeft, double weight, int32_t minesLeft);
};

// The solver's view of the game.
class CLogicMineSweeperBoard {
public:
    CLogicSquare** Squares;                 // Width*Height, owned, column-major
    TArray<CLogicSquare>* ConstraintSquares;  // owned list; squares borrowed
    uint8_t* ConstraintVisited;             // per constraint Index, FindGroups
    uint8_t* UnknownVisited;                // per unknown Index, FindGroups
    TArray<CLogicSquare>* GroupUnknowns;    // scratch, only inside FindGroups
    TArray<CLogicSquare>* GroupConstraints; // scratch, only inside FindGroups
    uint32_t ClosedCount;                   // closed squares
    int32_t MinesNotLocated;                // mines of the game not yet located
    int32_t MinesLeft;                      // working copy for one cycle
    uint32_t Width, Height;
    CLogicSquare*** Columns;                // Columns[x][y]
    uint32_t LargestGroup;                  // most unknowns of a group the last Solve enumerated

    CLogicMineSweeperBoard(uint32_t width, uint32_t height);
    ~CLogicMineSweeperBoard();
    CLogicMineSweeperBoard(const CLogicMineSweeperBoard&) = delete;
    CLogicMineSweeperBoard& operator=(const CLogicMineSweeperBoard&) = delete;

    // Throws the old state away and builds the network from game.
    bool Rebuild(const CMineSweeperBoard* game);
    // Takes in what changed; false when game contradicts the logic board
    // (then Rebuild).
    bool Update(const CMineSweeperBoard* game);
    // Subset reduction and settled constraints until nothing changes. True
    // when a safe square was found and opened. game and face may be null.
    bool ApplySimpleRules(CMineSweeperBoard* game, CMineSweeperInterface* face);
    // Splits the constraints into connected groups; interior gets the closed
    // squares next to no constraint. Always true.
    bool FindGroups(TInstanceArray<CSquareSolutionSet>& sets, TArray<CLogicSquare>& interior);
    // The full decision step. True when a safe square was opened at once;
    // false otherwise, also when stopped through stop.
    bool Solve(CMineSweeperInterface* face, const std::atomic<bool>* stop, CMineSweeperBoard* game);

    CLogicSquare* At(uint32_t x, uint32_t y) const { return Columns[x][y]; }

private:
    void CollectGroup(CLogicSquare* c);
    void LinkConstraint(CLogicSquare* s, const CMineSweeperBoard* game, bool countLogicMines);
};
