#include "VelkorGeometry.h"

#include <cstdio>

namespace standin {

int ClientWidth(uint32_t columns, int layout) {
    return kSquare * static_cast<int>(columns) + 20 + (layout < 5 ? 4 : 0);
}

int ClientHeight(uint32_t rows, int layout) {
    return kSquare * static_cast<int>(rows) + 63 + (layout < 5 ? 4 : 0);
}

bool PointToSquare(int px, int py, uint32_t columns, uint32_t rows, uint32_t* x, uint32_t* y) {
    if (px < kBoardLeft || py < kBoardTop) return false;
    uint32_t cx = static_cast<uint32_t>(px - kBoardLeft) / kSquare, cy = static_cast<uint32_t>(py - kBoardTop) / kSquare;
    if (cx >= columns || cy >= rows) return false;
    *x = cx;
    *y = cy;
    return true;
}

int FaceLeft(uint32_t columns) { return kBoardLeft + (kSquare * static_cast<int>(columns) - kFaceSize) / 2; }

int TimerLeft(uint32_t columns) {
    return kBoardLeft + kSquare * static_cast<int>(columns) - kCounterInset - 3 * kDigitWidth;
}

int DigitCode(int digit) {
    static const int codes[10] = {119, 36, 93, 109, 46, 107, 123, 37, 127, 111};
    return digit >= 0 && digit <= 9 ? codes[digit] : 0;
}

void CounterCodes(int value, int codes[3]) {
    if (value > 999) value = 999;
    if (value < -99) value = -99;
    if (value < 0) {
        codes[0] = kMinusCode;
        codes[1] = DigitCode(-value / 10);
        codes[2] = DigitCode(-value % 10);
    } else {
        codes[0] = DigitCode(value / 100);
        codes[1] = DigitCode(value / 10 % 10);
        codes[2] = DigitCode(value % 10);
    }
}

std::vector<SSegmentSpan> SegmentSpans(int code) {
    // Each segment tapers over three pixels; the rows and columns are those
    // of a 13 x 23 digit whose top row is at y = 16.
    struct SPart {
        int Bit;
        SSegmentSpan Spans[3];
    };
    static const SPart parts[] = {
        {1, {{1, 17, 11, 1}, {2, 18, 9, 1}, {3, 19, 7, 1}}},      // top
        {2, {{1, 19, 1, 7}, {2, 20, 1, 5}, {3, 21, 1, 3}}},       // upper left
        {4, {{11, 19, 1, 7}, {10, 20, 1, 5}, {9, 21, 1, 3}}},     // upper right
        {8, {{3, 26, 7, 1}, {2, 27, 9, 1}, {3, 28, 7, 1}}},       // middle
        {16, {{1, 29, 1, 7}, {2, 30, 1, 5}, {3, 31, 1, 3}}},      // lower left
        {32, {{11, 29, 1, 7}, {10, 30, 1, 5}, {9, 31, 1, 3}}},    // lower right
        {64, {{1, 37, 11, 1}, {2, 36, 9, 1}, {3, 35, 7, 1}}},     // bottom
    };
    std::vector<SSegmentSpan> spans;
    for (const SPart& part : parts)
        if (code & part.Bit)
            for (const SSegmentSpan& s : part.Spans) spans.push_back(s);
    return spans;
}

namespace {
// Decimal digits with optional spaces around; beyond limit it fails, or
// saturates at limit when asked to.
bool ParseDecimal(const char* text, uint64_t limit, bool saturate, uint64_t* value) {
    if (!text) return false;
    while (*text == ' ') ++text;
    if (*text < '0' || *text > '9') return false;
    uint64_t v = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        v = v * 10 + static_cast<uint64_t>(*text - '0');
        if (v > limit) {
            if (!saturate) return false;
            v = limit;
        }
    }
    while (*text == ' ') ++text;
    if (*text) return false;
    *value = v;
    return true;
}
}  // namespace

bool ParseSeed(const char* text, uint32_t* seed) {
    uint64_t v;
    if (!ParseDecimal(text, 0xFFFFFFFFull, false, &v)) return false;
    *seed = static_cast<uint32_t>(v);
    return true;
}

bool ParseFieldValue(const char* text, uint32_t* value) {
    uint64_t v;
    // A huge number is simply the most the field can take once clamped.
    if (!ParseDecimal(text, 999999, true, &v)) return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

std::string RecordLine(const SField& field, bool won) {
    char line[128];
    std::snprintf(line, sizeof(line), "level=%s width=%u height=%u mines=%u result=%s\n", LevelName(field.Level),
                  field.Width, field.Height, field.Mines, won ? "won" : "lost");
    return line;
}

}  // namespace standin
