#!/usr/bin/env python3
"""Writes the strip of square images (bitmap resource 410) as a 4-bit BMP.

Usage: make-squares.py LAYOUT OUT.bmp   (LAYOUT 4 or 5)

The game draws every square from this strip, so these pictures are the only
definition of how a square looks. The older layout (4) draws 7 in purple,
8 in black and the question mark in navy.
"""
import struct
import sys

# The sixteen colours of the strip's colour table, in VGA order.
PALETTE = {
    'K': (0, 0, 0), 'M': (128, 0, 0), 'E': (0, 128, 0), 'O': (128, 128, 0),
    'N': (0, 0, 128), 'P': (128, 0, 128), 'T': (0, 128, 128), '.': (192, 192, 192),
    'G': (128, 128, 128), 'R': (255, 0, 0), 'L': (0, 255, 0), 'Y': (255, 255, 0),
    'B': (0, 0, 255), 'F': (255, 0, 255), 'A': (0, 255, 255), 'W': (255, 255, 255),
}
ORDER = 'KMEONPT.GRLYBFAW'

COVERED = ["WWWWWWWWWWWWWWWG", "WWWWWWWWWWWWWWGG"] + ["WW............GG"] * 12 + \
          ["WGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGG"]
OPENED = ["GGGGGGGGGGGGGGGG"] + ["G..............."] * 15

FLAG = {3: ".....RRK....", 4: "...RRRRK....", 5: "..RRRRRK....", 6: "...RRRRK....",
        7: ".....RRK....", 8: ".......K....", 9: ".......K....", 10: ".....KKKK...",
        11: "...KKKKKKKK."}  # columns 2..13 of a covered square

QUESTION = {3: "....####....", 4: "...##..##...", 5: ".......##...", 6: "......##....",
            7: ".....##.....", 8: ".....##.....", 10: ".....##.....", 11: ".....##....."}

MINE = {4: ".......K.......", 5: "....K.KKK.K....", 6: ".....WWKKK.....",
        7: "....KWWKKKK....", 8: "...KKKKKKKKK...", 9: "....KKKKKKK....",
        10: ".....KKKKK.....", 11: "....K.KKK.K....", 12: ".......K......."}  # columns 1..15

DIGITS = {
    1: [".....##...", "....###...", "...####...", ".....##...", ".....##...",
        ".....##...", ".....##...", ".....##...", "...######.", "...######."],
    2: ["..######..", ".##....##.", ".......##.", "......##..", ".....##...",
        "....##....", "...##.....", "..##......", ".########.", ".########."],
    3: [".#######..", ".......##.", ".......##.", ".......##.", "...#####..",
        ".......##.", ".......##.", ".......##.", ".......##.", ".#######.."],
    4: [".....##...", "....###...", "...####...", "..##.##...", ".##..##...",
        "##########", "##########", ".....##...", ".....##...", ".....##..."],
    5: [".########.", ".##.......", ".##.......", ".##.......", ".#######..",
        ".......##.", ".......##.", ".......##.", ".##....##.", "..######.."],
    6: ["..######..", ".##.......", ".##.......", ".##.......", ".#######..",
        ".##....##.", ".##....##.", ".##....##.", ".##....##.", "..######.."],
    7: [".########.", ".########.", ".......##.", "......##..", "......##..",
        ".....##...", ".....##...", "....##....", "....##....", "....##...."],
    8: ["..######..", ".##....##.", ".##....##.", ".##....##.", "..######..",
        ".##....##.", ".##....##.", ".##....##.", ".##....##.", "..######.."],
}


def overlay(base, rows, x0, ink=None, y0=0):
    """Paints rows (dict row -> text or list from y0) over base from column x0;
    '.' is transparent, '#' is the ink colour."""
    cell = [list(r) for r in base]
    items = rows.items() if isinstance(rows, dict) else enumerate(rows, y0)
    for y, text in items:
        for i, ch in enumerate(text):
            if ch == '.':
                continue
            cell[y][x0 + i] = ink if ch == '#' else ch
    return ["".join(r) for r in cell]


def cells(layout):
    digit_ink = {1: 'B', 2: 'E', 3: 'R', 4: 'N', 5: 'M', 6: 'T',
                 7: 'K' if layout >= 5 else 'P', 8: 'G' if layout >= 5 else 'K'}
    question_ink = 'K' if layout >= 5 else 'N'
    mine = overlay(OPENED, MINE, 1)
    exploded = overlay([r[0] + r[1:].replace('.', 'R') if y else r for y, r in enumerate(OPENED)], MINE, 1)
    wrong = [list(r) for r in mine]
    for i in range(3, 13):
        wrong[i][i] = 'R'
        wrong[i][15 - i] = 'R'
    strip = [
        COVERED,
        overlay(COVERED, FLAG, 2),
        overlay(COVERED, QUESTION, 2, question_ink),
        exploded,
        ["".join(r) for r in wrong],
        mine,
        overlay(OPENED, QUESTION, 2, question_ink),
    ]
    for n in range(8, 0, -1):
        strip.append(overlay(OPENED, DIGITS[n], 3, digit_ink[n], 3))
    strip.append(OPENED)
    return strip


def write_bmp(path, strip):
    width, height = 16, 16 * len(strip)
    rows = [row for cell in strip for row in cell]
    bits = bytearray()
    for row in reversed(rows):  # bottom-up
        for i in range(0, 16, 2):
            bits.append(ORDER.index(row[i]) << 4 | ORDER.index(row[i + 1]))
    table = b"".join(struct.pack("<BBBB", PALETTE[c][2], PALETTE[c][1], PALETTE[c][0], 0) for c in ORDER)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(bits), 2835, 2835, 16, 16)
    offset = 14 + len(header) + len(table)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(header + table + bits)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("4", "5"):
        sys.exit("usage: make-squares.py 4|5 OUT.bmp")
    strip = cells(int(sys.argv[1]))
    assert all(len(c) == 16 and all(len(r) == 16 for r in c) for c in strip), "cell not 16 x 16"
    write_bmp(sys.argv[2], strip)
