"""The two larger pictures of the program's dialogs, drawn as SVG and converted:

- the start picture (JPEG 32836): a lake at dusk under the program's name, darker on the right
  where the start dialog's white labels stand, with grain and a vignette so it reads as a photo;
- the about box's logo (GIF 32853, 164 x 172, and 1.5 and 2 times as large): an aperture of six coloured
  blades over the name.

Coordinates of the start picture are the start dialog's dialog units times two (860 x 472).
"""

import os
import subprocess

CONVERT = "/usr/bin/convert"

START_W, START_H = 860, 472


def start_svg():
    horizon = 318
    far = ("M0 318 L0 262 C40 250 70 236 110 240 C150 244 170 226 210 214 C250 202 280 222 320 230 "
           "C360 238 390 220 430 206 C470 192 510 214 550 226 C600 240 640 222 690 214 C740 206 790 230 860 238 "
           "L860 318 Z")
    near = ("M0 318 L0 280 C60 272 100 286 150 296 C200 306 250 290 300 300 L330 318 Z "
            "M560 318 C600 300 650 284 700 276 C750 268 810 272 860 262 L860 318 Z")
    trees = ""
    for i, x in enumerate(range(8, 300, 14)):
        h = 18 + (i * 37) % 23
        base = 300 + (x % 11) * 0.6
        trees += f'<polygon points="{x},{base - h} {x - 6},{base} {x + 6},{base}" fill="#0b0f22"/>'
    for i, x in enumerate(range(600, 860, 12)):
        h = 20 + (i * 29) % 27
        base = 290 - (x - 600) * 0.08
        trees += f'<polygon points="{x},{base - h} {x - 6},{base + 4} {x + 6},{base + 4}" fill="#0a0d1e"/>'
    shimmer = ""
    for i in range(70):
        y = horizon + 3 + (i * i) * 0.03
        w = 14 + (i * 37) % 60 + i * 1.5
        x = 300 - w / 2 + ((i * 53) % 41) - 20
        shimmer += (f'<rect x="{x:.1f}" y="{y:.1f}" width="{w:.1f}" height="{1.0 + i * 0.03:.2f}" rx="1" '
                    f'fill="#ffd8a0" opacity="{max(0.04, 0.6 - i * 0.008):.2f}"/>')
    stars = ""
    for i in range(60):
        x = (i * 149) % 860
        y = (i * 83) % 170
        r = 0.6 + (i % 3) * 0.35
        stars += f'<circle cx="{x}" cy="{y}" r="{r}" fill="#ffffff" opacity="{0.25 + (i % 5) * 0.1:.2f}"/>'
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="{START_W}" height="{START_H}"
     viewBox="0 0 {START_W} {START_H}">
<defs>
  <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#0c1533"/><stop offset="0.35" stop-color="#23336b"/>
    <stop offset="0.55" stop-color="#6b4a7a"/><stop offset="0.66" stop-color="#d9775a"/>
    <stop offset="0.69" stop-color="#f5b36a"/><stop offset="1" stop-color="#f5b36a"/>
  </linearGradient>
  <linearGradient id="lake" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#a35f5c"/><stop offset="0.25" stop-color="#4a3a63"/>
    <stop offset="1" stop-color="#0b1230"/>
  </linearGradient>
  <radialGradient id="sun" cx="300" cy="312" r="150" gradientUnits="userSpaceOnUse">
    <stop offset="0" stop-color="#fff3c4" stop-opacity="1"/><stop offset="0.12" stop-color="#ffd27a" stop-opacity="0.9"/>
    <stop offset="0.5" stop-color="#f39a5a" stop-opacity="0.25"/><stop offset="1" stop-color="#f39a5a" stop-opacity="0"/>
  </radialGradient>
  <linearGradient id="shade" x1="0" y1="0" x2="1" y2="0">
    <stop offset="0.42" stop-color="#050814" stop-opacity="0"/>
    <stop offset="0.56" stop-color="#050814" stop-opacity="0.55"/>
    <stop offset="1" stop-color="#050814" stop-opacity="0.7"/>
  </linearGradient>
  <radialGradient id="vignette" cx="0.45" cy="0.5" r="0.75">
    <stop offset="0.6" stop-color="#000" stop-opacity="0"/><stop offset="1" stop-color="#000" stop-opacity="0.45"/>
  </radialGradient>
  <filter id="haze"><feGaussianBlur stdDeviation="2.2"/></filter>
  <filter id="soft"><feGaussianBlur stdDeviation="0.8"/></filter>
  <filter id="grain" x="0" y="0" width="100%" height="100%">
    <feTurbulence type="fractalNoise" baseFrequency="0.9" numOctaves="2" seed="7"/>
    <feColorMatrix type="saturate" values="0"/>
    <feComponentTransfer><feFuncA type="linear" slope="0.16"/></feComponentTransfer>
  </filter>
  <filter id="clouds" x="0" y="0" width="100%" height="100%">
    <feTurbulence type="fractalNoise" baseFrequency="0.004 0.03" numOctaves="4" seed="3"/>
    <feColorMatrix type="matrix" values="0 0 0 0 1  0 0 0 0 0.78  0 0 0 0 0.7  0 0 0 1.6 -0.75"/>
  </filter>
  <filter id="shadow" x="-10%" y="-30%" width="120%" height="160%">
    <feGaussianBlur in="SourceAlpha" stdDeviation="3"/><feOffset dy="2" result="blur"/>
    <feComponentTransfer in="blur" result="dark"><feFuncA type="linear" slope="0.6"/></feComponentTransfer>
    <feMerge><feMergeNode in="dark"/><feMergeNode in="SourceGraphic"/></feMerge>
  </filter>
  <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fff" stop-opacity="0"/><stop offset="0.4" stop-color="#fff" stop-opacity="1"/>
    <stop offset="0.8" stop-color="#fff" stop-opacity="1"/><stop offset="1" stop-color="#fff" stop-opacity="0"/>
  </linearGradient>
  <mask id="bandMask"><rect y="100" width="{START_W}" height="200" fill="url(#band)"/></mask>
</defs>
<rect width="{START_W}" height="{horizon}" fill="url(#sky)"/>
<g opacity="0.8">{stars}</g>
<g mask="url(#bandMask)"><rect y="100" width="{START_W}" height="200" filter="url(#clouds)" opacity="0.5"/></g>
<circle cx="300" cy="{horizon - 4}" r="22" fill="#fff0c8" filter="url(#soft)"/>
<rect width="{START_W}" height="{START_H}" fill="url(#sun)"/>
<path d="{far}" fill="#4b4470" filter="url(#haze)"/>
<path d="{near}" fill="#1b1a38" filter="url(#soft)"/>
{trees}
<rect y="{horizon}" width="{START_W}" height="{START_H - horizon}" fill="url(#lake)"/>
<g transform="translate(0 {2 * horizon}) scale(1 -1)" opacity="0.35" filter="url(#haze)">
  <path d="{far}" fill="#3a3560"/><path d="{near}" fill="#141330"/></g>
<g filter="url(#soft)">{shimmer}</g>
<path d="M0 {START_H} L0 420 C80 410 160 430 230 {START_H} Z" fill="#070a18"/>
<rect width="{START_W}" height="{START_H}" fill="url(#shade)"/>
<rect width="{START_W}" height="{START_H}" fill="url(#vignette)"/>
<rect width="{START_W}" height="{START_H}" filter="url(#grain)"/>
<g filter="url(#shadow)" fill="#ffffff">
  {aperture(100, 56, 26, "#ffffff", 0.95)}
  <text x="140" y="78" font-family="DejaVu Sans" font-weight="bold" font-size="58"
        letter-spacing="-1">Fotoloom</text>
</g>
</svg>"""


BLADES = ["#ffb000", "#ff7a1a", "#e5484d", "#8e4ec6", "#2f7de1", "#1f9d55"]


def aperture(cx, cy, r, colour=None, opacity=1.0):
    """Six blades around an open hexagon; one colour for all, or the family's six."""
    import math
    out = ""
    for i in range(6):
        a0 = math.radians(i * 60 - 90)
        a1 = math.radians(i * 60 - 30)
        inner = r * 0.42
        p0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
        p1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))
        q1 = (cx + inner * math.cos(a1 + math.radians(30)), cy + inner * math.sin(a1 + math.radians(30)))
        q0 = (cx + inner * math.cos(a0 + math.radians(30)), cy + inner * math.sin(a0 + math.radians(30)))
        fill = colour or BLADES[i]
        out += (f'<path d="M{p0[0]:.2f} {p0[1]:.2f} A{r} {r} 0 0 1 {p1[0]:.2f} {p1[1]:.2f} '
                f'L{q1[0]:.2f} {q1[1]:.2f} L{q0[0]:.2f} {q0[1]:.2f} Z" fill="{fill}" '
                f'fill-opacity="{opacity if colour else 1}" stroke="#ffffff" stroke-width="{max(r / 30, 1):.2f}"/>')
    return out


def logo_svg():
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="164" height="172" viewBox="0 0 164 172">
<rect width="164" height="172" fill="#ffffff"/>
<circle cx="82" cy="72" r="62" fill="#3b4452"/>
{aperture(82, 72, 58)}
<circle cx="82" cy="72" r="62" fill="none" stroke="#3b4452" stroke-width="3"/>
<text x="82" y="162" text-anchor="middle" font-family="DejaVu Sans" font-weight="bold" font-size="27"
      fill="#3b4452" letter-spacing="-0.5">Fotoloom</text>
</svg>"""


def make(out_dir, work):
    start = os.path.join(work, "start.svg")
    with open(start, "w", encoding="utf-8") as f:
        f.write(start_svg())
    # At 1x, and at 1.5x and 2x for the dialog on a scaled display (drawn larger, never enlarged).
    for suffix, zoom in (("", None), ("_150", "1.5"), ("_200", "2")):
        png = os.path.join(work, f"start{suffix}.png")
        subprocess.run(["rsvg-convert"] + (["-z", zoom] if zoom else []) + ["-o", png, start], check=True)
        subprocess.run([CONVERT, png, "-strip", "-sampling-factor", "4:2:0",
                        "-quality", "88", os.path.join(out_dir, f"start_32836{suffix}.jpg")], check=True)
    logo = os.path.join(work, "logo.svg")
    with open(logo, "w", encoding="utf-8") as f:
        f.write(logo_svg())
    for suffix, zoom in (("", None), ("_150", "1.5"), ("_200", "2")):
        png = os.path.join(work, f"logo{suffix}.png")
        subprocess.run(["rsvg-convert"] + (["-z", zoom] if zoom else []) + ["-o", png, logo], check=True)
        subprocess.run([CONVERT, png, "-strip", "-background", "white", "-flatten",
                        "-colors", "128", os.path.join(out_dir, f"logo_32853{suffix}.gif")], check=True)
