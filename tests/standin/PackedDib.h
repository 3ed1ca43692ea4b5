// Pixels of a packed device-independent bitmap (information header, colour
// table, bits) as stored in a bitmap resource or after a BMP file's header.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace pixelcheck {

class CPackedDib {
public:
    // False for anything but an uncompressed 4-bit bitmap that fits (the
    // build writes the strip so).
    bool Parse(const uint8_t* data, size_t size) {
        if (!data || size < 40) return false;
        uint32_t headerSize = U32(data), compression = U32(data + 16), used = U32(data + 32);
        int32_t width = static_cast<int32_t>(U32(data + 4)), height = static_cast<int32_t>(U32(data + 8));
        uint16_t bits = static_cast<uint16_t>(data[14] | data[15] << 8);
        if (headerSize != 40 || compression != 0 || width <= 0 || height == 0 || bits != 4) return false;
        uint32_t colours = used == 0 || used > 16 ? 16 : used;
        size_t stride = ((static_cast<size_t>(width) * 4 + 31) / 32) * 4;
        size_t rows = static_cast<size_t>(height < 0 ? -height : height);
        size_t offset = 40 + 4 * static_cast<size_t>(colours);
        if (size < offset + stride * rows) return false;
        Width = width;
        Height = static_cast<int>(rows);
        Pixels.assign(static_cast<size_t>(Width) * Height, 0);
        for (size_t y = 0; y < rows; ++y) {
            const uint8_t* row = data + offset + stride * (height < 0 ? y : rows - 1 - y);
            for (int x = 0; x < Width; ++x) {
                uint32_t index = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
                if (index >= colours) return false;
                const uint8_t* c = data + 40 + 4 * index;
                Pixels[y * Width + x] = Ref(c[2], c[1], c[0]);
            }
        }
        return true;
    }
    // Colour reference 0x00BBGGRR; white outside.
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= Width || y >= Height) return 0xFFFFFF;
        return Pixels[static_cast<size_t>(y) * Width + x];
    }
    int Width = 0, Height = 0;

private:
    static uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
    static uint32_t Ref(uint8_t r, uint8_t g, uint8_t b) { return r | g << 8 | static_cast<uint32_t>(b) << 16; }
    std::vector<uint32_t> Pixels;
};

}  // namespace pixelcheck
