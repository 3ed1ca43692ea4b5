// The extent check of the preview's bitmap: a packed bitmap is given to the
// bitmap code only when its header, colour table and bits lie within the
// resource, for every kind of compression; hostile sizes give 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "DibBits.h"

namespace {

struct SDibCase {
    const char* What;
    uint32_t HeaderSize;
    int32_t Width, Height;
    uint16_t Planes, Bits;
    uint32_t Compression, SizeImage, ClrUsed;
    uint32_t Size;  // of the resource
    uint32_t Offset;  // expected; 0 refused
};

// The game's strip: 16 x 256, 4 bits, 16 colours (104 bytes), rows of 8 bytes.
const SDibCase kCases[] = {
    // what                                 hdr  width        height      pl bits cmp sizeImg     clrUsed     size   offset
    {"the game's strip",                     40, 16,          256,        1, 4,   0,  0,          16,         2152,  104},
    {"one byte of bits short",               40, 16,          256,        1, 4,   0,  0,          16,         2151,  0},
    {"top-down",                             40, 16,          -256,       1, 4,   0,  0,          16,         2152,  104},
    {"most negative height",                 40, 16,          INT32_MIN,  1, 4,   0,  0,          16,         2152,  0},
    {"largest height",                       40, 16,          INT32_MAX,  1, 4,   0,  0,          16,         2152,  0},
    {"largest width and height",             40, INT32_MAX,   INT32_MAX,  1, 32,  0,  0,          0,          2152,  0},
    {"no height",                            40, 16,          0,          1, 4,   0,  0,          16,         2152,  0},
    {"no width",                             40, 0,           256,        1, 4,   0,  0,          16,         2152,  0},
    {"negative width",                       40, -16,         256,        1, 4,   0,  0,          16,         2152,  0},
    {"two planes",                           40, 16,          256,        1 + 1, 4, 0, 0,         16,         2152,  0},
    {"colours used 0: all 16",               40, 16,          256,        1, 4,   0,  0,          0,          2152,  104},
    {"colours used beyond 16: 16",           40, 16,          256,        1, 4,   0,  0,          17,         2152,  104},
    {"colours used 2",                       40, 16,          256,        1, 4,   0,  0,          2,          2096,  48},
    {"1 bit, 2 colours",                     40, 16,          256,        1, 1,   0,  0,          0,          1072,  48},
    {"8 bits, 256 colours",                  40, 16,          256,        1, 8,   0,  0,          0,          5160,  1064},
    {"24 bits, no colours",                  40, 16,          256,        1, 24,  0,  0,          0,          12328, 40},
    {"24 bits, hostile colour count",        40, 16,          256,        1, 24,  0,  0,          0xFFFFFFFF, 12328, 0},
    {"24 bits, colour table past the end",   40, 16,          256,        1, 24,  0,  0,          3072,       12328, 0},
    {"bit count 2",                          40, 16,          256,        1, 2,   0,  0,          0,          2152,  0},
    {"bit count 0",                          40, 16,          256,        1, 0,   0,  0,          0,          2152,  0},
    {"bit count 64",                         40, 1,           1,          1, 64,  0,  0,          0,          2152,  0},
    {"a larger header",                      124, 16,         256,        1, 4,   0,  0,          16,         2236,  188},
    {"header size below 40",                 39, 16,          256,        1, 4,   0,  0,          16,         2152,  0},
    {"header size past the end",             0xFFFFFFF0, 16,  256,        1, 4,   0,  0,          16,         2152,  0},
    {"bit fields, 16 bits: three masks",     40, 16,          256,        1, 16,  3,  0,          0,          8244,  52},
    {"bit fields, 16 bits, short",           40, 16,          256,        1, 16,  3,  0,          0,          8243,  0},
    {"bit fields, 24 bits",                  40, 16,          256,        1, 24,  3,  0,          0,          12340, 0},
    {"run-length 8",                         40, 16,          256,        1, 8,   1,  100,        0,          1164,  1064},
    {"run-length 8, size past the end",      40, 16,          256,        1, 8,   1,  101,        0,          1164,  0},
    {"run-length 8, hostile size",           40, 16,          256,        1, 8,   1,  0xFFFFFFFF, 0,          1164,  0},
    {"run-length 8, no size",                40, 16,          256,        1, 8,   1,  0,          0,          1164,  0},
    {"run-length 8, top-down",               40, 16,          -256,       1, 8,   1,  100,        0,          1164,  0},
    {"run-length 8 of 4 bits",               40, 16,          256,        1, 4,   1,  100,        0,          1164,  0},
    {"run-length 4",                         40, 16,          256,        1, 4,   2,  10,         0,          114,   104},
    {"run-length 4, size past the end",      40, 16,          256,        1, 4,   2,  11,         0,          114,   0},
    {"run-length 4 of 8 bits",               40, 16,          256,        1, 8,   2,  10,         0,          1164,  0},
    {"JPEG",                                 40, 16,          256,        1, 0,   4,  10,         0,          2152,  0},
    {"PNG",                                  40, 16,          256,        1, 0,   5,  10,         0,          2152,  0},
    {"alpha bit fields",                     40, 16,          256,        1, 32,  6,  0,          0,          16440, 0},
    {"unknown compression",                  40, 16,          256,        1, 4,   0x7FFFFFFF, 0,  16,         2152,  0},
    {"only the header",                      40, 16,          256,        1, 4,   0,  0,          16,         40,    0},
    {"header cut short",                     40, 16,          256,        1, 4,   0,  0,          16,         20,    0},
};

TEST(PreviewBitmap, BitsOffsetOnlyWhenEverythingLiesWithin) {
    for (const SDibCase& c : kCases) {
        SCOPED_TRACE(c.What);
        // Exactly the resource's bytes, so that the sanitizers see any read past them.
        std::vector<unsigned char> dib(std::max<uint32_t>(c.Size, 40));
        const uint32_t words[10] = {c.HeaderSize, static_cast<uint32_t>(c.Width), static_cast<uint32_t>(c.Height),
                                    c.Planes | static_cast<uint32_t>(c.Bits) << 16, c.Compression, c.SizeImage,
                                    0, 0, c.ClrUsed, 0};
        std::memcpy(dib.data(), words, 40);
        EXPECT_EQ(PackedDibBitsOffset(dib.data(), c.Size), c.Offset);
    }
    EXPECT_EQ(PackedDibBitsOffset(nullptr, 2152), 0u);
}

}  // namespace
