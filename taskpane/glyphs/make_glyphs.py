#!/usr/bin/env python3
"""Draws the twelve glyph bitmaps of the system look (ids 107 to 118) as 24-bit BMP files.

18 x 19 pixels; pure red marks transparent pixels and RGB(13, 14, 15) the pixels that take the
requested colour. 107-109 double chevrons up, 110-112 down; 113-115 triangles right, 116-118
down. Each set is normal, hot (bolder) and pressed (one pixel lower and further right).
Run it from anywhere; it writes next to itself."""

import os
import struct

W, H = 18, 19
CLEAR, INK = (255, 0, 0), (13, 14, 15)


def chevrons(up, bold):
    ink = set()
    for top in (5, 10):  # two chevrons, apex rows
        for arm in range(5):
            for thick in range(3 if bold else 2):
                y = top + arm + thick
                for x in (8 - arm, 9 + arm):
                    ink.add((x, y))
    if not up:
        ink = {(x, 18 - y) for x, y in ink}
    return ink


def triangle(down, bold):
    ink = set()
    size = 5 if bold else 4
    for i in range(size):
        for j in range(-i, i + 1):
            if down:  # apex at the bottom
                ink.add((9 + j, 7 + size - 1 - i))
            else:
                ink.add((6 + size - 1 - i, 9 + j))
    return ink


def write(path, ink, shift):
    rows = []
    for y in range(H - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(W):
            on = (x - shift, y - shift) in ink
            r, g, b = INK if on else CLEAR
            row += bytes((b, g, r))
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
        f.write(header + pixels)


here = os.path.dirname(os.path.abspath(__file__))
sets = [(107, lambda b: chevrons(True, b)), (110, lambda b: chevrons(False, b)),
        (113, lambda b: triangle(False, b)), (116, lambda b: triangle(True, b))]
for first, draw in sets:
    write(os.path.join(here, f"glyph{first}.bmp"), draw(False), 0)
    write(os.path.join(here, f"glyph{first + 1}.bmp"), draw(True), 0)
    write(os.path.join(here, f"glyph{first + 2}.bmp"), draw(True), 1)
