// An independent reader of the game window's pixels, written from the
// colour and sample-point tables the screen saver reads by: each square's
// state and the three-digit mine counter. It shares no code with the game.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pixelcheck {

// Colour references 0x00BBGGRR.
const uint32_t Black = 0x000000, Gray = 0x808080, White = 0xFFFFFF, Red = 0x0000FF, Maroon = 0x000080,
               Green = 0x008000, Blue = 0xFF0000, Navy = 0x800000, Teal = 0x808000, Purple = 0x800080;

// The client pixel at (x, y).
using PixelFn = std::function<uint32_t(int x, int y)>;

struct SRead {
    bool Opened;
    bool Mine;
    int Number;  // -1 when not known
    int Mark;    // 0 none, 1 flag, 2 question, 3 shown mine, 4 exploded, 5 wrong flag
    bool operator==(const SRead& o) const {
        return Opened == o.Opened && Mine == o.Mine && Number == o.Number && Mark == o.Mark;
    }
};

inline SRead ClassifySquare(const PixelFn& at, int px, int py, int layout) {
    if (at(px, py) == White) {
        uint32_t c = layout >= 5 ? at(px + 8, py + 3) : at(px + 8, py + 11);
        uint32_t flag = layout >= 5 ? Red : Black, question = layout >= 5 ? Black : Navy;
        if (c == flag) return {false, true, -1, 1};
        if (c == question) return {false, false, -1, 2};
        return {false, false, -1, 0};
    }
    SRead r{true, false, -1, 0};
    if (layout >= 5) {
        uint32_t q = at(px + 9, py + 3);
        if (q == Blue) r.Number = 1;
        else if (q == Green) r.Number = 2;
        else if (q == Red) {
            if (at(px + 7, py + 7) == White) r.Mine = true, r.Mark = 4;
            else r.Number = 3;
        } else if (q == Navy) r.Number = 4;
        else if (q == Maroon) r.Number = 5;
        else if (q == Teal) r.Number = 6;
        else if (q == Black) r.Number = 7;
        else if (q == Gray) r.Number = 8;
        else {
            uint32_t d = at(px + 6, py + 6);
            if (d == White) r.Mine = true, r.Mark = 3;
            else if (d == Red) r.Mark = 5;
            else if (d == Black) r.Opened = false, r.Mark = 2;
            else r.Number = 0;
        }
    } else {
        uint32_t q = at(px + 8, py + 3);
        if (q == Blue) r.Number = 1;
        else if (q == Green) r.Number = 2;
        else if (q == Red) {
            if (at(px + 6, py + 6) == White) r.Mine = true, r.Mark = 4;
            else r.Number = 3;
        } else if (q == Gray) r.Opened = false, r.Mark = 2;
        else if (q == Maroon) r.Number = 5;
        else if (q == Teal) r.Number = 6;
        else if (q == Purple) r.Number = 7;
        else if (q == Black) r.Number = 8;
        else {
            uint32_t d = at(px + 8, py + 7);
            if (d == Navy) r.Number = 4;
            else if (d == Red) r.Mark = 5;
            else if (d == Black) r.Mine = true, r.Mark = 3;
            else r.Number = 0;
        }
    }
    return r;
}

// Square (x, y) of the board in a client image.
inline SRead ReadSquare(const PixelFn& at, int x, int y, int layout) {
    return ClassifySquare(at, 12 + 16 * x, 55 + 16 * y, layout);
}

// The mine counter; false for a pattern outside the digit table.
inline bool ReadCounter(const PixelFn& at, int* value) {
    int digits[3];
    for (int d = 0; d < 3; ++d) {
        int x0 = 17 + 13 * d;
        const int points[7][2] = {{x0 + 2, 17}, {x0 + 1, 19}, {x0 + 11, 19}, {x0 + 2, 27},
                                  {x0 + 1, 29}, {x0 + 11, 29}, {x0 + 2, 37}};
        int code = 0;
        for (int b = 0; b < 7; ++b)
            if (at(points[b][0], points[b][1]) != Black) code |= 1 << b;
        static const int table[10] = {119, 36, 93, 109, 46, 107, 123, 37, 127, 111};
        digits[d] = -2;
        for (int n = 0; n < 10; ++n)
            if (table[n] == code) digits[d] = n;
        if (code == 8 && d == 0) digits[d] = -1;
        if (digits[d] == -2) return false;
    }
    *value = 10 * digits[1] + digits[2];
    *value = digits[0] < 0 ? -*value : *value + 100 * digits[0];
    return true;
}

// A square as one character: '#' covered, 'F' flag, '?' question, '0'..'8'
// opened, '*' shown mine, 'X' exploded, 'W' wrong flag, '!' unreadable.
inline char SquareChar(const SRead& r) {
    if (!r.Opened) return r.Mark == 1 ? 'F' : r.Mark == 2 ? '?' : '#';
    switch (r.Mark) {
        case 3: return '*';
        case 4: return 'X';
        case 5: return 'W';
        default: return r.Number >= 0 && r.Number <= 8 ? static_cast<char>('0' + r.Number) : '!';
    }
}

// The cells of the game's strip of squares (16 x 16 pixels each, from the
// top) that do not read as the state they stand for, as "cell:read as";
// empty when all do. Cell 6, a pressed question mark, is never shown on a
// board and has no reading of its own.
inline std::string MisreadCells(const PixelFn& strip, int layout) {
    std::vector<std::pair<int, SRead>> cells = {{0, {false, false, -1, 0}}, {1, {false, true, -1, 1}},
                                                {2, {false, false, -1, 2}}, {3, {true, true, -1, 4}},
                                                {4, {true, false, -1, 5}},  {5, {true, true, -1, 3}}};
    for (int n = 8; n >= 0; --n) cells.push_back({15 - n, {true, false, n, 0}});
    std::string misread;
    for (const auto& c : cells) {
        const SRead r = ClassifySquare([&](int x, int y) { return strip(x, y + 16 * c.first); }, 0, 0, layout);
        if (!(r == c.second)) misread += " " + std::to_string(c.first) + ":" + SquareChar(r);
    }
    return misread;
}

// The whole board as text, one line per row, for comparisons and messages.
inline std::string BoardText(const PixelFn& at, int width, int height, int layout) {
    std::string text;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) text += SquareChar(ReadSquare(at, x, y, layout));
        text += '\n';
    }
    return text;
}

}  // namespace pixelcheck
