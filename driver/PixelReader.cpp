#include "PixelReader.h"

namespace pixels {

const uint32_t kExactColors[ColorCount] = {
    0x000000,  // black
    0x808080,  // gray
    0xFFFFFF,  // white
    0x0000FF,  // red
    0x000080,  // maroon
    0x008000,  // green
    0xFF0000,  // blue
    0x800000,  // navy
    0x808000,  // teal
    0x800080,  // purple
};

SColorTable SColorTable::Exact() {
    SColorTable t;
    for (int i = 0; i < ColorCount; ++i) t.Value[i] = kExactColors[i];
    return t;
}

void BoardSizeFromClient(int32_t clientWidth, int32_t clientHeight, int32_t* w, int32_t* h) {
    // Widen first: a client size near INT32_MIN must not overflow.
    *w = static_cast<int32_t>((static_cast<int64_t>(clientWidth) - 20) / 16);
    *h = static_cast<int32_t>((static_cast<int64_t>(clientHeight) - 63) / 16);
}

bool IsUsableBoardSize(int32_t w, int32_t h) {
    const int32_t max = static_cast<int32_t>(CMineSweeperBoard::MaxSize);
    return w >= 1 && h >= 1 && w <= max && h <= max;
}

void ClientSizeForBoard(uint32_t w, uint32_t h, uint32_t layout, int32_t* clientWidth, int32_t* clientHeight) {
    int32_t extra = IsLayout4(layout) ? 4 : 0;
    *clientWidth = BoardAreaWidth(w) + extra;
    *clientHeight = BoardAreaHeight(h) + extra;
}

uint32_t DecideLayout(uint32_t w, uint32_t h, int32_t clientWidth, int32_t clientHeight) {
    uint32_t areaW = 16u * w + 20u, areaH = 16u * h + 63u;
    return (areaW < static_cast<uint32_t>(clientWidth) && areaH < static_cast<uint32_t>(clientHeight)) ? Layout4
                                                                                                    : Layout5;
}

int DecodeSegments(uint32_t code) {
    switch (code) {
        case 119: return 0;
        case 36: return 1;
        case 93: return 2;
        case 109: return 3;
        case 46: return 4;
        case 107: return 5;
        case 123: return 6;
        case 37: return 7;
        case 127: return 8;
        case 111: return 9;
        case 8: return CounterMinus;
        default: return -1;
    }
}

uint32_t ReadSegments(const SPixelView& view, int32_t originX, int32_t originY, int32_t x0,
                      const SColorTable& colors) {
    struct SSegment {
        int32_t Dx, Y;
        uint32_t Bit;
    };
    static const SSegment kSegments[7] = {
        {2, 17, 1}, {1, 19, 2}, {11, 19, 4}, {2, 27, 8}, {1, 29, 16}, {11, 29, 32}, {2, 37, 64},
    };
    uint32_t code = 0;
    for (const SSegment& s : kSegments) {
        if (view.At(x0 + s.Dx - originX, s.Y - originY) != colors.Value[Black]) code |= s.Bit;
    }
    return code;
}

bool ReadCounter(const SPixelView& view, int32_t originX, int32_t originY, const SColorTable& colors,
                 int32_t* value) {
    int digits[3];
    for (int d = 0; d < 3; ++d) {
        digits[d] = DecodeSegments(ReadSegments(view, originX, originY, CounterLeft + 13 * d, colors));
        if (digits[d] < 0 || (digits[d] == CounterMinus && d > 0)) return false;
    }
    int32_t v = 10 * digits[1] + digits[2];
    v = digits[0] == CounterMinus ? -v : v + 100 * digits[0];
    *value = v;
    return true;
}

namespace {
bool Is(const SColorTable& colors, uint32_t pixel, ColorIndex c) { return pixel == colors.Value[c]; }

void ClassifyCovered(const SPixelView& v, int32_t px, int32_t py, uint32_t layout, const SColorTable& c,
                     SMineSweeperSquare* s, SReadNotes* notes) {
    s->Opened = 0;
    s->Number = -1;
    s->Mine = 0;
    s->Mark = SquareMark::None;
    bool flag, question;
    if (IsLayout4(layout)) {
        uint32_t t = v.At(px + 8, py + 11);
        flag = Is(c, t, Black);
        question = Is(c, t, Navy);
    } else {
        uint32_t t = v.At(px + 8, py + 3);
        flag = Is(c, t, Red);
        question = Is(c, t, Black);
    }
    if (flag) {
        s->Mine = 1;
        s->Mark = SquareMark::Flag;
        ++notes->FlagsSeen;
    } else if (question) {
        s->Mark = SquareMark::Question;
    } else {
        notes->PlainCovered = true;
    }
}

void ClassifyUncovered5(const SPixelView& v, int32_t px, int32_t py, const SColorTable& c, SMineSweeperSquare* s) {
    uint32_t q = v.At(px + 9, py + 3);
    if (Is(c, q, Blue)) s->Number = 1;
    else if (Is(c, q, Green)) s->Number = 2;
    else if (Is(c, q, Red)) {
        if (Is(c, v.At(px + 7, py + 7), White)) {
            s->Mine = 1;
            s->Mark = SquareMark::ExplodedMine;
        } else {
            s->Number = 3;
        }
    } else if (Is(c, q, Navy)) s->Number = 4;
    else if (Is(c, q, Maroon)) s->Number = 5;
    else if (Is(c, q, Teal)) s->Number = 6;
    else if (Is(c, q, Black)) s->Number = 7;
    else if (Is(c, q, Gray)) s->Number = 8;
    else {
        uint32_t t = v.At(px + 6, py + 6);
        if (Is(c, t, White)) {
            s->Mine = 1;
            s->Mark = SquareMark::RevealedMine;
        } else if (Is(c, t, Red)) {
            s->Mark = SquareMark::WrongFlag;
        } else if (Is(c, t, Black)) {
            s->Opened = 0;
            s->Mark = SquareMark::Question;
        } else {
            s->Number = 0;
        }
    }
}

void ClassifyUncovered4(const SPixelView& v, int32_t px, int32_t py, const SColorTable& c, SMineSweeperSquare* s) {
    uint32_t q = v.At(px + 8, py + 3);
    if (Is(c, q, Blue)) s->Number = 1;
    else if (Is(c, q, Green)) s->Number = 2;
    else if (Is(c, q, Red)) {
        if (Is(c, v.At(px + 6, py + 6), White)) {
            s->Mine = 1;
            s->Mark = SquareMark::ExplodedMine;
        } else {
            s->Number = 3;
        }
    } else if (Is(c, q, Gray)) {
        s->Opened = 0;
        s->Mark = SquareMark::Question;
    } else if (Is(c, q, Maroon)) s->Number = 5;
    else if (Is(c, q, Teal)) s->Number = 6;
    else if (Is(c, q, Purple)) s->Number = 7;
    else if (Is(c, q, Black)) s->Number = 8;
    else {
        uint32_t t = v.At(px + 8, py + 7);
        if (Is(c, t, Navy)) s->Number = 4;
        else if (Is(c, t, Red)) s->Mark = SquareMark::WrongFlag;
        else if (Is(c, t, Black)) {
            s->Mine = 1;
            s->Mark = SquareMark::RevealedMine;
        } else {
            s->Number = 0;
        }
    }
}
}  // namespace

SMineSweeperSquare ClassifySquare(const SPixelView& view, int32_t px, int32_t py, uint32_t layout,
                                  const SColorTable& colors, SReadNotes* notes) {
    SMineSweeperSquare s{};
    if (Is(colors, view.At(px, py), White)) {
        ClassifyCovered(view, px, py, layout, colors, &s, notes);
        return s;
    }
    notes->AllCovered = false;
    s.Opened = 1;
    s.Mine = 0;
    s.Mark = SquareMark::None;
    s.Number = -1;
    if (IsLayout4(layout)) ClassifyUncovered4(view, px, py, colors, &s);
    else ClassifyUncovered5(view, px, py, colors, &s);
    switch (s.Mark) {
        case SquareMark::RevealedMine:
        case SquareMark::ExplodedMine:
            notes->Lost = true;
            ++notes->MineBalance;
            break;
        case SquareMark::WrongFlag:
            notes->Lost = true;
            --notes->MineBalance;
            break;
        default:
            break;
    }
    return s;
}

int32_t BoardStateFromNotes(const SReadNotes& notes, int32_t minesLeft) {
    if (notes.Lost) return GameState::Lost;
    if (notes.AllCovered) return GameState::NotStarted;
    if (!notes.PlainCovered && minesLeft == 0) return GameState::Won;
    return GameState::Playing;
}

bool ReadIsAtRest(const CMineSweeperBoard& read, const SReadExpectation& expect) {
    if (expect.NewGame)
        return read.State == GameState::NotStarted && (expect.NewGameMines < 0 || read.MinesLeft == expect.NewGameMines);
    const uint32_t w = read.Width, h = read.Height;
    for (uint32_t x = 0; x < w; ++x) {
        const SMineSweeperSquare* column = read.GetColumn(x);
        for (uint32_t y = 0; y < h; ++y) {
            const SMineSweeperSquare& s = column[y];
            if (expect.OwnOpened && expect.OwnOpened[static_cast<size_t>(x) * h + y] && !s.Opened) return false;
            if (!s.Opened || s.Number != 0 || s.Mark != SquareMark::None) continue;
            for (uint32_t nx = x > 0 ? x - 1 : 0; nx <= x + 1 && nx < w; ++nx)
                for (uint32_t ny = y > 0 ? y - 1 : 0; ny <= y + 1 && ny < h; ++ny) {
                    const SMineSweeperSquare& n = read.GetColumn(nx)[ny];
                    if (!n.Opened && n.Mark != SquareMark::Flag) return false;
                }
        }
    }
    return true;
}

std::string FormatBoard(const CMineSweeperBoard& board) {
    std::string text;
    text.reserve(static_cast<size_t>(board.Width + 1) * board.Height);
    for (uint32_t y = 0; y < board.Height; ++y) {
        for (uint32_t x = 0; x < board.Width; ++x) {
            const SMineSweeperSquare& s = board.GetColumn(x)[y];
            char ch;
            switch (s.Mark) {
                case SquareMark::Flag: ch = 'F'; break;
                case SquareMark::Question: ch = '?'; break;
                case SquareMark::RevealedMine: ch = '*'; break;
                case SquareMark::ExplodedMine: ch = 'X'; break;
                case SquareMark::WrongFlag: ch = 'W'; break;
                default:
                    if (!s.Opened) ch = '#';
                    else if (s.Number >= 0 && s.Number <= 8) ch = static_cast<char>('0' + s.Number);
                    else ch = '.';
            }
            text += ch;
        }
        text += '\n';
    }
    return text;
}

}  // namespace pixels
