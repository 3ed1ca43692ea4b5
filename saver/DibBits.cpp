#include "DibBits.h"

#include <cstring>

namespace {

// The fields of the 40-byte information header that matter here, little-endian.
struct SInfoHeader {
    uint32_t Size;
    int32_t Width;
    int32_t Height;
    uint16_t Planes;
    uint16_t BitCount;
    uint32_t Compression;
    uint32_t SizeImage;
    int32_t XPelsPerMeter;
    int32_t YPelsPerMeter;
    uint32_t ClrUsed;
    uint32_t ClrImportant;
};
static_assert(sizeof(SInfoHeader) == 40, "the information header is 40 bytes");

enum : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };
const int64_t kMaxSide = 0x10000;

}  // namespace

uint32_t PackedDibBitsOffset(const void* dib, uint32_t size) {
    SInfoHeader h;
    if (!dib || size <= sizeof h) return 0;
    std::memcpy(&h, dib, sizeof h);
    if (h.Size < sizeof h || h.Size >= size) return 0;
    const uint32_t bits = h.BitCount;
    uint64_t colours = h.ClrUsed;
    if (bits == 1 || bits == 4 || bits == 8) {
        if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
    } else if (h.Compression == BitFields) {
        colours = 3;  // the three masks
    }
    const uint64_t offset = h.Size + colours * 4;
    if (offset >= size) return 0;
    const uint64_t left = size - offset;
    // 64 bits: the height may be the most negative 32-bit number.
    const int64_t width = h.Width, height = h.Height < 0 ? -int64_t{h.Height} : int64_t{h.Height};
    if (h.Planes != 1 || width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide) return 0;
    switch (h.Compression) {
    case Rgb:
    case BitFields: {
        const bool known = h.Compression == Rgb ? bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
                                                      bits == 32
                                                : bits == 16 || bits == 32;
        // Rows are padded to 32 bits; all of them must be there.
        const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
        if (!known || stride * static_cast<uint64_t>(height) > left) return 0;
        break;
    }
    case Rle8:
    case Rle4:
        // Run-length bits are read up to the size the header gives, which
        // the decoder cannot know otherwise; such bitmaps are bottom-up only.
        if (bits != (h.Compression == Rle8 ? 8u : 4u) || h.Height < 0 || h.SizeImage == 0 || h.SizeImage > left)
            return 0;
        break;
    default:
        // JPEG, PNG and other kinds: not a strip of squares.
        return 0;
    }
    return static_cast<uint32_t>(offset);
}
