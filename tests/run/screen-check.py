#!/usr/bin/env python3
"""Checks a screenshot of a saver run (raw RGB on stdin) on a screen of
several monitors; prints what it found and exits 1 when the check fails.

screen-check.py WIDTH HEIGHT CHECK [PRIMARY GAME] [--root RRGGBB]
  black    every pixel black (the blank screen, or a run without a game)
  overlay  no pixel of the root colour (the saver window covers every
           monitor), and beside the game (GAME) a white overlay that lies
           wholly on the primary monitor (PRIMARY) and clear of the game;
           nothing else lit outside the game
Rectangles are x,y,w,h in screen pixels (X coordinates, 0,0 top-left).
"""
import sys


def rect(text):
    x, y, w, h = (int(v) for v in text.split(","))
    return x, y, x + w, y + h


def inside(x, y, r):
    return r[0] <= x < r[2] and r[1] <= y < r[3]


def main():
    args = sys.argv[1:]
    root = None
    if "--root" in args:
        i = args.index("--root")
        root = bytes.fromhex(args[i + 1])
        del args[i:i + 2]
    width, height, check = int(args[0]), int(args[1]), args[2]
    primary = rect(args[3]) if check == "overlay" else None
    game = rect(args[4]) if check == "overlay" else (0, 0, 0, 0)
    data = sys.stdin.buffer.read()
    if len(data) != width * height * 3:
        print(f"screenshot of {len(data)} bytes, not {width}x{height}")
        return 1
    rooted = lit = white = 0
    box = [width, height, -1, -1]
    others = []  # lit, not white, outside the game
    for y in range(height):
        row = data[y * width * 3:(y + 1) * width * 3]
        if row.count(0) == len(row):
            continue  # black row: the usual case
        for x in range(width):
            p = row[3 * x:3 * x + 3]
            if p == b"\0\0\0" or inside(x, y, game):
                continue
            lit += 1
            if p == root:
                rooted += 1
            if p == b"\xff\xff\xff":
                white += 1
                box = [min(box[0], x), min(box[1], y), max(box[2], x + 1), max(box[3], y + 1)]
            else:
                others.append((x, y))
    print(f"{check}: {rooted} root-coloured, {lit} lit, {white} white in box {box}")
    if check == "black":
        return 0 if lit == 0 else 1
    # The text's smoothed edges lie just around the white.
    stray = [p for p in others if not (box[0] - 3 <= p[0] < box[2] + 3 and box[1] - 3 <= p[1] < box[3] + 3)]
    on_primary = primary[0] <= box[0] and box[2] <= primary[2] and primary[1] <= box[1] and box[3] <= primary[3]
    clear = box[2] <= game[0] or game[2] <= box[0] or box[3] <= game[1] or game[3] <= box[1]
    print(f"  stray {len(stray)}, on the primary {on_primary}, clear of the game {clear}")
    return 0 if rooted == 0 and white > 200 and not stray and on_primary and clear else 1


if __name__ == "__main__":
    sys.exit(main())
