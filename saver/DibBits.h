// Where the pixel bits of a packed device-independent bitmap (the header,
// the colour table, then the bits, as a bitmap resource holds it) start.
// Portable, so that it is tested natively.
#pragma once

#include <cstdint>

// Offset of the bits in the size bytes at dib, or 0 when the header, the
// colour table or the bits do not all lie within them, or the bitmap is of a
// kind the bitmap code is not to be given (a damaged or hostile resource
// must not make it read past the end).
uint32_t PackedDibBitsOffset(const void* dib, uint32_t size);
