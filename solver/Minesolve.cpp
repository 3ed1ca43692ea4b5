#include "Minesolve.h"

CLogicSquare::CLogicSquare(uint32_t x, uint32_t y)
    : Constraints(),
      ConstraintCount(0),
      Unknowns(),
      UnknownCount(0),
      X(x),
      Y(y),
      Left(0),
      Top(0),
      Right(0),
      Bottom(0),
      IsOpen(false),
      Index(-1),
      IsSettled(false),
      MineProbability(0.0),
      HasConstraints(false),
      IsMine(false),
      MinesLeft(0),
      Number(-1) {}

bool CLogicSquare::HasConstraint(const CLogicSquare* c) const {
    for (uint32_t i = 0; i < ConstraintCount; ++i)
        if (Constraints[i] == c) return true;
    return false;
}

bool CLogicSquare::HasUnknown(const CLogicSquare* u) const {
    for (uint32_t i = 0; i < UnknownCount; ++i)
        if (Unknowns[i] == u) return true;
    return false;
}

void CLogicSquare::AddConstraint(CLogicSquare* c) {
    // Links only join neighbours, so eight slots always suffice; the bound
    // check keeps a misuse from writing past them.
    if (!c || c == this || HasConstraint(c) || ConstraintCount >= 8) return;
    Constraints[ConstraintCount++] = c;
    HasConstraints = true;
}

void CLogicSquare::RemoveConstraint(CLogicSquare* c) {
    if (!c) return;
    for (uint32_t i = 0; i < ConstraintCount; ++i) {
        if (Constraints[i] == c) {
            Constraints[i] = Constraints[--ConstraintCount];
            break;
        }
    }
    HasConstraints = ConstraintCount > 0;
}

void CLogicSquare::ClearConstraints() {
    ConstraintCount = 0;
    HasConstraints = false;
}

void CLogicSquare::AddUnknown(CLogicSquare* u) {
    if (!u || HasUnknown(u) || UnknownCount >= 8) return;
    Unknowns[UnknownCount++] = u;
}

void CLogicSquare::RemoveUnknown(CLogicSquare* u) {
    if (!u) return;
    for (uint32_t i = 0; i < UnknownCount; ++i) {
        if (Unknowns[i] == u) {
            Unknowns[i] = Unknowns[--UnknownCount];
            return;
        }
    }
}

void CLogicSquare::ClearUnknowns() { UnknownCount = 0; }

bool CLogicSquare::ReduceWith(CLogicSquare* other) {
    if (!other || other == this) return false;
    // A constraint whose mines cannot fit its squares (only a misread board
    // makes one, e.g. reduced to no squares with mines left) would pass its
    // contradiction on to every neighbour: it takes part in no reduction.
    if (IsContradiction() || other->IsContradiction()) return false;
    if (other->UnknownCount > UnknownCount) return other->ReduceWith(this);
    if (Left >= other->Right || Top >= other->Bottom) return false;
    for (uint32_t i = 0; i < other->UnknownCount; ++i)
        if (!HasUnknown(other->Unknowns[i])) return false;
    for (uint32_t i = 0; i < other->UnknownCount; ++i) {
        CLogicSquare* u = other->Unknowns[i];
        RemoveUnknown(u);
        u->RemoveConstraint(this);
    }
    MinesLeft -= other->MinesLeft;
    return true;
}

bool CLogicSquare::IsContradiction() const {
    return MinesLeft < 0 || MinesLeft > static_cast<int32_t>(UnknownCount) || (UnknownCount == 0 && MinesLeft != 0);
}
