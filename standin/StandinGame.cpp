#include "StandinGame.h"

#include <algorithm>

namespace standin {

SField StandardField(uint32_t level) {
    switch (level) {
        case Intermediate: return {Intermediate, 16, 16, 40};
        case Expert: return {Expert, 30, 16, 99};
        default: return {Beginner, 9, 9, 10};
    }
}

SField ClampCustomField(uint32_t width, uint32_t height, uint32_t mines) {
    SField f;
    f.Level = Custom;
    f.Width = std::min(std::max(width, kMinWidth), kMaxWidth);
    f.Height = std::min(std::max(height, kMinHeight), kMaxHeight);
    f.Mines = std::min(std::max(mines, kMinMines), (f.Width - 1) * (f.Height - 1));
    return f;
}

SField FieldFromStored(uint32_t level, uint32_t width, uint32_t height, uint32_t mines) {
    if (level == Custom) return ClampCustomField(width, height, mines);
    return StandardField(level);
}

const char* LevelName(uint32_t level) {
    switch (level) {
        case Beginner: return "beginner";
        case Intermediate: return "intermediate";
        case Expert: return "expert";
        default: return "custom";
    }
}

void CStandinGame::NewGame(const SField& field, CLcgRandom& random, FirstClickRule rule) {
    CurrentField = field;
    Squares.assign(static_cast<size_t>(field.Width) * field.Height, SSquare());
    GameState = Ready;
    Flags = 0;
    OpenedCount = 0;
    uint32_t placed = 0;
    const uint32_t mines = std::min(field.Mines, field.Width * field.Height - 1);
    while (placed < mines) {
        uint32_t x = static_cast<uint32_t>(random.Next()) % field.Width;
        uint32_t y = static_cast<uint32_t>(random.Next()) % field.Height;
        if (At(x, y).Mine) continue;
        At(x, y).Mine = true;
        ++placed;
    }
    CurrentField.Mines = mines;
    FirstClickTarget = DrawFirstClickTarget(rule, field.Width * field.Height - mines, random);
}

template <typename F> void CStandinGame::ForNeighbours(uint32_t x, uint32_t y, F f) const {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx == 0 && dy == 0) continue;
            // Unsigned wrap-around puts x - 1 at 0 outside the field.
            uint32_t nx = x + static_cast<uint32_t>(dx), ny = y + static_cast<uint32_t>(dy);
            if (Inside(nx, ny)) f(nx, ny);
        }
    }
}

int CStandinGame::AdjacentMines(uint32_t x, uint32_t y) const {
    int n = 0;
    ForNeighbours(x, y, [&](uint32_t nx, uint32_t ny) { n += At(nx, ny).Mine ? 1 : 0; });
    return n;
}

void CStandinGame::Flood(uint32_t x, uint32_t y) {
    std::vector<std::pair<uint32_t, uint32_t>> todo{{x, y}};
    while (!todo.empty()) {
        auto [cx, cy] = todo.back();
        todo.pop_back();
        SSquare& s = At(cx, cy);
        if (s.Opened || s.Mine || s.SquareMark == FlagMark) continue;
        s.Opened = true;
        s.SquareMark = NoMark;
        ++OpenedCount;
        if (AdjacentMines(cx, cy) == 0)
            ForNeighbours(cx, cy, [&](uint32_t nx, uint32_t ny) {
                if (!At(nx, ny).Opened) todo.push_back({nx, ny});
            });
    }
}

void CStandinGame::FinishWon() {
    GameState = Won;
    for (SSquare& s : Squares)
        if (s.Mine) s.SquareMark = FlagMark;
    Flags = CurrentField.Mines;
}

bool CStandinGame::Open(uint32_t x, uint32_t y) {
    if (!Inside(x, y) || IsOver()) return false;
    SSquare& s = At(x, y);
    if (s.Opened || s.SquareMark == FlagMark) return false;
    if (GameState == Ready) {
        MoveFirstClickMine(
            FirstClickTarget, Width(), Height(), x, y, [this](uint32_t fx, uint32_t fy) { return At(fx, fy).Mine; },
            [this](uint32_t fx, uint32_t fy, bool mine) { At(fx, fy).Mine = mine; });
        GameState = Playing;
    }
    if (s.Mine) {
        GameState = Lost;
        ExplodedX = x;
        ExplodedY = y;
        return true;
    }
    Flood(x, y);
    if (OpenedCount == Width() * Height() - CurrentField.Mines) FinishWon();
    return true;
}

bool CStandinGame::CycleMark(uint32_t x, uint32_t y, bool allowQuestion) {
    if (!Inside(x, y) || IsOver()) return false;
    SSquare& s = At(x, y);
    if (s.Opened) return false;
    switch (s.SquareMark) {
        case NoMark:
            s.SquareMark = FlagMark;
            ++Flags;
            break;
        case FlagMark:
            s.SquareMark = allowQuestion ? QuestionMark : NoMark;
            --Flags;
            break;
        default: s.SquareMark = NoMark; break;
    }
    return true;
}

bool CStandinGame::OpenNeighbours(uint32_t x, uint32_t y) {
    if (!Inside(x, y) || IsOver() || !At(x, y).Opened) return false;
    int flags = 0;
    ForNeighbours(x, y, [&](uint32_t nx, uint32_t ny) { flags += At(nx, ny).SquareMark == FlagMark ? 1 : 0; });
    if (flags != AdjacentMines(x, y)) return false;
    bool changed = false;
    ForNeighbours(x, y, [&](uint32_t nx, uint32_t ny) {
        const SSquare& n = At(nx, ny);
        if (!n.Opened && n.SquareMark != FlagMark) changed = Open(nx, ny) || changed;
    });
    return changed;
}

int CStandinGame::Image(uint32_t x, uint32_t y) const {
    const SSquare& s = At(x, y);
    if (s.Opened) return NumberImage(AdjacentMines(x, y));
    if (GameState == Lost) {
        if (s.Mine && x == ExplodedX && y == ExplodedY) return ImgExploded;
        if (s.SquareMark == FlagMark) return s.Mine ? ImgFlag : ImgWrongFlag;
        if (s.Mine) return ImgMine;
    }
    switch (s.SquareMark) {
        case FlagMark: return ImgFlag;
        case QuestionMark: return ImgQuestion;
        default: return ImgCovered;
    }
}

std::vector<std::string> CStandinGame::LayoutRows() const {
    std::vector<std::string> rows;
    for (uint32_t y = 0; y < Height(); ++y) {
        std::string row;
        for (uint32_t x = 0; x < Width(); ++x) row += At(x, y).Mine ? '*' : '.';
        rows.push_back(row);
    }
    return rows;
}

}  // namespace standin
