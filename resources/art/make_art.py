#!/usr/bin/env python3
"""Draws every icon and bitmap of the program from glyphs.py (and the dialogs' pictures from
pictures.py) and writes the binaries that the
resource script includes. Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert; only the
standard library of Python.

    make_art.py OUT_DIR [--sheet contact.png]
"""

import os
import struct
import subprocess
import sys
import tempfile

import glyphs
import pictures

CONVERT = "/usr/bin/convert"  # the real ImageMagick, not a stand-in earlier on the path

# Icon id -> picture name. The toolbar icons and the two strips must match in meaning.
ICONS = {
    137: "new", 142: "open", 143: "save",
    158: "album_add", 159: "album_edit", 160: "album_copy", 161: "album_remove", 162: "album_up", 163: "album_down",
    149: "images_add", 148: "folder_add", 150: "images_up", 151: "images_down", 147: "rotate_left",
    146: "rotate_right", 152: "comment", 153: "images_remove", 154: "title", 155: "view",
}
# Each picture is drawn at every size it is shown at: 1x, 1.5x and 2x of the 16- and 32-pixel
# sizes, so a scaled display never stretches a smaller one.
TOOLBAR_SIZES = (16, 24, 32, 48, 64)

# Icons of the dialogs: the update notifications' window icon and the about box's OK button.
DIALOG_ICONS = {32833: "mail", 32850: "ok"}

# Cells of the 16-pixel strip, in index order: the task links 0..16 and the thumbnail view's
# context menu 6..13 use them by position. A new picture goes at the end.
STRIP_16 = ["album_add", "album_edit", "album_copy", "album_remove", "album_up", "album_down",
            "images_add", "folder_add", "images_up", "images_down", "rotate_left", "rotate_right",
            "comment", "images_remove", "title", "view", "publish"]
STRIP_16_MASK = (123, 124, 125)  # 0x7D7C7B

# The larger strips for scaled displays: file name suffix -> (menu strip size, header strip size).
STRIP_SCALES = {"": (16, 48), "_150": (24, 72), "_200": (32, 96)}

# The 48-pixel strip: the album group's header icon.
STRIP_48 = ["group_albums"]
STRIP_48_MASK = (255, 0, 255)

# Masked strips have no alpha: an edge pixel at least this opaque is kept, blended over the
# light backgrounds they are shown on, and the rest becomes the mask colour.
OPAQUE_ENOUGH = 110
STRIP_BACKDROP = (246, 247, 249)


def render(name, px, work):
    """RGBA bytes, rows top to bottom, of picture `name` at px x px."""
    t = 32.0 / px
    svg_path = os.path.join(work, f"{name}_{px}.svg")
    png_path = os.path.join(work, f"{name}_{px}.png")
    with open(svg_path, "w", encoding="utf-8") as f:
        f.write(glyphs.svg(px, glyphs.glyph(name, t)))
    subprocess.run(["rsvg-convert", "-w", str(px), "-h", str(px), "-o", png_path, svg_path], check=True)
    raw = subprocess.run([CONVERT, png_path, "-depth", "8", "RGBA:-"], check=True, capture_output=True).stdout
    if len(raw) != px * px * 4:
        raise RuntimeError(f"{name} at {px}: expected {px * px * 4} bytes, got {len(raw)}")
    return raw, png_path


def ico_bitmap_entry(rgba, px):
    """One 32-bit icon image: header, bottom-up BGRA pixels, then the 1-bit AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, px, px * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(px - 1, -1, -1):
        row = bytearray()
        for x in range(px):
            r, g, b, a = rgba[(y * px + x) * 4:(y * px + x) * 4 + 4]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((px + 31) // 32) * 4
    mask = bytearray()
    for y in range(px - 1, -1, -1):
        line = bytearray(mask_stride)
        for x in range(px):
            if rgba[(y * px + x) * 4 + 3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + b"".join(rows) + bytes(mask)


def write_ico(path, images):
    """images: list of (px, data bytes). Sizes up to 48 as bitmaps, 256 as PNG."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for px, data in images:
        dim = 0 if px >= 256 else px
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(head + entries + blobs)


def make_icon(path, name, sizes, work):
    images = []
    for px in sizes:
        rgba, png_path = render(name, px, work)
        if px >= 256:
            with open(png_path, "rb") as f:
                images.append((px, f.read()))
        else:
            images.append((px, ico_bitmap_entry(rgba, px)))
    write_ico(path, images)


def flatten(rgba, mask):
    """Masked RGB pixels from RGBA; no drawn pixel may equal the mask colour by chance."""
    out = []
    for i in range(0, len(rgba), 4):
        r, g, b, a = rgba[i:i + 4]
        if a < OPAQUE_ENOUGH:
            out.append(mask)
            continue
        px = tuple((c * a + d * (255 - a)) // 255 for c, d in zip((r, g, b), STRIP_BACKDROP))
        if px == mask:
            px = (px[0], px[1], px[2] ^ 1)
        out.append(px)
    return out


def write_strip(path, names, px, mask, work):
    """A 24-bit bottom-up BMP with the pictures side by side."""
    cells = [flatten(render(n, px, work)[0], mask) for n in names]
    width, height = px * len(names), px
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for cell in cells:
            for x in range(px):
                r, g, b = cell[y * px + x]
                row += bytes((b, g, r))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(file_head + info + pixels)


def contact_sheet(out_png, work, out_dir):
    """Every picture at 16 and 32 px (enlarged four times), the two strips, and the program icon."""
    names = list(ICONS.values()) + ["album", "publish", "program"]
    grids = []
    for px in (16, 32):
        grid = os.path.join(work, f"sheet_{px}.png")
        subprocess.run(["/usr/bin/montage"] + [os.path.join(work, f"{n}_{px}.png") for n in names]
                       + ["-filter", "point", "-resize", "128x128", "-tile", "11x", "-geometry", "+6+6",
                          "-background", "white", grid], check=True)
        grids.append(grid)
    strips = os.path.join(work, "sheet_strips.png")
    subprocess.run([CONVERT, "-background", "#dde6f5",
                    "(", os.path.join(out_dir, "bitmap_131.bmp"), "-filter", "point", "-resize", "300%", ")",
                    "(", os.path.join(out_dir, "bitmap_138.bmp"), "-filter", "point", "-resize", "200%", ")",
                    os.path.join(work, "program_48.png"), os.path.join(work, "program_256.png"),
                    "+append", strips], check=True)
    subprocess.run([CONVERT, "-background", "#eef1f5"] + grids + [strips, "-append", out_png], check=True)


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    out_dir = argv[1]
    sheet = argv[argv.index("--sheet") + 1] if "--sheet" in argv else None
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        for icon_id, name in ICONS.items():
            make_icon(os.path.join(out_dir, f"icon_{icon_id}.ico"), name, TOOLBAR_SIZES, work)
        make_icon(os.path.join(out_dir, "icon_128.ico"), "program", (16, 24, 32, 48, 64, 256), work)
        make_icon(os.path.join(out_dir, "icon_164.ico"), "album", (16, 24, 32), work)
        for icon_id, name in DIALOG_ICONS.items():
            make_icon(os.path.join(out_dir, f"icon_{icon_id}.ico"), name, (16, 24, 32, 48, 64), work)
        pictures.make(out_dir, work)
        for suffix, (menu_px, header_px) in STRIP_SCALES.items():
            write_strip(os.path.join(out_dir, f"bitmap_131{suffix}.bmp"), STRIP_16, menu_px, STRIP_16_MASK, work)
            write_strip(os.path.join(out_dir, f"bitmap_138{suffix}.bmp"), STRIP_48, header_px, STRIP_48_MASK, work)
        if sheet:
            contact_sheet(sheet, work, out_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
