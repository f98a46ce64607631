#!/usr/bin/env python3
"""Writes the bitmaps of the task-pane tests next to itself (run it after changing a picture).

strip24.bmp   12 x 4, 24-bit: three 4 x 4 images; magenta (255, 0, 255) pixels on the
              diagonal of every image, the second row of image 1 in (201, 99, 13), the rest
              a colour per image.
strip8.bmp    8 x 4, 8 bits per pixel (a strip that must be refused).
key24.bmp     6 x 3, 24-bit: magenta in the left column, (10, 20, 30) elsewhere.
key8.bmp      4 x 2, 8-bit: palette entry 1 is magenta (left column), entry 2 is (40, 50, 60).
alpha32.bmp   2 x 2, 32-bit with alpha: (200, 100, 50) at alpha 255, 128, 0 and 51.
key4.bmp      4 x 2, 4 bits per pixel: palette entry 3 is green (left column), entry 5 is (70, 80, 90).
up24.bmp      3 x 2, 24-bit: (10, 20, 30) at the top left, (200, 40, 0) at the bottom right,
              magenta everywhere else.
up8.bmp       3 x 2, 8-bit: (40, 50, 60) at the top left, (250, 200, 0) at the bottom right,
              magenta (palette entry 1) elsewhere.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(name, width, height, bits, rows, palette=b""):
    """rows: top-down list of byte strings, already in the pixel format."""
    stride = (width * bits + 31) // 32 * 4
    data = b"".join(r.ljust(stride, b"\0") for r in reversed(rows))
    colours = len(palette) // 4
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835, colours, 0)
    offset = 14 + len(info) + len(palette)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + palette + data)


def bgr(r, g, b):
    return bytes((b, g, r))


MAGENTA = (255, 0, 255)
FILL = [(20, 120, 220), (90, 180, 30), (250, 250, 10)]
rows = []
for y in range(4):
    row = b""
    for image in range(3):
        for x in range(4):
            if x == y:
                row += bgr(*MAGENTA)
            elif image == 1 and y == 1:
                row += bgr(201, 99, 13)
            else:
                row += bgr(*FILL[image])
    rows.append(row)
bmp("strip24.bmp", 12, 4, 24, rows)

grey = b"".join(bytes((i, i, i, 0)) for i in range(256))
bmp("strip8.bmp", 8, 4, 8, [bytes(range(8))] * 4, grey)

bmp("key24.bmp", 6, 3, 24, [bgr(*MAGENTA) + bgr(10, 20, 30) * 5] * 3)

palette = bytes((0, 0, 0, 0)) + bytes((255, 0, 255, 0)) + bytes((60, 50, 40, 0)) + bytes(4 * 253)
bmp("key8.bmp", 4, 2, 8, [bytes((1, 2, 2, 2))] * 2, palette)


def bgra(r, g, b, a):
    return bytes((b, g, r, a))


bmp("alpha32.bmp", 2, 2, 32, [bgra(200, 100, 50, 255) + bgra(200, 100, 50, 128),
                              bgra(200, 100, 50, 0) + bgra(200, 100, 50, 51)])

palette4 = bytes(4 * 3) + bytes((0, 255, 0, 0)) + bytes(4) + bytes((90, 80, 70, 0)) + bytes(4 * 10)
bmp("key4.bmp", 4, 2, 4, [bytes((0x35, 0x55))] * 2, palette4)

bmp("up24.bmp", 3, 2, 24, [bgr(10, 20, 30) + bgr(*MAGENTA) * 2, bgr(*MAGENTA) * 2 + bgr(200, 40, 0)])
palette_up = bytes(4) + bytes((255, 0, 255, 0)) + bytes((60, 50, 40, 0)) + bytes((0, 200, 250, 0)) + bytes(4 * 252)
bmp("up8.bmp", 3, 2, 8, [bytes((2, 1, 1)), bytes((1, 1, 3))], palette_up)
