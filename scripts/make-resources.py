#!/usr/bin/env python3
"""Draws kestrilon.exe's icons and menu bitmaps and writes them, with their preview pictures.

    scripts/make-resources.py [--check]

Writes src/app/resources/{mainicon,trayicon1,trayicon2}.ico (16, 20, 24, 32, 40, 48, 64 and 256
pixels, 32-bit with alpha, the 256 one PNG-compressed), the six 16x16 16-colour menu bitmaps
src/app/resources/*.bmp, and docs/icons.png, docs/icon-active.png, docs/icon-paused.png. The output
is the same on every run, and the build uses the committed files, so this script only runs when a
picture changes. --check writes nothing and fails if a committed file differs from what the script
draws.

Plain Python 3: the ICO, BMP and PNG bytes are written here, without imaging modules.
"""

import argparse
import math
import pathlib
import struct
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
RESOURCES = ROOT / "src" / "app" / "resources"
DOCS = ROOT / "docs"

# The small and large icon sizes at 100, 125, 150 and 200 %, and the shell's largest view.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_SIZES = (256,)  # stored PNG-compressed, as the system reads them from Vista on
SUPERSAMPLING = 8  # samples per pixel along each axis

# ---------------------------------------------------------------------------------------------
# Shapes, in a 16-unit design grid (0,0 top left). Each convex shape also answers for a whole box
# (a pixel): inside if its four corners are, outside if they all lie beyond one of its edges. Only
# the pixels on an edge are sampled, which keeps the 256-pixel pictures quick to draw.


class RRect:
    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r

    def bounds(self):
        return self.x0, self.y0, self.x1, self.y1

    def inset(self, d):
        return RRect(self.x0 + d, self.y0 + d, self.x1 - d, self.y1 - d, max(0.0, self.r - d))

    def contains(self, x, y):
        if not (self.x0 <= x < self.x1 and self.y0 <= y < self.y1):
            return False
        r = self.r
        if r <= 0:
            return True
        cx = min(max(x, self.x0 + r), self.x1 - r)
        cy = min(max(y, self.y0 + r), self.y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    def covers(self, x0, y0, x1, y1):
        return convex_covers(self, x0, y0, x1, y1)

    def misses(self, x0, y0, x1, y1):
        return x1 <= self.x0 or x0 >= self.x1 or y1 <= self.y0 or y0 >= self.y1


class Polygon:
    """A convex polygon, its points in clockwise order on the screen (y down)."""

    def __init__(self, points):
        self.points = points

    def bounds(self):
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        return min(xs), min(ys), max(xs), max(ys)

    def inset(self, d):
        # Every edge moves d inwards; the new corners are where neighbouring edges meet.
        n = len(self.points)
        lines = []
        for i in range(n):
            (ax, ay), (bx, by) = self.points[i], self.points[(i + 1) % n]
            length = ((bx - ax) ** 2 + (by - ay) ** 2) ** 0.5
            nx, ny = -(by - ay) / length, (bx - ax) / length  # inward normal for clockwise order
            lines.append((ax + nx * d, ay + ny * d, bx - ax, by - ay))
        points = []
        for i in range(n):
            px, py, dx, dy = lines[i - 1]
            qx, qy, ex, ey = lines[i]
            denominator = dx * ey - dy * ex
            t = ((qx - px) * ey - (qy - py) * ex) / denominator
            points.append((px + t * dx, py + t * dy))
        return Polygon(points)

    def contains(self, x, y):
        n = len(self.points)
        for i in range(n):
            (ax, ay), (bx, by) = self.points[i], self.points[(i + 1) % n]
            if (bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0:
                return False
        return True

    def covers(self, x0, y0, x1, y1):
        return convex_covers(self, x0, y0, x1, y1)

    def misses(self, x0, y0, x1, y1):
        corners = ((x0, y0), (x1, y0), (x0, y1), (x1, y1))
        n = len(self.points)
        for i in range(n):
            (ax, ay), (bx, by) = self.points[i], self.points[(i + 1) % n]
            if all((bx - ax) * (y - ay) - (by - ay) * (x - ax) < 0 for x, y in corners):
                return True
        return False


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes

    def bounds(self):
        b = [s.bounds() for s in self.shapes]
        return min(v[0] for v in b), min(v[1] for v in b), max(v[2] for v in b), max(v[3] for v in b)

    def inset(self, d):
        return Union(*(s.inset(d) for s in self.shapes))

    def contains(self, x, y):
        return any(s.contains(x, y) for s in self.shapes)

    def covers(self, x0, y0, x1, y1):
        return any(s.covers(x0, y0, x1, y1) for s in self.shapes)

    def misses(self, x0, y0, x1, y1):
        return all(s.misses(x0, y0, x1, y1) for s in self.shapes)


def convex_covers(shape, x0, y0, x1, y1):
    """A convex shape holds the whole box when it holds its corners (the far ones just inside: the
    shapes' edges are half-open)."""
    return all(shape.contains(x, y) for x in (x0, x1 - 1e-9) for y in (y0, y1 - 1e-9))


class Canvas:
    """Premultiplied RGBA floats, 0 to 1."""

    def __init__(self, size):
        self.size = size
        self.scale = size / 16.0
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def units(self, pixels):
        """A length of so many pixels, in design units."""
        return pixels / self.scale

    def snap(self, u):
        """The pixel edge nearest to u, in design units: shapes laid out on it draw sharp edges."""
        return math.floor(u * self.scale + 0.5) / self.scale

    def coverage(self, shape, px, py):
        """The share of pixel (px, py) that shape covers."""
        box = (px / self.scale, py / self.scale, (px + 1) / self.scale, (py + 1) / self.scale)
        if shape.covers(*box):
            return 1.0
        if shape.misses(*box):
            return 0.0
        n = SUPERSAMPLING
        hits = 0
        for sy in range(n):
            y = (py + (sy + 0.5) / n) / self.scale
            for sx in range(n):
                if shape.contains((px + (sx + 0.5) / n) / self.scale, y):
                    hits += 1
        return hits / (n * n)

    def fill(self, shape, colour, alpha=1.0):
        r, g, b = (c / 255.0 for c in colour)
        x0, y0, x1, y1 = shape.bounds()
        for py in range(max(0, int(y0 * self.scale)), min(self.size, int(y1 * self.scale) + 1)):
            for px in range(max(0, int(x0 * self.scale)), min(self.size, int(x1 * self.scale) + 1)):
                covered = self.coverage(shape, px, py)
                if covered:
                    a = alpha * covered
                    p = self.pixels[py * self.size + px]
                    p[0] = r * a + p[0] * (1 - a)
                    p[1] = g * a + p[1] * (1 - a)
                    p[2] = b * a + p[2] * (1 - a)
                    p[3] = a + p[3] * (1 - a)

    def outlined(self, shape, outline, inside, width_px):
        self.fill(shape, outline)
        self.fill(shape.inset(self.units(width_px)), inside)

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA rows, top row first."""
        rows = []
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r, g, b, a = self.pixels[y * self.size + x]
                if a <= 0:
                    row.append((0, 0, 0, 0))
                else:
                    row.append(tuple(round(min(1.0, c / a) * 255) for c in (r, g, b)) + (round(a * 255),))
            rows.append(row)
        return rows


# ---------------------------------------------------------------------------------------------
# The pictures: a clipboard holding a page of text, and over its lower right corner a funnel (the
# filter at work) or, while paused, an orange pause badge on a greyed clipboard.

BOARD_EDGE = (94, 58, 26)
BOARD = (184, 124, 62)
PAPER_EDGE = (150, 160, 172)
PAPER = (255, 255, 255)
TEXT_LINE = (96, 118, 148)
CLIP_EDGE = (58, 63, 72)
CLIP = (214, 219, 226)
BLUE_FUNNEL = ((16, 58, 110), (58, 140, 222), (150, 205, 250))  # edge, body, highlight
GREEN_FUNNEL = ((20, 90, 30), (60, 176, 72), (170, 235, 150))
PAUSE_EDGE = (150, 70, 0)
PAUSE = (240, 128, 0)
PAUSE_BARS = (255, 255, 255)


# At 16, 20 and 24 pixels (the small icon at 100, 125 and 150 %) the shapes are drawn pixel by
# pixel, each size on its own, so that edges stay on whole pixels and the funnel's slopes crisp
# steps. Keys: E board edge, b board, K clip edge, c clip, W paper, l text; F funnel edge, f funnel,
# h funnel highlight; P pause badge, w pause bars; "." nothing.
CLIPBOARD_ART = {
    16: (
        "................",
        "....KKKKKK......",
        "..EEKccccKEE....",
        ".EbbKKKKKKbbE...",
        ".EbWWWWWWWWbE...",
        ".EbWWWWWWWWbE...",
        ".EbWllllllWbE...",
        ".EbWWWWWWWWbE...",
        ".EbWlllllWWbE...",
        ".EbWWWWWWWWbE...",
        ".EbWllllllWbE...",
        ".EbWWWWWWWWbE...",
        ".EbWllllWWWbE...",
        ".EbWWWWWWWWbE...",
        ".EbWWWWWWWWbE...",
        "..EEEEEEEEEE....",
    ),
    20: (
        "....................",
        "......KKKKK.........",
        "..EEEKcccccKEEE.....",
        ".EbbbKcccccKbbbE....",
        ".EbbbKKKKKKKbbbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWlllllllllWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWllllllllWWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWlllllllllWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWllllllWWWWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWlllllllllWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWWWWWWWWWWWbE....",
        ".EbWWWWWWWWWWWbE....",
        "..EEEEEEEEEEEEE.....",
    ),
    24: (
        "........................",
        ".......KKKKKK...........",
        "......KccKKccK..........",
        "..EEEEKccccccKEEEE......",
        ".EbbbbKccccccKbbbbE.....",
        ".EbbbbKKKKKKKKbbbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWlllllllllWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWllllllllWWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWllllllllllWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWlllllllWWWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWllllllllllWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWlllllWWWWWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbWWWWWWWWWWWWbbE.....",
        ".EbbbbbbbbbbbbbbbbE.....",
        "..EEEEEEEEEEEEEEEE......",
    ),
}
FUNNEL_ART = {
    16: (
        ".......FFFFFFFFF",
        ".......FhffffffF",
        "........FhffffF.",
        ".........FhffF..",
        "..........FfF...",
        "..........FfF...",
        "..........FfF...",
        "..........FfF...",
        "..........FFF...",
    ),
    20: (
        ".........FFFFFFFFFFF",
        ".........FhffffffffF",
        "..........FhffffffF.",
        "...........FhffffF..",
        "............FhffF...",
        ".............FfF....",
        ".............FfF....",
        ".............FfF....",
        ".............FfF....",
        ".............FfF....",
        ".............FFF....",
    ),
    24: (
        "..........FFFFFFFFFFFFFF",
        "..........FhfffffffffffF",
        "...........FhfffffffffF.",
        "............FhfffffffF..",
        ".............FhfffffF...",
        "..............FhfffF....",
        "...............FffF.....",
        "...............FffF.....",
        "...............FffF.....",
        "...............FffF.....",
        "...............FffF.....",
        "...............FFFF.....",
    ),
}
PAUSE_ART = {
    16: (
        ".........PPPPPP.",
        "........PPPPPPPP",
        "........PwwPPwwP",
        "........PwwPPwwP",
        "........PwwPPwwP",
        "........PwwPPwwP",
        "........PPPPPPPP",
        ".........PPPPPP.",
    ),
    20: (
        "...........PPPPPPPP.",
        "..........PPPPPPPPPP",
        "..........PwwwPPwwwP",
        "..........PwwwPPwwwP",
        "..........PwwwPPwwwP",
        "..........PwwwPPwwwP",
        "..........PwwwPPwwwP",
        "..........PwwwPPwwwP",
        "..........PPPPPPPPPP",
        "...........PPPPPPPP.",
    ),
    24: (
        "..............PPPPPPPP..",
        ".............PPPPPPPPPP.",
        "............PPPPPPPPPPPP",
        "............PPwwwPPwwwPP",
        "............PPwwwPPwwwPP",
        "............PPwwwPPwwwPP",
        "............PPwwwPPwwwPP",
        "............PPwwwPPwwwPP",
        "............PPwwwPPwwwPP",
        "............PPPPPPPPPPPP",
        ".............PPPPPPPPPP.",
        "..............PPPPPPPP..",
    ),
}


def paint(canvas, art, colours):
    """Sets the pixels of a canvas from rows of keys, one a pixel. Fewer rows than the canvas has
    are its bottom ones: the rows above are left empty."""
    size = canvas.size
    assert len(art) <= size and all(len(row) == size for row in art), size
    top = size - len(art)
    for y, row in enumerate(art, top):
        for x, key in enumerate(row):
            if key != ".":
                canvas.pixels[y * size + x] = [c / 255.0 for c in colours[key]] + [1.0]


# Outlines and text lines of the larger pictures, in pixels: about a sixteenth of the size, as at
# 16 pixels, a little finer as the pictures grow.
LINE_PX = {32: 2, 40: 2, 48: 3, 64: 3, 256: 10}


def snapped_rect(canvas, x0, y0, x1, y1, r=0.0):
    s = canvas.snap
    return RRect(s(x0), s(y0), s(x1), s(y1), r)


def centred_span(canvas, centre, length):
    """From and to (design units) of a span of about length around centre, on whole pixels: its
    pixel count is odd where the centre falls mid-pixel, so that it stays centred."""
    c = centre * canvas.scale
    n = max(1, math.floor(length * canvas.scale + 0.5))
    if (n % 2 == 1) != (c % 1 == 0.5):
        n -= 1 if n > 1 else -1
    return canvas.units(c - n / 2), canvas.units(c + n / 2)


def snapped_polygon(canvas, points):
    return Polygon([(canvas.snap(x), canvas.snap(y)) for x, y in points])


def draw_clipboard(canvas):
    if canvas.size in CLIPBOARD_ART:
        paint(canvas, CLIPBOARD_ART[canvas.size], {"E": BOARD_EDGE, "b": BOARD, "K": CLIP_EDGE, "c": CLIP,
                                                   "W": PAPER, "l": TEXT_LINE})
        return
    w = LINE_PX[canvas.size]
    fine = max(1, w // 3)
    canvas.outlined(snapped_rect(canvas, 1, 2, 13, 16, 1.5), BOARD_EDGE, BOARD, w)
    canvas.outlined(snapped_rect(canvas, 3, 4, 11, 15), PAPER_EDGE, PAPER, fine)
    thickness = canvas.units(w)
    s = canvas.snap
    for y, x1 in ((6, 10), (8, 9), (10, 10), (12, 8)):
        canvas.fill(RRect(s(4), s(y), s(x1), s(y) + thickness), TEXT_LINE)
    canvas.outlined(snapped_rect(canvas, 4, 1, 10, 4, 0.75), CLIP_EDGE, CLIP, w)
    x0, x1 = centred_span(canvas, 7, 1.5)  # the hole the board hangs from, amid the clip
    canvas.fill(RRect(x0, canvas.snap(1.75), x1, canvas.snap(2.75), 0.5), CLIP_EDGE)


def draw_funnel(canvas, colours):
    edge, body, light = colours
    if canvas.size in FUNNEL_ART:
        paint(canvas, FUNNEL_ART[canvas.size], {"F": edge, "f": body, "h": light})
        return
    w = LINE_PX[canvas.size]
    cone = snapped_polygon(canvas, [(7, 8), (16, 8), (13, 11.5), (10, 11.5)])
    spout = snapped_rect(canvas, 10, 10.5, 13, 16)
    canvas.outlined(Union(cone, spout), edge, body, w)
    # Light falling on the cone's left side.
    canvas.fill(snapped_polygon(canvas, [(8.5, 9), (10.5, 9), (11, 11), (10.75, 11)]), light, 0.8)


def draw_pause(canvas):
    if canvas.size in PAUSE_ART:
        paint(canvas, PAUSE_ART[canvas.size], {"P": PAUSE, "w": PAUSE_BARS})
        return
    badge = snapped_rect(canvas, 8, 8, 16, 16, 1.5)
    canvas.outlined(badge, PAUSE_EDGE, PAUSE, max(1, LINE_PX[canvas.size] // 3))
    for x in (9.5, 12.5):
        canvas.fill(snapped_rect(canvas, x, 10, x + 2, 14), PAUSE_BARS)


def grey_out(canvas):
    """Lighter and without colour, as disabled things look."""
    for p in canvas.pixels:
        if p[3] > 0:
            lum = 0.30 * p[0] + 0.59 * p[1] + 0.11 * p[2]  # premultiplied, like the channels
            v = lum * 0.55 + 0.40 * p[3]
            p[0] = p[1] = p[2] = v


def main_icon(size):
    c = Canvas(size)
    draw_clipboard(c)
    draw_funnel(c, BLUE_FUNNEL)
    return c.rgba()


def tray_active(size):
    c = Canvas(size)
    draw_clipboard(c)
    draw_funnel(c, GREEN_FUNNEL)
    return c.rgba()


def tray_paused(size):
    c = Canvas(size)
    draw_clipboard(c)
    draw_funnel(c, GREEN_FUNNEL)
    grey_out(c)
    draw_pause(c)
    return c.rgba()


ICONS = (
    # file            draw
    ("mainicon.ico", main_icon),
    ("trayicon1.ico", tray_active),
    ("trayicon2.ico", tray_paused),
)

# ---------------------------------------------------------------------------------------------
# Menu bitmaps: 16x16, 16 colours, drawn pixel by pixel. The background is the classic button face
# grey (192,192,192, palette index 7): the menu colour of the classic look, and the colour that
# LoadImage's LR_LOADMAP3DCOLORS turns into the system's current 3D face colour. The drawings
# never use it otherwise.

PALETTE = (
    # key  RGB
    ("k", (0, 0, 0)),
    ("r", (128, 0, 0)),
    ("g", (0, 128, 0)),
    ("o", (128, 128, 0)),
    ("n", (0, 0, 128)),
    ("p", (128, 0, 128)),
    ("t", (0, 128, 128)),
    (".", (192, 192, 192)),  # background
    ("d", (128, 128, 128)),
    ("R", (255, 0, 0)),
    ("G", (0, 255, 0)),
    ("Y", (255, 255, 0)),
    ("B", (0, 0, 255)),
    ("M", (255, 0, 255)),
    ("C", (0, 255, 255)),
    ("W", (255, 255, 255)),
)

BITMAPS = {
    # Undo: a blue arrow turning back to the left.
    "undo1.bmp": (
        "................",
        "................",
        "....n...........",
        "...nn...........",
        "..nBnnnnnnnn....",
        ".nBBBBBBBBBBnn..",
        "..nBnnnnnnnBBn..",
        "...nn......nBBn.",
        "....n.......nBn.",
        "............nBn.",
        "............nBn.",
        "...........nBBn.",
        ".......nnnnBBn..",
        ".......nBBBBn...",
        ".......nnnnn....",
        "................",
    ),
    # Options: a gear.
    "o1.bmp": (
        "................",
        "......kkkk......",
        "...kk.kWWk.kk...",
        "..kWWkWWWWkWdk..",
        "..kWWWWWWWWWdk..",
        "...kWWWkkWWdk...",
        ".kkWWWk..kWWdkk.",
        ".kWWWk....kWWdk.",
        ".kWWWk....kWWdk.",
        ".kkWWWk..kWWdkk.",
        "...kWWWkkWWdk...",
        "..kWWWWWWWWddk..",
        "..kdWkWWWWkddk..",
        "...kk.kddk.kk...",
        "......kkkk......",
        "................",
    ),
    # Contents (the manual): a closed blue book with its pages showing.
    "contents1.bmp": (
        "................",
        "...kkkkkkkkkk...",
        "..kBBBBBBBBBBk..",
        "..kBCCBBBBBBnk..",
        "..kBBBBBBBBBnk..",
        "..kBBWWWWWWBnk..",
        "..kBBBBBBBBBnk..",
        "..kBBWWWWBBBnk..",
        "..kBBBBBBBBBnk..",
        "..kBBBBBBBBBnk..",
        "..kBBBBBBBBBnk..",
        "..kBnnnnnnnnnk..",
        "..kBWWWWWWWWWk..",
        "..kndddddddddk..",
        "...kkkkkkkkkk...",
        "................",
    ),
    # Web site: the globe, its seas and lands.
    "website.bmp": (
        "................",
        ".....kkkkkk.....",
        "...kkBBGGBBkk...",
        "..kBCBGGgGBBBk..",
        "..kCBGGGGgBGGk..",
        ".kBBGGGGgBBGGgk.",
        ".kBBBGGgBBBBGgk.",
        ".kBBBBGgBBBBBBk.",
        ".kBBBBBGgBBBBBk.",
        ".kBBBBBBGGgBBBk.",
        ".kBGBBBBGGGgBBk.",
        "..kGgBBBBGgBBk..",
        "..kBgBBBBgBBBk..",
        "...kkBBBBBBkk...",
        ".....kkkkkk.....",
        "................",
    ),
    # Version information: a white "i" in a blue disc.
    "about1.bmp": (
        "................",
        ".....nnnnnn.....",
        "...nnBBBBBBnn...",
        "..nBBBBWWBBBBn..",
        "..nBBBBWWBBBBn..",
        ".nBBBBBBBBBBBBn.",
        ".nBBBBWWWBBBBBn.",
        ".nBBBBBWWBBBBBn.",
        ".nBBBBBWWBBBBBn.",
        ".nBBBBBWWBBBBBn.",
        ".nBBBBBWWBBBBBn.",
        "..nBBBWWWWBBBn..",
        "..nBBBBBBBBBBn..",
        "...nnBBBBBBnn...",
        ".....nnnnnn.....",
        "................",
    ),
    # Exit: an open door and a red arrow leaving through it.
    "exitprogram.bmp": (
        "................",
        "..kkkkkkkkk.....",
        "..kWkkkdddk.....",
        "..kWroookdk.....",
        "..kWrooookk.....",
        "..kWroooook.....",
        "..kWroooook..R..",
        "..kWroYooookRR..",
        "..kWrooooRRRRRR.",
        "..kWrooooRRRRRR.",
        "..kWroooook.RR..",
        "..kWroooook..R..",
        "..kWrooooo......",
        "..kWrooook......",
        "..kkkkkkk.......",
        "................",
    ),
}

# ---------------------------------------------------------------------------------------------
# File formats.


def dib_bytes(rows):
    """An icon image as a 32-bit DIB with an AND mask."""
    size = len(rows)
    dib = bytearray(struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0))
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            dib += bytes((b, g, r, a))
    # The AND mask marks the fully transparent pixels, for whoever draws without alpha.
    stride = (size + 31) // 32 * 4
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        dib += bits
    return bytes(dib)


def ico_bytes(images):
    """An .ico file: images are (size, RGBA rows); those of PNG_SIZES are stored as PNG."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, rows in images:
        data = png_bytes(rows) if size in PNG_SIZES else dib_bytes(rows)
        # 256 is written as 0 in the directory's byte.
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset))
        blobs.append(data)
        offset += len(data)
    return header + b"".join(entries) + b"".join(blobs)


def bmp_bytes(picture):
    """A 16-colour .bmp file from rows of palette keys."""
    index = {key: i for i, (key, _) in enumerate(PALETTE)}
    height, width = len(picture), len(picture[0])
    stride = ((width * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(picture):
        assert len(row) == width, row
        line = bytearray(stride)
        for x, key in enumerate(row):
            line[x // 2] |= index[key] << (4 if x % 2 == 0 else 0)
        pixels += line
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + info + palette + bytes(pixels)


def png_bytes(rows):
    """An RGBA .png file from RGBA rows."""
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------
# Previews for the manual.


def sheet(width, height, colour):
    return [[colour] * width for _ in range(height)]


def paste(target, rows, left, top, zoom):
    """Draws rows enlarged zoom times (nearest pixel), blended over the target."""
    for y, row in enumerate(rows):
        for x, (r, g, b, a) in enumerate(row):
            for dy in range(zoom):
                line = target[top + y * zoom + dy]
                for dx in range(zoom):
                    br, bg, bb, ba = line[left + x * zoom + dx]
                    k = a / 255.0
                    line[left + x * zoom + dx] = (round(r * k + br * (1 - k)), round(g * k + bg * (1 - k)),
                                                  round(b * k + bb * (1 - k)), max(a, ba))


def bitmap_rgba(picture):
    colours = dict(PALETTE)
    return [[colours[key] + (255,) for key in row] for row in picture]


def preview_zoom(size):
    return 1 if size > 64 else 2


def previews(icons, bitmaps):
    """docs/icons.png: each icon at every size, twice enlarged (the 256 one as it is), on a light and
    on a dark ground (a tray can be either), then the menu bitmaps four times enlarged."""
    gap, bitmap_zoom = 16, 4
    shown = [size * preview_zoom(size) for size in ICON_SIZES]
    row_height = max(shown)
    half = sum(shown) + gap * (len(shown) + 1)
    width = 2 * half
    icons_height = len(icons) * (row_height + gap) + gap
    height = icons_height + 16 * bitmap_zoom + gap
    light, dark = (240, 240, 240, 255), (32, 32, 32, 255)
    out = sheet(width, height, light)
    for y in range(icons_height):
        for x in range(half, width):
            out[y][x] = dark
    for row, images in enumerate(icons):
        top = gap + row * (row_height + gap)
        for ground in (0, half):
            left = ground + gap
            for size, extent in zip(ICON_SIZES, shown):
                paste(out, images[size], left, top + (row_height - extent) // 2, preview_zoom(size))
                left += extent + gap
    for i, picture in enumerate(bitmaps):
        paste(out, bitmap_rgba(picture), gap + i * (16 * bitmap_zoom + gap), icons_height, bitmap_zoom)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare with the committed files")
    args = parser.parse_args()

    outputs = {}
    drawn = []
    for name, draw in ICONS:
        images = {size: draw(size) for size in ICON_SIZES}
        drawn.append(images)
        outputs[RESOURCES / name] = ico_bytes([(size, images[size]) for size in ICON_SIZES])
    for name, picture in BITMAPS.items():
        assert len(picture) == 16 and all(len(row) == 16 for row in picture), name
        outputs[RESOURCES / name] = bmp_bytes(picture)
    outputs[DOCS / "icons.png"] = png_bytes(previews(drawn, BITMAPS.values()))
    outputs[DOCS / "icon-active.png"] = png_bytes(drawn[1][32])
    outputs[DOCS / "icon-paused.png"] = png_bytes(drawn[2][32])

    stale = []
    for path, data in outputs.items():
        if args.check:
            if not path.exists() or path.read_bytes() != data:
                stale.append(path)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)
            print(path.relative_to(ROOT))
    if stale:
        for path in stale:
            print(f"make-resources: {path.relative_to(ROOT)} differs from what the script draws", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
