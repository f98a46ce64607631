#!/usr/bin/env python3
"""Writes the bitmaps of the "blue" fake shell style into styles/blue/ (run it after changing one).

The blue style is a complete, good-looking style sheet: the screenshots draw Builder.exe's task
pane with it, and the painting tests check its pixels. Every bitmap is 32-bit with straight
(not premultiplied) alpha; the sheet loads them with rcbmp(id, mode, -1).

header.bmp        186 x 21  normal group header: white at the left to (198, 211, 247) at the
                            right, the two top corners rounded off (transparent).
main_header.bmp   186 x 21  main group header: (0, 84, 227) to (43, 112, 245), same corners.
arrow_*.bmp       19 x 19   the toggle: a round button with two chevrons, pointing up when the
                            group is open ("open"), down when it is shut ("shut"); "hot" under
                            the mouse; "main_" for the main group (white on a translucent disc).
Pixels the tests rely on: the header's middle (column 93, row 10) and corner (0, 0); an arrow's
disc at (9, 2) and its upper chevron tip (9, 5) for "open" or lower tip (9, 13) for "shut".
"""

import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "blue")


def write(name, width, height, pixels):
    """pixels: top-down rows of (r, g, b, a) tuples."""
    data = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + data)


def mix(a, b, s):
    return tuple(round(x + (y - x) * s) for x, y in zip(a, b))


def coverage(inside, x, y, n=4):
    """The share of pixel (x, y) that `inside(px, py)` covers, by n x n samples."""
    hits = sum(inside(x + (i + 0.5) / n, y + (j + 0.5) / n) for i in range(n) for j in range(n))
    return hits / (n * n)


def header(name, left, right, width=186, height=21, radius=3.0):
    def inside(px, py):
        # Rounded top corners: outside the quarter circles of `radius` there is nothing.
        for cx in (radius, width - radius):
            if py < radius and abs(px - cx) > 0 and (px < radius if cx == radius else px > width - radius):
                return math.hypot(px - cx, py - radius) <= radius
        return True

    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            r, g, b = mix(left, right, x / (width - 1))
            row.append((r, g, b, round(255 * coverage(inside, x, y))))
        rows.append(row)
    write(name, width, height, rows)


def arrow(name, disc, ring, ink, pointing_up, size=19):
    c = (size - 1) / 2.0
    outer = 8.5

    def chevron(px, py, tip_y):
        # A "^" (or "v") 2 pixels thick, 8 wide, with its tip at (c, tip_y).
        dy = (py - tip_y) if pointing_up else (tip_y - py)
        dx = abs(px - (c + 0.5))
        return 0 <= dy <= 4.5 and abs(dy - dx) <= 1.1 and dx <= 4.5

    tips = (5.0, 9.0) if pointing_up else (14.0, 10.0)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = coverage(lambda px, py: math.hypot(px - c - 0.5, py - c - 0.5) <= outer, x, y)
            edge = coverage(lambda px, py: outer - 1.2 <= math.hypot(px - c - 0.5, py - c - 0.5) <= outer, x, y)
            mark = coverage(lambda px, py: any(chevron(px, py, t) for t in tips), x, y)
            # Disc, then its ring, then the chevrons, each over what is below.
            rgb, a = disc[:3], disc[3] * d / 255
            for colour, share in ((ring, edge), (ink, mark)):
                s = share * colour[3] / 255
                out_a = s + a * (1 - s)
                if out_a > 0:
                    rgb = tuple((colour[i] * s + rgb[i] * a * (1 - s)) / out_a for i in range(3))
                a = out_a
            row.append(tuple(round(v) for v in rgb) + (round(255 * a),))
        rows.append(row)
    write(name, size, size, rows)


os.makedirs(OUT, exist_ok=True)
header("header.bmp", (255, 255, 255), (198, 211, 247))
header("main_header.bmp", (0, 84, 227), (43, 112, 245))

WHITE = (255, 255, 255, 255)
for state, ink, ring in (("", (33, 93, 198, 255), (198, 211, 247, 255)),
                         ("_hot", (66, 142, 255, 255), (160, 186, 240, 255))):
    for shape, up in (("open", True), ("shut", False)):
        arrow(f"arrow_{shape}{state}.bmp", WHITE, ring, ink, up)
for state, disc, ink in (("", (255, 255, 255, 60), (255, 255, 255, 255)),
                         ("_hot", (255, 255, 255, 110), (198, 211, 247, 255))):
    for shape, up in (("open", True), ("shut", False)):
        arrow(f"main_arrow_{shape}{state}.bmp", disc, (255, 255, 255, 200), ink, up)
