"""The program's pictures as SVG, drawn on a 32-unit grid.

Every part takes `t`, the width of one device pixel in grid units at the size being drawn
(2 at 16 px, 1 at 32 px, 2/3 at 48 px), so outlines stay one pixel wide and edges land on
pixel boundaries at every size. Colours are shared so the whole set reads as one family.
"""

# --- palette -------------------------------------------------------------------------------
INK = "#3b4452"          # outlines of neutral things
PAPER = "#ffffff"
SKY_TOP = "#8fd0fa"
SKY_BOTTOM = "#4aa3e8"
HILL = "#3c9a5f"
HILL_FAR = "#7cc48f"
SUN = "#ffc53d"
COVER = "#5a5fd8"         # album cover
COVER_DARK = "#363a9e"
GREEN = "#1f9d55"
RED = "#e5484d"
BLUE = "#2f7de1"
BLUE_DARK = "#1d5db3"
AMBER = "#f7c04a"
AMBER_BACK = "#e49b2c"
AMBER_DARK = "#a86a10"
NOTE = "#fff1b8"
NOTE_DARK = "#b98a00"
SHADOW = "#0b1f4d"


def defs():
    return (
        "<defs>"
        f'<linearGradient id="sky" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{SKY_TOP}"/>'
        f'<stop offset="1" stop-color="{SKY_BOTTOM}"/></linearGradient>'
        '<linearGradient id="tile" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#19b3c8"/>'
        '<stop offset="1" stop-color="#4b46d6"/></linearGradient>'
        '<linearGradient id="gloss" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#ffffff" '
        'stop-opacity="0.35"/><stop offset="1" stop-color="#ffffff" stop-opacity="0"/></linearGradient>'
        "</defs>"
    )


def svg(px, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{px}" height="{px}" viewBox="0 0 32 32">'
            f"{defs()}{body}</svg>")


def rect(x, y, w, h, fill, r=0.0, extra=""):
    rr = f' rx="{r}"' if r else ""
    return f'<rect x="{x}" y="{y}" width="{w}" height="{h}"{rr} fill="{fill}" {extra}/>'


def framed(x, y, w, h, fill, edge, t, r=0.0):
    """A filled box with a one-pixel outline, drawn as two fills so both edges stay sharp."""
    inner_r = max(r - t, 0)
    return rect(x, y, w, h, edge, r) + rect(x + t, y + t, w - 2 * t, h - 2 * t, fill, inner_r)


# --- subjects --------------------------------------------------------------------------------
def landscape(x, y, w, h):
    """Sky, sun and two hills filling the box."""
    sun_r = max(min(w, h) * 0.14, 1.2)
    return (
        rect(x, y, w, h, "url(#sky)")
        + f'<circle cx="{x + w * 0.72}" cy="{y + h * 0.32}" r="{sun_r}" fill="{SUN}"/>'
        + f'<polygon points="{x},{y + h} {x},{y + h * 0.62} {x + w * 0.28},{y + h * 0.42} '
        f'{x + w * 0.62},{y + h} " fill="{HILL_FAR}"/>'
        + f'<polygon points="{x + w * 0.12},{y + h} {x + w * 0.52},{y + h * 0.5} {x + w * 0.72},{y + h * 0.72} '
        f'{x + w * 0.84},{y + h * 0.6} {x + w},{y + h * 0.78} {x + w},{y + h}" fill="{HILL}"/>'
    )


def photo(x, y, w, h, t):
    """A white-bordered print with a landscape."""
    mat = max(t, 2.0 if t <= 1 else t)
    return framed(x, y, w, h, PAPER, INK, t, r=t) + landscape(x + t + mat, y + t + mat, w - 2 * (t + mat),
                                                              h - 2 * (t + mat))


def album(x, y, w, h, t):
    """A bound photo album: cover, darker spine, page edges and a print on the cover."""
    spine = max(4.0, 2 * t) if t < 2 else 4.0
    pages = max(t, 1.0)
    body = framed(x + pages * 2, y + pages, w - pages * 2, h - pages, "#f4f1ea", INK, t, r=t)  # page block
    body += framed(x, y, w - pages * 2, h - pages, COVER, COVER_DARK, t, r=t)
    body += rect(x + t, y + t, spine, h - pages - 2 * t, COVER_DARK)
    pw = w - pages * 2 - spine - 2 * t - 4
    ph = min(pw * 0.8, h - pages - 8)
    px_ = x + spine + t + 2
    py_ = y + (h - pages - ph) / 2
    mat = t if t >= 1 else 1
    body += rect(px_, py_, pw, ph, PAPER) + landscape(px_ + mat, py_ + mat, pw - 2 * mat, ph - 2 * mat)
    return body


def folder(x, y, w, h, t, front=AMBER):
    """A closed folder: back with tab, front flap."""
    tab_w = w * 0.42
    back = (f'<path d="M{x} {y + 2} q0 -2 2 -2 h{tab_w - 4} l3 3 h{w - tab_w - 1} q0 0 0 0 v{h - 3} h{-w} z" '
            f'fill="{AMBER_DARK}"/>')
    back += (f'<path d="M{x + t} {y + 2} q0 -{2 - t} {2 - t} -{2 - t} h{tab_w - 4} l3 3 h{w - tab_w - 1 - t} '
             f'v{h - 3 - t} h{-(w - 2 * t)} z" fill="{AMBER_BACK}"/>')
    front_box = framed(x, y + 5, w, h - 5, front, AMBER_DARK, t, r=t)
    return back + front_box


def open_folder(x, y, w, h, t):
    """An open folder with a print standing in it."""
    tab_w = w * 0.42
    body = (f'<path d="M{x} {y + 2} q0 -2 2 -2 h{tab_w - 4} l3 3 h{w - tab_w - 1} v{h - 3} h{-w} z" '
            f'fill="{AMBER_DARK}"/>')
    body += (f'<path d="M{x + t} {y + 2} q0 -{2 - t} {2 - t} -{2 - t} h{tab_w - 4} l3 3 h{w - tab_w - 1 - t} '
             f'v{h - 3 - t} h{-(w - 2 * t)} z" fill="{AMBER_BACK}"/>')
    body += photo(x + 5, y + 2, w - 8, h * 0.62, t)
    flap_top = y + h * 0.42
    body += (f'<path d="M{x - 1} {flap_top} h{w - 4} l{5} 0 l-4 {y + h - flap_top} h{-(w - 3)} z" '
             f'fill="{AMBER_DARK}"/>')
    body += (f'<path d="M{x - 1 + t * 1.6} {flap_top + t} h{w + 1 - t * 3.2} l-4 {y + h - flap_top - 2 * t} '
             f'h{-(w - 3 - t * 0.4)} z" fill="{AMBER}"/>')
    return body


def page(x, y, w, h, t, fold=7.0):
    """A sheet of paper with a folded top-right corner."""
    d = t * 0.41  # how far the inset diagonal moves along each axis
    outer = [(x, y), (x + w - fold, y), (x + w, y + fold), (x + w, y + h), (x, y + h)]
    inner = [(x + t, y + t), (x + w - fold - d, y + t), (x + w - t, y + fold + d), (x + w - t, y + h - t),
             (x + t, y + h - t)]
    flap = [(x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)]
    flap_in = [(x + w - fold + t, y + 2.4 * t), (x + w - fold + t, y + fold - t), (x + w - 2.4 * t, y + fold - t)]
    return polygon(outer, INK) + polygon(inner, PAPER) + polygon(flap, INK) + polygon(flap_in, "#dfe4ea")


def polygon(points, fill):
    return f'<polygon points="{" ".join(f"{px},{py}" for px, py in points)}" fill="{fill}"/>'


def sparkle(cx, cy, r, fill=SUN, edge="#d08f00"):
    """A four-pointed star."""
    k = r * 0.28

    def pts(rad, kk):
        return (f"{cx},{cy - rad} {cx + kk},{cy - kk} {cx + rad},{cy} {cx + kk},{cy + kk} "
                f"{cx},{cy + rad} {cx - kk},{cy + kk} {cx - rad},{cy} {cx - kk},{cy - kk}")

    return (f'<polygon points="{pts(r + 1, k + 0.5)}" fill="{edge}"/>'
            f'<polygon points="{pts(r, k)}" fill="{fill}"/>')


def floppy(x, y, w, h, t):
    """A disk: blue body, metal shutter at the top, white label at the bottom."""
    body = framed(x, y, w, h, "#3f74c4", "#234a85", t, r=t * 1.5)
    sw = w * 0.56
    body += rect(x + (w - sw) / 2, y + t, sw, h * 0.36, "#d9e0e8")
    body += rect(x + (w - sw) / 2 + sw * 0.62, y + t + h * 0.06, sw * 0.2, h * 0.24, "#5b6675")
    lw = w - 2 * t - 6
    body += rect(x + t + 3, y + h * 0.54, lw, h * 0.46 - t, PAPER)
    body += rect(x + t + 5, y + h * 0.66, lw - 4, t, "#9aa6b5")
    body += rect(x + t + 5, y + h * 0.8, lw - 4, t, "#9aa6b5")
    return body


def speech(x, y, w, h, t):
    """A speech bubble with lines of text."""
    tail = f'<path d="M{x + 5} {y + h - 1} l-1 6 l7 -6 z" fill="{NOTE_DARK}"/>'
    tail_in = f'<path d="M{x + 5 + t} {y + h - 1 - t} l-0.4 {4.4} l{5} {-4.4} z" fill="{NOTE}"/>'
    box = framed(x, y, w, h, NOTE, NOTE_DARK, t, r=3)
    lines = rect(x + 4, y + h * 0.3, w - 8, max(t, 1.5), "#8a6a00") + rect(x + 4, y + h * 0.6, w - 12,
                                                                            max(t, 1.5), "#8a6a00")
    return tail + box + tail_in + lines


def pencil(x, y, length, t):
    """A pencil lying from bottom-left (its point at x, y) up to the right at 45 degrees."""
    wdt = 5.0
    g = f'<g transform="translate({x} {y}) rotate(-45)">'
    g += f'<polygon points="0,0 5,{-wdt / 2} 5,{wdt / 2}" fill="#f3d7a8"/>'
    g += f'<polygon points="0,0 1.8,{-wdt * 0.18} 1.8,{wdt * 0.18}" fill="{INK}"/>'
    g += rect(5, -wdt / 2, length - 9, wdt, "#f59e0b") + rect(5, -wdt / 2, length - 9, wdt / 3, "#fbbf24")
    g += rect(length - 4, -wdt / 2, 1.5, wdt, "#9aa6b5") + rect(length - 2.5, -wdt / 2, 2.5, wdt, "#f08a9b", 0.8)
    g += (f'<path d="M0 0 L5 {-wdt / 2} H{length} V{wdt / 2} H5 Z" fill="none" stroke="#7a4a00" '
          f'stroke-width="{t * 0.9}" stroke-linejoin="round"/>')
    return g + "</g>"


def browser(x, y, w, h, t):
    """A browser window: title bar with three dots, content area."""
    body = framed(x, y, w, h, PAPER, INK, t, r=t * 1.5)
    bar = max(5.0, 3 * t)
    body += rect(x + t, y + t, w - 2 * t, bar - t, BLUE)
    dot = max(1.0, t * 0.75)
    for i in range(3):
        body += rect(x + t + 2 + i * (dot + 1.2), y + t + (bar - t - dot) / 2, dot, dot, "#dbe9fb")
    return body, bar


def envelope(x, y, w, h, t):
    """A closed letter: paper with the flap's two folds."""
    body = framed(x, y, w, h, PAPER, INK, t, r=t * 1.5)
    folds = (f'<path d="M{x + t} {y + t} L{x + w / 2} {y + h * 0.58} L{x + w - t} {y + t}" fill="none" '
             f'stroke="{BLUE}" stroke-width="{max(t, 1.5)}" stroke-linejoin="round"/>')
    return body + folds


def big_t(x, y, w, h, fill=INK):
    """A bold capital T drawn as two bars."""
    stem = w * 0.3
    return rect(x, y, w, h * 0.24, fill) + rect(x + (w - stem) / 2, y, stem, h, fill)


def globe(cx, cy, r, t):
    """The earth in a sky-blue sphere: its rim, the equator, the middle meridian and one pair of
    meridians bowed out to either side."""
    w = max(t, 1.0)
    line = "#e3f1fd"
    out = f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{BLUE_DARK}"/>'
    out += f'<circle cx="{cx}" cy="{cy}" r="{r - w}" fill="url(#sky)"/>'
    out += (f'<ellipse cx="{cx}" cy="{cy}" rx="{r * 0.45}" ry="{r - w}" fill="none" stroke="{line}" '
            f'stroke-width="{w}"/>')
    out += rect(cx - r + w, cy - w / 2, 2 * (r - w), w, line)
    out += rect(cx - w / 2, cy - r + w, w, 2 * (r - w), line)
    return out


# --- badges (bottom right, with a white ring that separates them from the subject) ----------
def badge(kind, t, r=None):
    # The centre sits where a two-unit bar covers whole pixels: 24 at 32 px, 23 at 16 px.
    cx = cy = 24.0 if t <= 1 else 23.0
    if r is None:
        r = 7.0 if t <= 1 else 8.0
    ring = f'<circle cx="{cx}" cy="{cy}" r="{r + max(t, 1.0)}" fill="{PAPER}"/>'
    colour = {"plus": GREEN, "cross": RED, "up": BLUE, "down": BLUE}[kind]
    out = ring + f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{colour}"/>'
    bar = 2.0
    arm = r - 2.5 if t <= 1 else r - 3.0
    if kind == "plus":
        out += rect(cx - arm, cy - bar / 2, 2 * arm, bar, PAPER) + rect(cx - bar / 2, cy - arm, bar, 2 * arm, PAPER)
    elif kind == "cross":
        g = f'<g transform="rotate(45 {cx} {cy})">'
        g += rect(cx - arm, cy - bar / 2, 2 * arm, bar, PAPER) + rect(cx - bar / 2, cy - arm, bar, 2 * arm, PAPER)
        out += g + "</g>"
    else:
        s = -1 if kind == "up" else 1
        head = arm
        tip = cy + s * arm
        base = cy + s * (arm - head)
        out += (f'<polygon points="{cx},{tip} {cx - head},{base} {cx + head},{base}" fill="{PAPER}"/>')
        out += rect(cx - bar / 2, min(base, cy - s * arm), bar, abs(base - (cy - s * arm)), PAPER)
    return out


def rotate_arrow(clockwise, t):
    """A thick arc over the top right with its arrow head, for the rotate commands."""
    w = 3.0 if t <= 1 else 4.0
    cx, cy, r = 20.0, 17.0, 9.0
    if clockwise:
        # From the left of the top, sweeping clockwise down the right side.
        d = f"M{cx - r * 0.9} {cy - r * 0.44} A{r} {r} 0 0 1 {cx + r} {cy + 1.0}"
        hx, hy = cx + r, cy + 6.5
        head = f"{hx - 5.2},{cy} {hx + 5.2},{cy} {hx},{hy}"
    else:
        d = f"M{cx + r * 0.9} {cy - r * 0.44} A{r} {r} 0 0 0 {cx - r} {cy + 1.0}"
        hx, hy = cx - r, cy + 6.5
        head = f"{hx - 5.2},{cy} {hx + 5.2},{cy} {hx},{hy}"
    ring = (f'<path d="{d}" fill="none" stroke="{PAPER}" stroke-width="{w + 2 * max(t, 1)}" '
            f'stroke-linecap="round"/>')
    arc = f'<path d="{d}" fill="none" stroke="{BLUE}" stroke-width="{w}" stroke-linecap="butt"/>'
    return ring + arc + f'<polygon points="{head}" fill="{BLUE}" stroke="{PAPER}" stroke-width="{max(t, 1)}" ' \
                        f'stroke-linejoin="round" paint-order="stroke"/>'


# --- the pictures ----------------------------------------------------------------------------
def base_photo(t):
    return photo(2, 4, 24, 20, t)


def base_album(t):
    return album(2, 2, 22, 24, t)


def glyph(name, t):
    """The body of one picture by name, for a pixel width t (in grid units)."""
    if name == "new":
        return page(6, 2, 22, 28, t) + sparkle(7.5, 8.5, 6.0)
    if name == "open":
        return open_folder(2, 6, 28, 22, t)
    if name == "save":
        return floppy(4, 4, 24, 24, t)
    if name == "album":
        return album(4, 2, 24, 28, t)
    if name == "album_add":
        return base_album(t) + badge("plus", t)
    if name == "album_edit":
        return base_album(t) + pencil(14.5, 29.5, 19.0, t)
    if name == "album_copy":
        return album(10, 10, 20, 20, t) + album(2, 2, 20, 20, t)
    if name == "album_remove":
        return base_album(t) + badge("cross", t)
    if name == "album_up":
        return base_album(t) + badge("up", t)
    if name == "album_down":
        return base_album(t) + badge("down", t)
    if name == "images_add":
        return base_photo(t) + badge("plus", t)
    if name == "folder_add":
        return folder(2, 4, 26, 20, t) + badge("plus", t)
    if name == "images_up":
        return base_photo(t) + badge("up", t)
    if name == "images_down":
        return base_photo(t) + badge("down", t)
    if name == "rotate_left":
        return photo(6, 12, 22, 18, t) + rotate_arrow(False, t)
    if name == "rotate_right":
        return photo(2, 12, 22, 18, t) + rotate_arrow(True, t)
    if name == "comment":
        return photo(2, 2, 22, 18, t) + speech(12, 14, 18, 12, t)
    if name == "images_remove":
        return base_photo(t) + badge("cross", t)
    if name == "title":
        return (framed(4, 4, 24, 24, PAPER, INK, t, r=t * 1.5) + big_t(10, 8, 12, 12)
                + rect(8, 22, 16, max(t, 1.5), "#9aa6b5"))
    if name == "view":
        body, bar = browser(2, 4, 28, 24, t)
        gx, gy = 2 + t + 2, 4 + bar + 2
        cw = (28 - 2 * t - 6) / 2
        ch = (24 - bar - t - 6) / 2
        for row in range(2):
            for col in range(2):
                body += landscape(gx + col * (cw + 2), gy + row * (ch + 2), cw, ch)
        return body
    if name == "publish":
        return globe(14, 14, 12, t) + badge("up", t)
    if name == "program":
        return program_icon(t)
    if name == "ok":
        return (f'<circle cx="16" cy="16" r="14" fill="{GREEN}"/>'
                f'<path d="M9 16.5 L14 21.5 L23.5 11" fill="none" stroke="{PAPER}" stroke-width="{max(3.0, 2 * t)}" '
                'stroke-linecap="round" stroke-linejoin="round"/>')
    if name == "mail":
        return envelope(2, 7, 28, 20, t) + sparkle(25, 8, 6.0)
    if name == "group_albums":
        return album(2, 2, 22, 26, t) + photo(12, 10, 19, 17, t)
    raise KeyError(name)


def program_icon(t):
    """A rounded tile with three prints fanned out: photographs woven into one gallery."""
    tile = rect(1, 1, 30, 30, "url(#tile)", r=6.5)
    if t >= 2:  # 16 px: one print reads better than three
        return tile + photo(6, 7, 20, 18, t)
    tile += rect(1, 1, 30, 15, "url(#gloss)", r=6.5)
    shadow = 'fill-opacity="0.28"'
    body = tile
    for angle, dx in ((-14, -4.0), (14, 4.0)):
        body += (f'<g transform="rotate({angle} 16 26) translate({dx} 0)">'
                 + rect(7.5, 8.5, 17, 15, SHADOW, r=1.0, extra=shadow) + photo(7, 8, 17, 15, t) + "</g>")
    body += f'<g>{rect(7.5, 10.5, 18, 16, SHADOW, r=1.0, extra=shadow)}{photo(7, 10, 18, 16, t)}</g>'
    return body
