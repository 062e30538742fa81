#!/usr/bin/env python3
# Draws the app's own file-type icons (a page with a folded corner and the type's letters on a coloured
# band) as PNG files at 64 and 128 pixels (the @2x variant), the blank page with a plus of a new
# workspace ("new"), the 20-point funnel of the column filter buttons ("filter_icon", 20 and 40 pixels),
# and the app's icon for the desktop entry ("ovrida", 128 and 256 pixels).
# Run from this folder: python3 make_icons.py
import struct
import zlib

# Type -> band colour; "document" is the plain page for types we have no icon of.
TYPES = {
    "ov": (46, 110, 200),
    "txt": (110, 110, 120),
    "csv": (40, 150, 90),
    "xls": (30, 115, 70),
    "xlsx": (30, 115, 70),
    "document": None,
}

# 5 x 7 glyphs for the letters the types need.
GLYPHS = {
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
}

OUTLINE = (120, 120, 128)
PAPER = (255, 255, 255)
FOLD = (215, 215, 222)
RULE = (200, 200, 208)


def shade(kind, x, y):
    """Colour (r, g, b) of the point (x, y) in a 64 x 64 design, or None where transparent."""
    left, right, top, bottom, fold = 12, 52, 4, 60, 12
    if not (left <= x < right and top <= y < bottom):
        return None
    dx, dy = x - (right - fold), y - top
    if dx > dy:  # cut away beyond the folded corner
        return None
    edge = 1.5
    if dx >= 0 and dy < fold and dx > dy - edge:
        return OUTLINE
    if dx >= 0 and dy < fold and (x > right - fold + fold - edge or dy > fold - edge or dx < edge):
        return OUTLINE
    if dx >= 0 and dy < fold:
        return FOLD
    if x < left + edge or x >= right - edge or y < top + edge or y >= bottom - edge:
        return OUTLINE
    band = TYPES[kind]
    if band is not None and 34 <= y < 52:
        return letter(kind, x, y, band)
    if top + 18 <= y < 52 and left + 6 <= x < right - 6 and int(y - top - 18) % 6 < 2:
        return RULE
    return PAPER


def letter(kind, x, y, band):
    text = kind.upper()
    cell = 7 if len(text) <= 3 else 5.5  # design units per letter (5 dots plus a gap)
    dot = cell / 6
    width = len(text) * cell - dot
    x0, y0 = 32 - width / 2, 43 - 3.5 * dot
    col, row = int((x - x0) // dot), int((y - y0) // dot)
    if x >= x0 and y >= y0 and row < 7 and col < len(text) * 6:
        i, c = divmod(col, 6)
        if i < len(text) and c < 5 and GLYPHS[text[i]][row][c] == "1":
            return PAPER
    return band


PLUS = (46, 110, 200)


def new_page(x, y):
    """The plain page with a plus on it: the control that starts a blank workspace."""
    c = shade("document", x, y)
    if c == PAPER or c == RULE:
        if (abs(x - 32) < 2.5 and 22 <= y < 48) or (abs(y - 35) < 2.5 and 19 <= x < 45):
            return PLUS
        return PAPER
    return c


APP_BACK = (36, 92, 178)
APP_BARS = (255, 255, 255)
APP_LINE = (255, 196, 64)


def app_icon(x, y):
    """The app's icon in a 64 x 64 design: a rounded blue square with three bars and a rising dot line."""
    r, lo, hi = 12, 2, 62
    if not (lo <= x < hi and lo <= y < hi):
        return None
    cx, cy = min(max(x, lo + r), hi - r), min(max(y, lo + r), hi - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    for left, top in ((14, 36), (27, 26), (40, 16)):
        if left <= x < left + 10 and top <= y < 50:
            return APP_BARS
    # Dots along a line from (16, 30) rising to (50, 10).
    for i in range(5):
        px, py = 16 + i * 8.5, 30 - i * 5
        if (x - px) ** 2 + (y - py) ** 2 <= 3.2 ** 2:
            return APP_LINE
    if 12 <= x < 52 and 51 <= y < 53:
        return APP_BARS
    return APP_BACK


FUNNEL = (64, 64, 72)


def funnel(x, y):
    """Colour of the point (x, y) in the 20 x 20 design of the filter icon, or None where transparent."""
    # A cone from a rim 16 wide at the top narrowing to a neck, then a stem down to the bottom.
    top, neck, bottom, centre = 3, 11, 17, 10
    if top <= y < neck:
        half = 8 - (y - top) * (8 - 1.5) / (neck - top)
        return FUNNEL if abs(x - centre) < half else None
    if neck <= y < bottom and abs(x - centre) < 1.5:
        return FUNNEL
    return None


def render(kind, size, samples=4, design=64, shader=None):
    shader = shader or (lambda x, y: shade(kind, x, y))
    rows = []
    unit = design / size
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = shader((px + (sx + 0.5) / samples) * unit, (py + (sy + 0.5) / samples) * unit)
                    if c:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = samples * samples
            row += bytes((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(bytes(row))
    return rows


def png(rows, size):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    raw = b"".join(b"\x00" + r for r in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


for kind in TYPES:
    for size, suffix in ((64, ""), (128, "@2x")):
        with open(f"{kind}{suffix}.png", "wb") as f:
            f.write(png(render(kind, size), size))

for size, suffix in ((20, ""), (40, "@2x")):
    with open(f"filter_icon{suffix}.png", "wb") as f:
        f.write(png(render("filter_icon", size, design=20, shader=funnel), size))

for size, suffix in ((64, ""), (128, "@2x")):
    with open(f"new{suffix}.png", "wb") as f:
        f.write(png(render("new", size, shader=new_page), size))

for size, suffix in ((128, ""), (256, "@2x")):
    with open(f"ovrida{suffix}.png", "wb") as f:
        f.write(png(render("ovrida", size, shader=app_icon), size))
