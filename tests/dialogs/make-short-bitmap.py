#!/usr/bin/env python3
"""A BMP file whose header promises the game's 16 x 256 strip of 4-bit
cells but whose pixel bits stop after a few rows: a damaged bitmap 410."""
import struct
import sys

width, height, bits = 16, 256, 4
colours = [(0, 0, 0, 0), (255, 255, 255, 0)] + [(128, 128, 128, 0)] * 14
pixels = b"\x11" * 8 * 4  # four rows of the 8-byte rows the header promises
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 8 * height, 0, 0, 16, 0)
table = b"".join(bytes(c) for c in colours)
offset = 14 + len(info) + len(table)
header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
with open(sys.argv[1], "wb") as f:
    f.write(header + info + table + pixels)
