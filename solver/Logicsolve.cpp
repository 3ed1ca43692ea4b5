#include "Logicsolve.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "Random.h"

namespace {

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

// Copies a borrowed list so that the destination keeps a valid buffer.
void CopyList(TArray<CLogicSquare>& to, const TArray<CLogicSquare>& from) {
    if (from.Count >= to.Capacity) {
        uint32_t capacity = from.Capacity > from.Count ? from.Capacity : from.Count + 1;
        CLogicSquare** items = new CLogicSquare*[capacity];
        delete[] to.Items;
        to.Items = items;
        to.Capacity = capacity;
    }
    for (uint32_t i = 0; i < from.Count; ++i) to.Items[i] = from.Items[i];
    to.Count = from.Count;
}

}  // namespace

CSquareSolutionSetRecycleBin RecycleBin;

// ---------------------------------------------------------------------------
// Combinations and placement ratios

bool NextCombination(uint32_t* indices, uint32_t n, uint32_t k) {
    if (k == 0 || k > n) return false;
    uint32_t p = k;
    while (p > 0) {
        --p;
        // Position p may hold at most n - k + p.
        if (indices[p] < n - k + p) {
            ++indices[p];
            for (uint32_t q = p + 1; q < k; ++q) indices[q] = indices[q - 1] + 1;
            return true;
        }
    }
    return false;
}

double PlacementRatio(uint32_t n, uint32_t m, uint32_t s, uint32_t k) {
    // C(n - s, m - k) is 0 when the pattern needs more mines, or more safe
    // squares, than there are.
    if (m > n || s > n || k > s || k > m || m - k > n - s) return 0.0;
    double numerator = 1.0, denominator = 1.0, result = 1.0;
    uint32_t step = 0;
    auto take = [&](double num, double den) {
        // Fold every 10 pairs so the running products stay small.
        if (step > 0 && step % 10 == 0) {
            result *= numerator / denominator;
            numerator = denominator = 1.0;
        }
        numerator *= num;
        denominator *= den;
        ++step;
    };
    for (uint32_t j = 0; j < k; ++j) take(double(m - k + 1 + j), double(n - s + 1 + j));
    uint32_t safe = s - k;  // safe squares of the pattern
    for (uint32_t j = 0; j < safe; ++j) take(double((n - m) - safe + 1 + j), double(n - s + k + 1 + j));
    return result * numerator / denominator;
}

// ---------------------------------------------------------------------------
// CSquareSolutionSet

CSquareSolutionSet::CSquareSolutionSet(TArray<CLogicSquare>* unknowns, TArray<CLogicSquare>* constraints)
    : StopFlag(nullptr),
      Assigned(nullptr),
      ConstraintDone(nullptr),
      CurrentMine(nullptr),
      Depth(0),
      TotalMines(0),
      Unknowns(unknowns ? unknowns : new TArray<CLogicSquare>),
      Constraints(constraints ? constraints : new TArray<CLogicSquare>),
      SolutionCount(0),
      MineCount(nullptr),
      MinMines(0),
      MaxMines(0),
      ExpectedMines(0.0),
      MineCountByTotal(nullptr),
      SolutionsByTotal(nullptr),
      WeightByTotal(nullptr),
      Size(Unknowns->Count) {
    size_t n = Size;
    // One total more than the unknowns: harmless, and safe even when a group
    // reaches this class without the fast rules having run first.
    Assigned = new uint8_t[n + 1];
    CurrentMine = new uint8_t[n + 1];
    MineCount = new SolutionCounter[n + 1];
    MineCountByTotal = new SolutionCounter[(n + 1) * (n + 1)];
    SolutionsByTotal = new SolutionCounter[n + 1];
    WeightByTotal = new double[n + 1];
    for (size_t t = 0; t <= n; ++t) WeightByTotal[t] = 0.0;
    MinMines = Size;
}

CSquareSolutionSet::~CSquareSolutionSet() {
    delete Unknowns;
    delete Constraints;
    delete[] Assigned;
    delete[] ConstraintDone;
    delete[] CurrentMine;
    delete[] MineCount;
    delete[] MineCountByTotal;
    delete[] SolutionsByTotal;
    delete[] WeightByTotal;
}

void CSquareSolutionSet::Reset(const std::atomic<bool>* stopFlag) {
    for (uint32_t i = 0; i < Unknowns->Count; ++i) Unknowns->Items[i]->Index = static_cast<int32_t>(i);
    for (uint32_t i = 0; i < Constraints->Count; ++i) Constraints->Items[i]->Index = static_cast<int32_t>(i);
    size_t n = Size;
    std::memset(Assigned, 0, n + 1);
    std::memset(CurrentMine, 0, n + 1);
    std::memset(MineCount, 0, (n + 1) * sizeof(SolutionCounter));
    std::memset(SolutionsByTotal, 0, (n + 1) * sizeof(SolutionCounter));
    std::memset(MineCountByTotal, 0, (n + 1) * (n + 1) * sizeof(SolutionCounter));
    MinMines = Size;
    MaxMines = 0;
    TotalMines = 0;
    SolutionCount = 0;
    ExpectedMines = 0.0;
    Depth = 0;
    StopFlag = stopFlag;
}

void CSquareSolutionSet::SetUniformWeights() {
    double w = 1.0 / double(MaxMines - MinMines + 1);
    for (uint32_t t = MinMines; t <= MaxMines; ++t) WeightByTotal[t] = w;
}

bool CSquareSolutionSet::Evaluate(const std::atomic<bool>* stopFlag) {
    Reset(stopFlag);
    if (Constraints->Count == 0) return false;
    ConstraintDone = new uint8_t[Constraints->Count]();
    bool result = Enumerate(Constraints->Items[0]);
    delete[] ConstraintDone;
    ConstraintDone = nullptr;
    if (SolutionCount == 0) return false;
    ExpectedMines = double(TotalMines) / double(SolutionCount);
    SetUniformWeights();
    return result;
}

namespace {

// One constraint being enumerated: its undecided squares and the choice of
// mines among them that is set now.
struct SEnumFrame {
    CLogicSquare* Constraint;
    CLogicSquare* Free[8];
    uint32_t FreeCount;
    uint32_t Need;         // mines among Free
    uint32_t Chosen[8];    // indices into Free of the mines of this choice
    bool Pending;          // the choice is set but not yet followed
};

}  // namespace

bool CSquareSolutionSet::Enumerate(CLogicSquare* first) {
    // Depth first, one constraint per level, on an explicit stack: a chain
    // of constraints as long as a large board allows must not exhaust the
    // thread's stack.
    std::vector<SEnumFrame> stack;
    stack.reserve(Constraints->Count < 64 ? Constraints->Count + 1 : 64);
    // Enters constraint c with its first choice set; false when c has no
    // choice that fits this branch (or is done already).
    auto enter = [&](CLogicSquare* c) {
        if (ConstraintDone[c->Index]) return false;
        SEnumFrame f;
        f.Constraint = c;
        f.FreeCount = 0;
        int32_t need = c->MinesLeft;
        for (uint32_t i = c->UnknownCount; i-- > 0;) {
            CLogicSquare* u = c->Unknowns[i];
            if (!Assigned[u->Index]) f.Free[f.FreeCount++] = u;
            else if (CurrentMine[u->Index]) --need;
        }
        if (need < 0 || need > static_cast<int32_t>(f.FreeCount)) return false;
        f.Need = static_cast<uint32_t>(need);
        ConstraintDone[c->Index] = 1;
        for (uint32_t i = 0; i < f.FreeCount; ++i) Assigned[f.Free[i]->Index] = 1;
        ++Depth;
        for (uint32_t i = 0; i < f.Need; ++i) {
            f.Chosen[i] = i;
            CurrentMine[f.Free[i]->Index] = 1;
        }
        f.Pending = true;
        stack.push_back(f);
        return true;
    };
    // The next constraint: next to a square just decided, so that
    // contradictions show early; else the first one not done.
    auto next = [&](const SEnumFrame& f) -> CLogicSquare* {
        for (uint32_t i = 0; i < f.FreeCount; ++i) {
            CLogicSquare* u = f.Free[i];
            for (uint32_t j = u->ConstraintCount; j-- > 0;) {
                CLogicSquare* c2 = u->Constraints[j];
                if (!ConstraintDone[c2->Index]) return c2;
            }
        }
        for (uint32_t i = 0; i < Constraints->Count; ++i) {
            CLogicSquare* c2 = Constraints->Items[i];
            if (!ConstraintDone[c2->Index]) return c2;
        }
        return nullptr;
    };

    if (Stopped(StopFlag)) return false;
    enter(first);
    while (!stack.empty()) {
        SEnumFrame& f = stack.back();
        if (f.Pending) {
            f.Pending = false;
            if (Depth == Constraints->Count) {
                RecordSolution();
            } else if (CLogicSquare* c2 = next(f)) {
                // Every constraint entered reads the stop request.
                if (Stopped(StopFlag)) return false;
                if (enter(c2)) continue;
            }
        }
        // This choice is followed to its end: take the next one, or leave.
        SEnumFrame& top = stack.back();
        for (uint32_t i = 0; i < top.Need; ++i) CurrentMine[top.Free[top.Chosen[i]]->Index] = 0;
        if (top.Need > 0 && NextCombination(top.Chosen, top.FreeCount, top.Need)) {
            for (uint32_t i = 0; i < top.Need; ++i) CurrentMine[top.Free[top.Chosen[i]]->Index] = 1;
            top.Pending = true;
            continue;
        }
        for (uint32_t i = 0; i < top.FreeCount; ++i) Assigned[top.Free[i]->Index] = 0;
        --Depth;
        ConstraintDone[top.Constraint->Index] = 0;
        stack.pop_back();
    }
    return true;
}

void CSquareSolutionSet::RecordSolution() {
    uint32_t t = 0;
    for (uint32_t i = 0; i < Size; ++i) t += CurrentMine[i];
    for (uint32_t i = 0; i < Size; ++i) {
        if (!CurrentMine[i]) continue;
        ++MineCount[i];
        ++MinesByTotal(t, i);
    }
    TotalMines += t;
    ++SolutionCount;
    ++SolutionsByTotal[t];
    if (t < MinMines) MinMines = t;
    if (t > MaxMines) MaxMines = t;
}

bool CSquareSolutionSet::RestrictMineCount(int32_t lo, int32_t hi) {
    int64_t minMines = MinMines, maxMines = MaxMines;
    if (lo > maxMines || hi < minMines) return false;
    if (lo <= minMines && hi >= maxMines) return false;
    uint32_t newMin = static_cast<uint32_t>(lo > minMines ? lo : minMines);
    uint32_t newMax = static_cast<uint32_t>(hi < maxMines ? hi : maxMines);
    auto drop = [&](uint32_t t) {
        SolutionCount -= SolutionsByTotal[t];
        TotalMines -= SolutionCounter(t) * SolutionsByTotal[t];
        for (uint32_t i = 0; i < Size; ++i) MineCount[i] -= MinesByTotal(t, i);
    };
    for (uint32_t t = MinMines; t < newMin; ++t) drop(t);
    for (uint32_t t = MaxMines; t > newMax; --t) drop(t);
    MinMines = newMin;
    MaxMines = newMax;
    if (SolutionCount == 0) return false;
    ExpectedMines = double(TotalMines) / double(SolutionCount);
    SetUniformWeights();
    return true;
}

// ---------------------------------------------------------------------------
// CSquareSolutionSetRecycleBin

CSquareSolutionSetRecycleBin::CSquareSolutionSetRecycleBin() : Buckets(), SpareNodes(nullptr) {}

CSquareSolutionSetRecycleBin::~CSquareSolutionSetRecycleBin() {
    for (uint32_t b = BucketCount; b-- > 0;) {
        while (SolutionSetNode* node = Buckets[b]) {
            Buckets[b] = node->Next;
            delete node->Set;
            delete node;
        }
    }
    while (SolutionSetNode* node = SpareNodes) {
        SpareNodes = node->Next;
        delete node;
    }
}

CSquareSolutionSet* CSquareSolutionSetRecycleBin::Get(TArray<CLogicSquare>*& unknowns,
                                                      TArray<CLogicSquare>*& constraints) {
    uint32_t n = unknowns ? unknowns->Count : 0;
    if (unknowns && constraints && n < BucketCount && Buckets[n]) {
        SolutionSetNode* node = Buckets[n];
        Buckets[n] = node->Next;
        CSquareSolutionSet* set = node->Set;
        node->Set = nullptr;
        node->Next = SpareNodes;
        SpareNodes = node;
        CopyList(*set->Unknowns, *unknowns);
        CopyList(*set->Constraints, *constraints);
        return set;
    }
    CSquareSolutionSet* set = new CSquareSolutionSet(unknowns, constraints);
    unknowns = nullptr;
    constraints = nullptr;
    return set;
}

void CSquareSolutionSetRecycleBin::Put(CSquareSolutionSet* set) {
    if (!set) return;
    uint32_t n = set->Unknowns->Count;
    // A set is only reused for its own size: its arrays were sized for it.
    if (n >= BucketCount || n != set->Size) {
        delete set;
        return;
    }
    SolutionSetNode* node = SpareNodes;
    if (node) SpareNodes = node->Next;
    else node = new SolutionSetNode;
    node->Set = set;
    node->Next = Buckets[n];
    Buckets[n] = node;
}

void CSquareSolutionSetRecycleBin::PutAll(TInstanceArray<CSquareSolutionSet>& list) {
    for (uint32_t i = list.Count; i-- > 0;) Put(list.RemoveAt(i));
}

// ---------------------------------------------------------------------------
// CConstraintSolutionSets

namespace {

// A non-negative number as Mantissa * 2^Exponent with a wide exponent: the
// weight of one completion of a large board is a long product of small
// ratios, far below the smallest double, yet still not zero.
struct SWide {
    double Mantissa;
    int64_t Exponent;
};

const SWide WideZero = {0.0, 0};

SWide Wide(double v) {
    int e = 0;
    double m = std::frexp(v, &e);
    return SWide{m, m == 0.0 ? 0 : e};
}

SWide Mul(SWide a, SWide b) {
    if (a.Mantissa == 0.0 || b.Mantissa == 0.0) return WideZero;
    int e = 0;
    double m = std::frexp(a.Mantissa * b.Mantissa, &e);
    return SWide{m, a.Exponent + b.Exponent + e};
}

// Scales 2^shift for shift <= 0; far below any double it is simply 0.
double Shifted(double m, int64_t shift) { return std::ldexp(m, static_cast<int>(shift < -4000 ? -4000 : shift)); }

SWide Add(SWide a, SWide b) {
    if (a.Mantissa == 0.0) return b;
    if (b.Mantissa == 0.0) return a;
    if (a.Exponent < b.Exponent) std::swap(a, b);
    int e = 0;
    double m = std::frexp(a.Mantissa + Shifted(b.Mantissa, b.Exponent - a.Exponent), &e);
    return SWide{m, a.Exponent + e};
}

// a / b as a plain double (b not zero); 0.0 only when a is zero or too small
// beside b to show.
double Ratio(SWide a, SWide b) {
    if (a.Mantissa == 0.0) return 0.0;
    int64_t shift = a.Exponent - b.Exponent;
    if (shift > 4000) shift = 4000;
    return Shifted(a.Mantissa / b.Mantissa, shift);
}

// Weights indexed by a count of mines over [Low, Low + size).
struct SWideRow {
    int64_t Low = 0;
    std::vector<SWide> Values;
    SWide At(int64_t m) const {
        return m < Low || m >= Low + static_cast<int64_t>(Values.size()) ? WideZero : Values[static_cast<size_t>(m - Low)];
    }
};

}  // namespace

CConstraintSolutionSets::CConstraintSolutionSets(TInstanceArray<CSquareSolutionSet>& groups,
                                                 TArray<CLogicSquare>& interior, int32_t minesLeft,
                                                 const std::atomic<bool>* stop)
    : Sets(new CSquareSolutionSet*[groups.Count + 1]),
      SetCount(0),
      Interior(&interior),
      MinesToPlace(minesLeft),
      SquaresToFill(0),
      DroppedTotals(0),
      StopFlag(stop),
      Completed(false) {
    for (uint32_t i = groups.Count; i-- > 0;) {
        CSquareSolutionSet* g = groups.Items[i];
        if (g->MinMines == g->MaxMines) {
            MinesToPlace -= static_cast<int32_t>(g->MinMines);
        } else {
            SquaresToFill += g->Unknowns->Count;
            Sets[SetCount++] = g;
        }
    }
    SquaresToFill += interior.Count;
    Completed = Compute();
}

CConstraintSolutionSets::~CConstraintSolutionSets() { delete[] Sets; }

uint64_t CConstraintSolutionSets::DirectLimit = 1u << 14;

bool CConstraintSolutionSets::Compute() {
    // The weight of a completion of the board is the product of each
    // group's share of solutions with its total, times the placements of the
    // mines left among the interior squares. Every group's weight of total t
    // is the sum over the completions that give it t: the groups before it
    // are summed up front (Before, by mines used), those after it and the
    // interior from behind (After, by mines left for them), so the work is
    // polynomial in the number of groups. A total is dropped only when no
    // completion gives it, which the wide numbers tell exactly.
    const uint32_t k = SetCount;
    const int64_t mines = MinesToPlace;
    for (uint32_t j = 0; j < k; ++j) {
        CSquareSolutionSet* g = Sets[j];
        double uniform = 1.0 / double(g->MaxMines - g->MinMines + 1);
        // More mines placed than the game has (an inconsistent board): no
        // completion fits, the totals stay as they are.
        for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) g->WeightByTotal[t] = mines < 0 ? uniform : 0.0;
    }
    if (mines < 0) return true;
    auto share = [](const CSquareSolutionSet* g, uint32_t t) {
        if (g->SolutionsByTotal[t] == 0 || g->SolutionCount == 0) return WideZero;
        return Wide(double(g->SolutionsByTotal[t]) / double(g->SolutionCount));
    };
    auto clampMines = [mines](int64_t m) { return m < 0 ? 0 : m > mines ? mines : m; };

    // Before[j]: the groups 0 .. j-1, by the mines they hold.
    std::vector<SWideRow> before(k + 1);
    before[0].Values.assign(1, Wide(1.0));
    for (uint32_t j = 0; j < k; ++j) {
        if (Stopped(StopFlag)) return false;
        const CSquareSolutionSet* g = Sets[j];
        const SWideRow& from = before[j];
        SWideRow& to = before[j + 1];
        int64_t low = clampMines(from.Low + g->MinMines);
        int64_t high = clampMines(from.Low + int64_t(from.Values.size()) - 1 + g->MaxMines);
        to.Low = low;
        to.Values.assign(static_cast<size_t>(high - low + 1), WideZero);
        for (int64_t a = low; a <= high; ++a) {
            SWide sum = WideZero;
            for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) sum = Add(sum, Mul(from.At(a - t), share(g, t)));
            to.Values[static_cast<size_t>(a - low)] = sum;
        }
    }

    // After[j]: the groups j .. k-1 and the interior, by the mines left for
    // them. Only the counts that the groups before can leave are kept.
    std::vector<SWideRow> after(k + 1);
    auto leftRange = [&](uint32_t j, int64_t& low, int64_t& high) {
        low = mines - (before[j].Low + int64_t(before[j].Values.size()) - 1);
        high = mines - before[j].Low;
        if (low < 0) low = 0;
    };
    {
        int64_t low, high;
        leftRange(k, low, high);
        uint32_t squares = Interior->Count;
        if (high > squares) high = squares;
        SWideRow& row = after[k];
        row.Low = low;
        if (high >= low) {
            // C(squares, m) up to a common factor that cancels, built by
            // ratios from the lowest count up.
            row.Values.assign(static_cast<size_t>(high - low + 1), WideZero);
            SWide c = Wide(1.0);
            for (int64_t m = low; m <= high; ++m) {
                row.Values[static_cast<size_t>(m - low)] = c;
                c = Mul(c, Wide(double(int64_t(squares) - m) / double(m + 1)));
            }
        }
    }
    for (uint32_t j = k; j-- > 0;) {
        if (Stopped(StopFlag)) return false;
        const CSquareSolutionSet* g = Sets[j];
        int64_t low, high;
        leftRange(j, low, high);
        SWideRow& row = after[j];
        row.Low = low;
        if (high >= low) row.Values.assign(static_cast<size_t>(high - low + 1), WideZero);
        for (int64_t m = low; m <= high; ++m) {
            SWide sum = WideZero;
            for (uint32_t t = g->MinMines; t <= g->MaxMines && t <= m; ++t)
                sum = Add(sum, Mul(share(g, t), after[j + 1].At(m - t)));
            row.Values[static_cast<size_t>(m - low)] = sum;
        }
    }

    std::vector<std::vector<SWide>> weights(k);
    std::vector<SWide> sums(k, WideZero);
    for (uint32_t j = k; j-- > 0;) {
        if (Stopped(StopFlag)) return false;
        CSquareSolutionSet* g = Sets[j];
        const SWideRow& front = before[j];
        std::vector<SWide>& weight = weights[j];
        weight.assign(g->MaxMines - g->MinMines + 1, WideZero);
        for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) {
            SWide w = WideZero;
            SWide s = share(g, t);
            if (s.Mantissa != 0.0)
                for (size_t i = 0; i < front.Values.size(); ++i) {
                    int64_t used = front.Low + int64_t(i);
                    w = Add(w, Mul(front.Values[i], after[j + 1].At(mines - used - t)));
                }
            w = Mul(w, s);
            weight[t - g->MinMines] = w;
            sums[j] = Add(sums[j], w);
        }
    }

    // Few combinations of totals: weigh them one by one in plain doubles as
    // well, so that the weights (and the ties between squares that rest on
    // them) come out to the last bit as they always have, unless a product
    // rounded to zero where a completion exists.
    uint64_t combinations = 1;
    for (uint32_t j = 0; j < k && combinations <= DirectLimit && DirectLimit > 0; ++j)
        combinations *= uint64_t(Sets[j]->MaxMines - Sets[j]->MinMines + 1);
    if (DirectLimit > 0 && combinations <= DirectLimit) {
        WeighDirect(0, SquaresToFill, 1.0, MinesToPlace);
        if (Stopped(StopFlag)) return false;
        bool faithful = true;
        for (uint32_t j = 0; j < k && faithful; ++j) {
            const CSquareSolutionSet* g = Sets[j];
            for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t)
                if (g->SolutionsByTotal[t] != 0 &&
                    (g->WeightByTotal[t] == 0.0) != (weights[j][t - g->MinMines].Mantissa == 0.0))
                    faithful = false;
        }
        if (faithful) {
            for (uint32_t j = k; j-- > 0;) {
                CSquareSolutionSet* g = Sets[j];
                double sum = 0.0;
                for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) sum += g->WeightByTotal[t];
                if (!(sum > 0.0) || !std::isfinite(sum)) {
                    // No completion fits the mine count (an inconsistent
                    // board): keep the group's totals as they were rather
                    // than divide by zero.
                    for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t)
                        g->WeightByTotal[t] = 1.0 / double(g->MaxMines - g->MinMines + 1);
                    continue;
                }
                for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t)
                    if (g->WeightByTotal[t] == 0.0) Drop(g, t);
                double expected = 0.0;
                for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) {
                    g->WeightByTotal[t] /= sum;
                    expected += double(t) * g->WeightByTotal[t];
                }
                g->ExpectedMines = expected;
            }
            return true;
        }
    }

    for (uint32_t j = k; j-- > 0;) {
        CSquareSolutionSet* g = Sets[j];
        const SWide sum = sums[j];
        if (sum.Mantissa == 0.0) {
            for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t)
                g->WeightByTotal[t] = 1.0 / double(g->MaxMines - g->MinMines + 1);
            continue;
        }
        double expected = 0.0;
        for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) {
            SWide w = weights[j][t - g->MinMines];
            if (w.Mantissa == 0.0) Drop(g, t);
            g->WeightByTotal[t] = Ratio(w, sum);
            expected += double(t) * g->WeightByTotal[t];
        }
        g->ExpectedMines = expected;
    }
    return true;
}

void CConstraintSolutionSets::Drop(CSquareSolutionSet* g, uint32_t t) {
    if (g->SolutionsByTotal[t] == 0) return;
    g->SolutionCount -= g->SolutionsByTotal[t];
    for (uint32_t i = 0; i < g->Size; ++i) g->MineCount[i] -= g->MinesByTotal(t, i);
    g->SolutionsByTotal[t] = 0;
    ++DroppedTotals;
}

double CConstraintSolutionSets::WeighDirect(uint32_t index, uint32_t squaresLeft, double weight, int32_t minesLeft) {
    if (minesLeft < 0) return 0.0;
    if (index >= SetCount) return static_cast<uint32_t>(minesLeft) <= Interior->Count ? weight : 0.0;
    if (static_cast<uint32_t>(minesLeft) > squaresLeft || Stopped(StopFlag)) return 0.0;
    CSquareSolutionSet* g = Sets[index];
    uint32_t s = g->Unknowns->Count;
    double total = 0.0;
    for (uint32_t t = g->MinMines; t <= g->MaxMines && t <= static_cast<uint32_t>(minesLeft); ++t) {
        if (g->SolutionsByTotal[t] == 0) continue;
        // The group's share of solutions with this total goes down with the
        // weight, so every group's weight counts the solutions of all groups.
        double share = double(g->SolutionsByTotal[t]) / double(g->SolutionCount);
        double r = PlacementRatio(squaresLeft, static_cast<uint32_t>(minesLeft), s, t) * weight * share;
        double v = WeighDirect(index + 1, squaresLeft - s, r, minesLeft - static_cast<int32_t>(t));
        total += v;
        g->WeightByTotal[t] += v;
    }
    return total;
}

// ---------------------------------------------------------------------------
// CLogicMineSweeperBoard: building and updating

CLogicMineSweeperBoard::CLogicMineSweeperBoard(uint32_t width, uint32_t height)
    : Squares(nullptr),
      ConstraintSquares(new TArray<CLogicSquare>),
      ConstraintVisited(nullptr),
      UnknownVisited(nullptr),
      GroupUnknowns(nullptr),
      GroupConstraints(nullptr),
      ClosedCount(0),
      MinesNotLocated(0),
      MinesLeft(0),
      Width(width),
      Height(height),
      Columns(nullptr),
      LargestGroup(0) {
    size_t n = static_cast<size_t>(width) * height;
    Squares = new CLogicSquare*[n + 1];
    Columns = new CLogicSquare**[width + 1];
    for (uint32_t x = 0; x < width; ++x) {
        Columns[x] = Squares + static_cast<size_t>(x) * height;
        for (uint32_t y = 0; y < height; ++y) {
            CLogicSquare* s = new CLogicSquare(x, y);
            s->Left = x > 0 ? x - 1 : 0;
            s->Top = y > 0 ? y - 1 : 0;
            s->Right = x + 2 < width ? x + 2 : width;
            s->Bottom = y + 2 < height ? y + 2 : height;
            Columns[x][y] = s;
        }
    }
    ConstraintVisited = new uint8_t[n + 1]();
    UnknownVisited = new uint8_t[n + 1]();
}

CLogicMineSweeperBoard::~CLogicMineSweeperBoard() {
    size_t n = static_cast<size_t>(Width) * Height;
    for (size_t i = 0; i < n; ++i) delete Squares[i];
    delete GroupUnknowns;
    delete GroupConstraints;
    delete ConstraintSquares;
    delete[] ConstraintVisited;
    delete[] UnknownVisited;
    delete[] Columns;
    delete[] Squares;
}

void CLogicMineSweeperBoard::LinkConstraint(CLogicSquare* s, const CMineSweeperBoard* game, bool countLogicMines) {
    int32_t number = game->GetColumn(s->X)[s->Y].Number;
    s->Number = number;
    s->MinesLeft = number;
    bool linked = false;
    for (uint32_t x = s->Left; x < s->Right; ++x) {
        const SMineSweeperSquare* column = game->GetColumn(x);
        for (uint32_t y = s->Top; y < s->Bottom; ++y) {
            const SMineSweeperSquare& g = column[y];
            if (g.Opened) continue;
            CLogicSquare* n = Columns[x][y];
            if (g.Mine || (countLogicMines && n->IsMine)) {
                --s->MinesLeft;
            } else {
                s->AddUnknown(n);
                n->AddConstraint(s);
                linked = true;
            }
        }
    }
    if (linked) ConstraintSquares->Add(s);
}

bool CLogicMineSweeperBoard::Rebuild(const CMineSweeperBoard* game) {
    if (!game || game->Width != Width || game->Height != Height) return false;
    ConstraintSquares->Count = 0;
    ClosedCount = 0;
    MinesNotLocated = game->MinesLeft;
    size_t n = static_cast<size_t>(Width) * Height;
    for (size_t i = 0; i < n; ++i) {
        Squares[i]->ClearConstraints();
        Squares[i]->ClearUnknowns();
    }
    for (uint32_t y = Height; y-- > 0;) {
        for (uint32_t x = Width; x-- > 0;) {
            CLogicSquare* s = Columns[x][y];
            const SMineSweeperSquare& g = game->GetColumn(x)[y];
            s->IsOpen = g.Opened != 0;
            s->IsMine = g.Mine != 0;
            s->Number = -1;
            if (g.Opened) {
                if (g.Number >= 0) LinkConstraint(s, game, false);
                // An opened square whose number the screen did not show yet
                // stays unsettled, so that Update links its number later.
                s->IsSettled = g.Number >= 0;
            } else {
                s->Index = static_cast<int32_t>(ClosedCount++);
                // A flag is already counted by the game's counter; left
                // unsettled, the next Update would count its mine again.
                s->IsSettled = g.Mine != 0;
            }
        }
    }
    MinesLeft = MinesNotLocated;
    return true;
}

bool CLogicMineSweeperBoard::Update(const CMineSweeperBoard* game) {
    if (!game || game->Width != Width || game->Height != Height) return false;
    int32_t closed = 0;
    for (uint32_t y = Height; y-- > 0;) {
        for (uint32_t x = Width; x-- > 0;) {
            CLogicSquare* s = Columns[x][y];
            const SMineSweeperSquare& g = game->GetColumn(x)[y];
            if (g.Opened) {
                // Open in the game, a mine here: the boards disagree.
                if (s->IsMine) return false;
                if (!s->IsSettled) {
                    for (uint32_t i = s->ConstraintCount; i-- > 0;) s->Constraints[i]->RemoveUnknown(s);
                    s->ClearConstraints();
                    // Without its number (not drawn yet) the square stays
                    // unsettled: the number is linked once a read shows it.
                    if (g.Number >= 0) {
                        LinkConstraint(s, game, true);
                        s->IsSettled = true;
                    }
                } else if (g.Number >= 0 && g.Number != s->Number) {
                    // The game never changes a number it has shown: one of
                    // the two reads was wrong (a pressed square taken for a
                    // 0, a picture half drawn). Read afresh and rebuild.
                    return false;
                }
                s->IsOpen = true;
            } else if (s->IsOpen) {
                return false;
            } else {
                s->Index = closed++;
                if ((g.Mine && !s->IsMine) || (s->IsMine && !s->IsSettled)) {
                    s->IsMine = true;
                    for (uint32_t i = s->ConstraintCount; i-- > 0;) {
                        CLogicSquare* c = s->Constraints[i];
                        --c->MinesLeft;
                        c->RemoveUnknown(s);
                    }
                    s->ClearConstraints();
                    s->IsSettled = true;
                    --MinesNotLocated;
                }
            }
        }
    }
    ClosedCount = static_cast<uint32_t>(closed);
    MinesLeft = MinesNotLocated;
    return true;
}

// ---------------------------------------------------------------------------
// Fast rules and groups

bool CLogicMineSweeperBoard::ApplySimpleRules(CMineSweeperBoard* game, CMineSweeperInterface* face) {
    bool opened = false;
    TArray<CLogicSquare>& list = *ConstraintSquares;
    bool changed = true;
    while (changed) {
        changed = false;
        for (uint32_t i = list.Count; i-- > 0;)
            for (uint32_t j = i; j-- > 0;)
                if (list.Items[i]->ReduceWith(list.Items[j])) changed = true;

        for (uint32_t i = list.Count; i-- > 0;) {
            CLogicSquare* c = list.Items[i];
            c->Index = static_cast<int32_t>(i);
            if (c->UnknownCount == 0) {
                // Only a misread board leaves mines on a constraint with no
                // squares: nothing can satisfy it, so it is dropped, not kept
                // to be reduced against forever.
                list.RemoveUnordered(i);
                changed = true;
                continue;
            }
            if (c->MinesLeft != 0 && c->MinesLeft != static_cast<int32_t>(c->UnknownCount)) continue;
            changed = true;
            for (uint32_t k = c->UnknownCount; k-- > 0;) {
                CLogicSquare* u = c->Unknowns[k];
                u->RemoveConstraint(c);
                if (c->MinesLeft != 0) {
                    if (face) face->DoAction(u->X, u->Y, 1.0, CMineSweeperInterface::Flag);
                    if (game) game->MarkMine(u->X, u->Y);
                    u->MineProbability = 1.0;
                    u->IsMine = true;
                    --MinesLeft;
                    for (uint32_t m = u->ConstraintCount; m-- > 0;) {
                        CLogicSquare* c2 = u->Constraints[m];
                        c2->RemoveUnknown(u);
                        --c2->MinesLeft;
                    }
                } else {
                    if (face) face->DoAction(u->X, u->Y, 1.0, CMineSweeperInterface::Open);
                    if (game) game->MarkOpened(u->X, u->Y);
                    u->MineProbability = 0.0;
                    u->IsOpen = true;
                    u->MinesLeft = -1;
                    opened = true;
                    for (uint32_t m = u->ConstraintCount; m-- > 0;) u->Constraints[m]->RemoveUnknown(u);
                }
                u->ClearConstraints();
            }
            c->ClearUnknowns();
            list.RemoveUnordered(i);
        }
    }
    return opened;
}

void CLogicMineSweeperBoard::CollectGroup(CLogicSquare* seed) {
    // Depth first as a recursion would go, but on an explicit stack: a long
    // chain of constraints on a large custom board must not exhaust the
    // thread's stack.
    struct SFrame {
        CLogicSquare* C;  // constraint being walked
        uint32_t U;       // unknowns of C still to look at (walked downwards)
        CLogicSquare* Unknown;  // unknown whose constraints are being walked
        uint32_t K;       // constraints of Unknown still to look at
    };
    SFrame* stack = new SFrame[ConstraintSquares->Count + 1];
    uint32_t depth = 0;
    auto enter = [&](CLogicSquare* c) {
        ConstraintVisited[c->Index] = 1;
        GroupConstraints->Add(c);
        stack[depth++] = SFrame{c, c->UnknownCount, nullptr, 0};
    };
    enter(seed);
    while (depth > 0) {
        SFrame& f = stack[depth - 1];
        if (f.Unknown) {
            CLogicSquare* next = nullptr;
            while (f.K > 0) {
                CLogicSquare* c2 = f.Unknown->Constraints[--f.K];
                if (!ConstraintVisited[c2->Index]) {
                    next = c2;
                    break;
                }
            }
            if (next) {
                enter(next);
                continue;
            }
            f.Unknown = nullptr;
        }
        if (f.U == 0) {
            --depth;
            continue;
        }
        CLogicSquare* u = f.C->Unknowns[--f.U];
        if (UnknownVisited[u->Index]) continue;
        GroupUnknowns->Add(u);
        UnknownVisited[u->Index] = 1;
        f.Unknown = u;
        f.K = u->ConstraintCount;
    }
    delete[] stack;
}

bool CLogicMineSweeperBoard::FindGroups(TInstanceArray<CSquareSolutionSet>& sets, TArray<CLogicSquare>& interior) {
    sets.Clear();
    interior.Count = 0;
    std::memset(ConstraintVisited, 0, ConstraintSquares->Count);
    std::memset(UnknownVisited, 0, static_cast<size_t>(Width) * Height);
    auto fresh = [this]() {
        if (!GroupUnknowns) GroupUnknowns = new TArray<CLogicSquare>;
        if (!GroupConstraints) GroupConstraints = new TArray<CLogicSquare>;
        GroupUnknowns->Count = 0;
        GroupConstraints->Count = 0;
    };
    fresh();
    for (uint32_t i = ConstraintSquares->Count; i-- > 0;) {
        if (ConstraintVisited[i]) continue;
        CollectGroup(ConstraintSquares->Items[i]);
        sets.Add(RecycleBin.Get(GroupUnknowns, GroupConstraints));
        fresh();
    }
    for (uint32_t x = Width; x-- > 0;)
        for (uint32_t y = Height; y-- > 0;) {
            CLogicSquare* s = Columns[x][y];
            if (!s->IsOpen && !s->IsMine && !s->HasConstraints) interior.Add(s);
        }
    delete GroupUnknowns;
    delete GroupConstraints;
    GroupUnknowns = nullptr;
    GroupConstraints = nullptr;
    return true;
}

// ---------------------------------------------------------------------------
// The solving pass

namespace {

struct SSolvePass {
    CMineSweeperInterface* Face;
    CMineSweeperBoard* Game;
    TArray<CLogicSquare>* Candidates;
    double BestProbability;
    bool Progress;

    void Safe(CLogicSquare* s) {
        s->MineProbability = 0.0;
        if (Face && Face->DoAction(s->X, s->Y, 1.0, CMineSweeperInterface::Open)) Progress = true;
        if (Game) Game->MarkOpened(s->X, s->Y);
        // Opened as far as the logic board goes: a later read that still
        // shows it covered is stale, and Update refuses it.
        s->IsOpen = true;
        s->MinesLeft = -1;
        BestProbability = 0.0;
        Candidates->Count = 0;
    }
    void Mine(CLogicSquare* s) {
        s->MineProbability = 1.0;
        s->IsMine = true;
        if (Face) Face->DoAction(s->X, s->Y, 1.0, CMineSweeperInterface::Flag);
        if (Game) Game->MarkMine(s->X, s->Y);
    }
};

int32_t ClampToInt32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

// A square that a dropped total alone made safe: its mine count is now 0
// but the dropped row still counts it.
bool BecameSafe(CSquareSolutionSet* g, uint32_t i) {
    if (g->MineCount[i] != 0) return false;
    for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t)
        if (g->SolutionsByTotal[t] == 0 && g->MinesByTotal(t, i) != 0) return true;
    return false;
}

}  // namespace

bool CLogicMineSweeperBoard::Solve(CMineSweeperInterface* face, const std::atomic<bool>* stop,
                                   CMineSweeperBoard* game) {
    if (ApplySimpleRules(game, face)) return true;

    TInstanceArray<CSquareSolutionSet>* groups = new TInstanceArray<CSquareSolutionSet>;
    TArray<CLogicSquare>* interior = new TArray<CLogicSquare>;
    TArray<CLogicSquare>* candidates = new TArray<CLogicSquare>;
    FindGroups(*groups, *interior);
    SSolvePass pass{face, game, candidates, 1.0, false};
    int64_t sumMin = 0, sumMax = 0;
    int64_t remaining = MinesLeft;
    auto finish = [&]() {
        RecycleBin.PutAll(*groups);
        delete groups;
        delete interior;
        delete candidates;
    };

    // Exact pass.
    bool misread = false;
    LargestGroup = 0;
    for (uint32_t k = groups->Count; k-- > 0;) {
        CSquareSolutionSet* g = groups->Items[k];
        if (g->Size > LargestGroup) LargestGroup = g->Size;
        bool solved = g->Evaluate(stop);
        if (Stopped(stop)) {
            finish();
            return false;
        }
        if (!solved) {
            // No layout satisfies this group (a misread board): its squares
            // are neither safe nor mines, and its mines are missing from the
            // count, so nothing may be drawn from the count in this pass.
            RecycleBin.Put(groups->RemoveAt(k));
            misread = true;
            continue;
        }
        sumMin += g->MinMines;
        sumMax += g->MaxMines;
        for (uint32_t i = g->Unknowns->Count; i-- > 0;) {
            CLogicSquare* s = g->Unknowns->Items[i];
            if (g->MineCount[i] == 0) pass.Safe(s);
            else if (g->MineCount[i] == g->SolutionCount) pass.Mine(s);
        }
    }

    if (misread) {
        // The certainties of the other groups stand; the count, the weights
        // and a guess wait for the next read of the board.
        finish();
        return pass.Progress;
    }

    // Global mine count.
    int64_t interiorCount = interior->Count;
    bool allFixed = true;
    for (bool changed = true; changed;) {
        changed = false;
        allFixed = true;
        for (uint32_t k = groups->Count; k-- > 0;) {
            CSquareSolutionSet* g = groups->Items[k];
            int64_t lo = remaining - sumMax + g->MaxMines - interiorCount;
            int64_t hi = remaining - sumMin + g->MinMines;
            int64_t oldMin = g->MinMines, oldMax = g->MaxMines;
            if (g->RestrictMineCount(ClampToInt32(lo), ClampToInt32(hi))) {
                changed = true;
                sumMin += int64_t(g->MinMines) - oldMin;
                sumMax += int64_t(g->MaxMines) - oldMax;
                for (uint32_t i = g->Unknowns->Count; i-- > 0;) {
                    CLogicSquare* s = g->Unknowns->Items[i];
                    if (g->MineCount[i] == 0) pass.Safe(s);
                    else if (g->MineCount[i] == g->SolutionCount && !s->IsMine) pass.Mine(s);
                }
            }
            if (g->MinMines != g->MaxMines) allFixed = false;
        }
    }

    // Interior by count, or weighing of the totals.
    if (allFixed && interior->Count > 0) {
        if (remaining == sumMin) {
            for (uint32_t i = interior->Count; i-- > 0;) pass.Safe(interior->Items[i]);
            interior->Count = 0;
        } else if (interiorCount == remaining - sumMin) {
            for (uint32_t i = interior->Count; i-- > 0;) pass.Mine(interior->Items[i]);
            interior->Count = 0;
        }
    } else if (!pass.Progress && !allFixed && remaining >= 1) {
        CConstraintSolutionSets* weighing =
            new CConstraintSolutionSets(*groups, *interior, static_cast<int32_t>(remaining), stop);
        bool dropped = weighing->DroppedTotals > 0;
        bool completed = weighing->Completed;
        delete weighing;
        if (!completed) {
            finish();
            return false;
        }
        if (dropped) {
            // A total that no completion of the board allows was dropped; the
            // squares that settles are as certain as those found above.
            for (uint32_t k = groups->Count; k-- > 0;) {
                CSquareSolutionSet* g = groups->Items[k];
                for (uint32_t i = g->Unknowns->Count; i-- > 0;) {
                    CLogicSquare* s = g->Unknowns->Items[i];
                    if (BecameSafe(g, i)) pass.Safe(s);
                    else if (g->SolutionCount > 0 && g->MineCount[i] == g->SolutionCount && !s->IsMine) pass.Mine(s);
                }
            }
        }
    }

    if (!pass.Progress) {
        // Frontier probabilities.
        double expectedInterior = static_cast<double>(remaining);
        for (uint32_t k = groups->Count; k-- > 0;) {
            CSquareSolutionSet* g = groups->Items[k];
            expectedInterior -= g->ExpectedMines;
            for (uint32_t i = g->Unknowns->Count; i-- > 0;) {
                if (g->MineCount[i] == 0 || g->MineCount[i] == g->SolutionCount) continue;
                CLogicSquare* s = g->Unknowns->Items[i];
                double p = 0.0;
                for (uint32_t t = g->MinMines; t <= g->MaxMines; ++t) {
                    if (g->SolutionsByTotal[t] == 0) continue;
                    p += double(g->MinesByTotal(t, i)) / double(g->SolutionsByTotal[t]) * g->WeightByTotal[t];
                }
                s->MineProbability = p;
                if (p < pass.BestProbability) {
                    candidates->Count = 0;
                    candidates->Add(s);
                    pass.BestProbability = p;
                } else if (p == pass.BestProbability) {
                    candidates->Add(s);
                }
            }
        }

        // Interior guess: prefer the interior when its average is lower, and
        // there the square next to the fewest unexplored squares.
        if (interior->Count > 0 && expectedInterior >= 0.0 &&
            expectedInterior / double(interior->Count) < pass.BestProbability) {
            double interiorProbability = static_cast<size_t>(interior->Count) == static_cast<size_t>(Width) * Height
                                             ? 0.0
                                             : expectedInterior / double(interior->Count);
            TArray<CLogicSquare>* best = new TArray<CLogicSquare>;
            uint32_t bestCount = 8;
            double bestSum = 8.0;
            for (uint32_t i = interior->Count; i-- > 0;) {
                CLogicSquare* s = interior->Items[i];
                uint32_t count = 0;
                double sum = 0.0;
                for (uint32_t y = s->Top; y < s->Bottom; ++y)
                    for (uint32_t x = s->Left; x < s->Right; ++x) {
                        CLogicSquare* n = Columns[x][y];
                        if (!n->IsOpen && !n->HasConstraints) ++count;
                        else sum += n->MineProbability;
                    }
                --count;
                s->MineProbability = std::pow(interiorProbability, 1.1);
                if (s->MineProbability > pass.BestProbability) continue;
                if (s->MineProbability < pass.BestProbability) {
                    best->Count = 0;
                    pass.BestProbability = s->MineProbability;
                    bestCount = 8;
                    bestSum = 8.0;
                }
                if (count < bestCount || (count == bestCount && sum < bestSum)) {
                    best->Count = 0;
                    best->Add(s);
                    bestCount = count;
                    bestSum = sum;
                } else if (count == bestCount && sum == bestSum) {
                    best->Add(s);
                }
            }
            if (best->Count > 0) {
                delete candidates;
                candidates = best;
                pass.Candidates = best;
            } else {
                delete best;
            }
        }

        // The guess.
        if (face && pass.BestProbability >= 0.0) {
            double certainty = 1.0 - pass.BestProbability;
            if (certainty < face->QueueThreshold) {
                for (uint32_t i = 0; i < candidates->Count; ++i) {
                    CLogicSquare* s = candidates->Items[i];
                    if (face->DoAction(s->X, s->Y, certainty, CMineSweeperInterface::Open)) pass.Progress = true;
                }
            } else if (candidates->Count > 0) {
                CLogicSquare* s = candidates->Items[static_cast<uint32_t>(NextRandom()) % candidates->Count];
                if (face->DoAction(s->X, s->Y, certainty, CMineSweeperInterface::Open)) {
                    pass.Progress = true;
                    s->IsOpen = true;
                    s->MinesLeft = -1;
                }
                if (game) game->MarkOpened(s->X, s->Y);
            }
        }
    }
    finish();
    return pass.Progress;
}
