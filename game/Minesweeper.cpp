#include "Minesweeper.h"

#include <cstddef>
#include <cstring>

#include "Clock.h"

CMineSweeperBoard::CMineSweeperBoard(uint32_t width, uint32_t height)
    : Squares(nullptr),
      Width(width > MaxSize ? MaxSize : width),
      Height(height > MaxSize ? MaxSize : height),
      State(NotStarted),
      MinesLeft(0) {
    size_t n = static_cast<size_t>(Width) * Height;
    Squares = new SMineSweeperSquare[n];
    if (n) std::memset(Squares, 0, n * sizeof(SMineSweeperSquare));
}

CMineSweeperBoard::~CMineSweeperBoard() { delete[] Squares; }

bool CMineSweeperBoard::CopyFrom(const CMineSweeperBoard* other) {
    if (!other || other->Width != Width || other->Height != Height) return false;
    if (other == this) return true;
    State = other->State;
    MinesLeft = other->MinesLeft;
    size_t n = static_cast<size_t>(Width) * Height;
    if (n) std::memcpy(Squares, other->Squares, n * sizeof(SMineSweeperSquare));
    return true;
}

bool CMineSweeperBoard::MarkOpened(uint32_t x, uint32_t y) {
    SMineSweeperSquare& s = GetColumn(x)[y];
    s.Opened = 1;
    s.Number = -1;
    return true;
}

bool CMineSweeperBoard::MarkMine(uint32_t x, uint32_t y) {
    SMineSweeperSquare& s = GetColumn(x)[y];
    s.Mine = 1;
    s.Mark = SquareMark::Flag;
    --MinesLeft;
    return true;
}

CMineSweeperInterface::CMineSweeperInterface()
    : Actions(new TInstanceArray<SMineSweeperAction>),
      Width(0),
      Height(0),
      QueueThreshold(0.0),
      QueueFlags(false),
      PauseAfterAction(false),
      PauseTime(10),
      AbortFlag(nullptr),
      MovesPerformed(0) {}

CMineSweeperInterface::~CMineSweeperInterface() { delete Actions; }

bool CMineSweeperInterface::DoAction(uint32_t x, uint32_t y, double probability, ActionType type) {
    if (x >= Width || y >= Height) return false;
    uint32_t t = type;
    if (probability == 0.0) {
        if (t == Open) t = Flag;
        else if (t == Flag) t = Open;
        else return false;
        probability = 1.0;
    } else if (t == Flag && probability < 1.0) {
        t = Open;
        probability = 1.0 - probability;
    }
    if (probability < QueueThreshold || (t == Flag && QueueFlags)) {
        Actions->Add(new SMineSweeperAction{x, y, t, probability});
        return false;
    }
    Perform(x, y, t);
    PauseStep(x, y);
    return true;
}

uint32_t CMineSweeperInterface::GetActionCount() const { return Actions->Count; }

bool CMineSweeperInterface::GetAction(uint32_t index, uint32_t* x, uint32_t* y, ActionType* type,
                                      double* probability) const {
    const SMineSweeperAction* a = Actions->GetAt(index);
    if (!a) return false;
    if (x) *x = a->X;
    if (y) *y = a->Y;
    if (type) *type = static_cast<ActionType>(a->Type);
    if (probability) *probability = a->Probability;
    return true;
}

bool CMineSweeperInterface::PerformAction(uint32_t index) {
    const SMineSweeperAction* a = Actions->GetAt(index);
    if (!a) return false;
    Perform(a->X, a->Y, a->Type);
    PauseStep(a->X, a->Y);
    return true;
}

void CMineSweeperInterface::ClearActions() { Actions->Clear(); }

void CMineSweeperInterface::Perform(uint32_t x, uint32_t y, uint32_t type) {
    switch (type) {
        case Open: OpenSquare(x, y); break;
        case Flag: FlagSquare(x, y); break;
        case Unflag: UnflagSquare(x, y); break;
        default: return;
    }
    ++MovesPerformed;
}

void CMineSweeperInterface::PauseStep(uint32_t x, uint32_t y) {
    if (!PauseAfterAction) return;
    MoveCursorToSquare(x, y);
    // Elapsed time by unsigned difference, so a tick counter wrapping during
    // the pause neither ends it early nor makes it endless.
    uint32_t start = TickCount();
    while (TickCount() - start < PauseTime) {
        if (AbortFlag && AbortFlag->load(std::memory_order_relaxed)) break;
        SleepMs(1);
    }
}
