#!/usr/bin/env python3
"""Draws the panel's logo and application icon (python3 standard library only).

Outputs, committed next to the window's sources:
  images/logo.bmp    80 x 26, 24-bit colour: a projector casting its beam on "R7K"
  images/logo@2x.bmp the same drawing at 160 x 52, for screens of pixel ratio 2
  images/icon32.png  32 x 32, 16 colours (one of them transparent)
  images/icon16.png  16 x 16, 16 colours (one of them transparent)
  packaging/windows/r7k-panel.ico  the Windows programs' icon: the two images above, a 32 x 32
                            two-colour image made from the 32-pixel one, and 48 x 48 and
                            256 x 256 in full colour with alpha (the largest stored as PNG)

Shapes are drawn at four times the size and averaged down, so edges come out smooth; the icons
are then matched to their 16-colour palette.
"""

import math
import os
import struct
import sys
import zlib

SS = 4  # supersampling factor

NAVY_TOP = (18, 34, 96)
NAVY_BOTTOM = (44, 86, 176)
BODY = (206, 210, 220)
BODY_SHADE = (150, 156, 170)
OUTLINE = (16, 24, 56)
LENS = (28, 52, 128)
LENS_GLASS = (120, 170, 255)
BEAM = (255, 244, 170)
WHITE = (255, 255, 255)
LED = (0, 200, 90)


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def blend(dst, src, alpha):
    return lerp(dst, src, max(0.0, min(1.0, alpha)))


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    cx, cy = ax + t * dx, ay + t * dy
    return math.hypot(px - cx, py - cy)


def in_round_rect(px, py, x0, y0, x1, y1, r):
    if px < x0 or px > x1 or py < y0 or py > y1:
        return False
    cx = min(max(px, x0 + r), x1 - r)
    cy = min(max(py, y0 + r), y1 - r)
    return math.hypot(px - cx, py - cy) <= r


def in_triangle(px, py, a, b, c):
    def side(p1, p2):
        return (px - p2[0]) * (p1[1] - p2[1]) - (p1[0] - p2[0]) * (py - p2[1])

    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


# Stroke glyphs in a unit box (x right, y down), drawn as thick polylines.
GLYPHS = {
    "R": [[(0, 1), (0, 0), (0.62, 0), (0.82, 0.08), (0.88, 0.25), (0.82, 0.42), (0.62, 0.5),
           (0, 0.5)], [(0.42, 0.5), (0.9, 1)]],
    "7": [[(0, 0), (0.9, 0), (0.36, 1)]],
    "K": [[(0, 0), (0, 1)], [(0.88, 0), (0.04, 0.6)], [(0.32, 0.4), (0.9, 1)]],
}


def text_strokes(text, x, y, height, advance, slant):
    """Segments of `text` with its top-left at (x, y), in output pixels."""
    segs = []
    for i, ch in enumerate(text):
        ox = x + i * advance
        for line in GLYPHS[ch]:
            pts = [(ox + u * height * 0.62 + (1 - v) * height * slant, y + v * height)
                   for u, v in line]
            segs += list(zip(pts, pts[1:]))
    return segs


def render(width, height, shade):
    """Averages shade(x, y) -> (rgb, alpha) over SS x SS samples per output pixel."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0]
            alpha = 0.0
            for sy in range(SS):
                for sx in range(SS):
                    c, a = shade(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS)
                    for i in range(3):
                        acc[i] += c[i] * a
                    alpha += a
            n = SS * SS
            colour = tuple(acc[i] / alpha for i in range(3)) if alpha else (0, 0, 0)
            row.append((colour, alpha / n))
        rows.append(row)
    return rows


def logo_shade():
    letters = text_strokes("R7K", 36.5, 6.0, 14.0, 13.0, 0.18)
    lens = (27.0, 15.0)

    def shade(px, py):
        c = lerp(NAVY_TOP, NAVY_BOTTOM, py / 26.0)
        # The beam: a soft wedge from the lens to the right edge.
        if in_triangle(px, py, lens, (80, 1), (80, 25)) and px > lens[0]:
            c = blend(c, BEAM, 0.12 + 0.22 * (px - lens[0]) / (80 - lens[0]))
        # The projector, side on: body, top vent, lens barrel, a green lamp and two feet.
        for fx in (7.0, 19.0):
            if in_round_rect(px, py, fx, 19.5, fx + 3.0, 22.0, 0.8):
                c = OUTLINE
        if in_round_rect(px, py, 3.0, 9.0, 26.0, 20.5, 2.5):
            c = OUTLINE
        if in_round_rect(px, py, 4.0, 10.0, 25.0, 19.5, 1.8):
            c = lerp(BODY, BODY_SHADE, (py - 10.0) / 9.5)
            if 11.5 <= py <= 12.5 and 6.0 <= px <= 15.0 and int(px) % 2 == 0:
                c = BODY_SHADE
        if math.hypot(px - 7.0, py - 16.5) <= 1.1:
            c = LED
        d = math.hypot(px - lens[0] + 4.0, py - lens[1])
        if d <= 5.0:
            c = OUTLINE if d > 4.0 else blend(LENS, LENS_GLASS,
                                              1.0 - math.hypot(px - 21.5, py - 13.5) / 4.0)
        # The letters, white with a dark edge so they stand on the beam.
        d = min(seg_dist(px, py, *a, *b) for a, b in letters)
        if d <= 1.9:
            c = WHITE if d <= 1.25 else OUTLINE
        # A light rim around the whole picture.
        if px < 0.75 or py < 0.75 or px > 79.25 or py > 25.25:
            c = (140, 160, 220)
        return c, 1.0

    return shade


def icon_shade(size):
    k = size / 32.0  # the drawing is made in 32-pixel units
    edge = 1.5  # outline width
    lens = 5.5

    def shade(px, py):
        x, y = px / k, py / k
        c, a = (0, 0, 0), 0.0
        if in_triangle(x, y, (26, 16), (32, 9), (32, 23)) and x > 26:
            c, a = BEAM, 1.0
        for fx in (5.0, 18.0):
            if in_round_rect(x, y, fx, 23.0, fx + 4.0, 27.0, 1.0):
                c, a = OUTLINE, 1.0
        if in_round_rect(x, y, 1.0, 9.0, 26.0, 25.0, 3.0):
            c, a = OUTLINE, 1.0
        if in_round_rect(x, y, 1.0 + edge, 9.0 + edge, 26.0 - edge, 25.0 - edge, 2.0):
            c = lerp(BODY, BODY_SHADE, (y - 9.0) / 16.0)
        d = math.hypot(x - 22.0, y - 16.0)
        if d <= lens:
            c = OUTLINE if d > lens - edge else blend(LENS, LENS_GLASS,
                                                      1.0 - math.hypot(x - 20.5, y - 14.5) / 4.5)
        if math.hypot(x - 5.0, y - 20.5) <= 1.3:
            c = LED
        return c, a

    return shade


# 3 x 5 pixel letters for the 32-pixel icon's name plate.
PIXEL_LETTERS = {
    "R": ["110", "101", "110", "101", "101"],
    "7": ["111", "001", "010", "010", "010"],
    "K": ["101", "101", "110", "101", "101"],
}


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for (r, g, b), _ in row:
            line += bytes((round(b), round(g), round(r)))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# Index 0 is transparent; the other fifteen cover the drawing's colours.
ICON_PALETTE = [(0, 0, 0), OUTLINE, LENS, LENS_GLASS, BODY, BODY_SHADE, (176, 182, 196),
                (230, 232, 238), BEAM, (255, 250, 215), LED, WHITE, (64, 72, 104),
                (84, 120, 210), (110, 116, 134), (0, 0, 0)]


def nearest(colour):
    return min(range(1, 16),
               key=lambda i: sum((colour[j] - ICON_PALETTE[i][j]) ** 2 for j in range(3)))


def write_png16(path, indices):
    height, width = len(indices), len(indices[0])
    raw = bytearray()
    for row in indices:
        raw.append(0)
        padded = row + [0] * (len(row) % 2)
        for i in range(0, len(padded), 2):
            raw.append(padded[i] << 4 | padded[i + 1])

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0))
    png += chunk(b"PLTE", b"".join(bytes(c) for c in ICON_PALETTE))
    png += chunk(b"tRNS", b"\x00")
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# At 16 pixels shapes drawn to scale blur into each other, so that size is drawn by hand.
ICON16 = [
    "................",
    "................",
    "................",
    "................",
    "..........ooo...",
    ".ooooooooogggo..",
    ".ohhhhhhoggllloy",
    ".obbbbbbollllloy",
    ".obbbbbbollllloy",
    ".obLbbbbollllloy",
    ".osssssssolllo..",
    ".oooooooooooo...",
    "...oo....oo.....",
    "................",
    "................",
    "................",
]
ICON16_COLOURS = {"o": OUTLINE, "h": (230, 232, 238), "b": BODY, "s": BODY_SHADE, "l": LENS,
                  "g": LENS_GLASS, "y": BEAM, "L": LED}


def icon_indices(size):
    if size == 16:
        return [[0 if ch == "." else ICON_PALETTE.index(ICON16_COLOURS[ch]) for ch in row]
                for row in ICON16]
    rows = render(size, size, icon_shade(size))
    indices = [[nearest(c) if a >= 0.5 else 0 for c, a in row] for row in rows]
    x0, y0 = 4, 13  # the name plate on the body
    for n, ch in enumerate("R7K"):
        for dy, bits in enumerate(PIXEL_LETTERS[ch]):
            for dx, bit in enumerate(bits):
                if bit == "1":
                    indices[y0 + dy][x0 + n * 4 + dx] = ICON_PALETTE.index(OUTLINE)
    return indices


def ico_bitmap(width, height, bpp, palette, rows, opaque):
    """One .ico image as a DIB: header, palette, bottom-up colour rows, then the AND mask."""
    def rows_of(bits_per_px, values):
        out = bytearray()
        stride = ((width * bits_per_px + 31) // 32) * 4
        for row in reversed(values):
            line = bytearray()
            if bits_per_px == 32:
                for px in row:
                    line += bytes(px)
            else:
                acc, n = 0, 0
                for v in row:
                    acc, n = acc << bits_per_px | v, n + bits_per_px
                    if n == 8:
                        line.append(acc)
                        acc, n = 0, 0
                if n:
                    line.append(acc << (8 - n))
            out += line + bytes(stride - len(line))
        return out

    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0, 0, 0, 0,
                         len(palette), 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    mask = [[0 if opaque[y][x] else 1 for x in range(width)] for y in range(height)]
    return header + colours + rows_of(bpp, rows) + rows_of(1, mask)


def png_rgba(rows):
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + b"".join(bytes(px) for px in row) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def full_colour(size):
    """The icon drawn at `size` with alpha, the name plate lettered in strokes: RGBA rows."""
    k = size / 32.0
    body = icon_shade(size)
    plate = text_strokes("R7K", 4.0 * k, 13.0 * k, 5.0 * k, 4.0 * k, 0.0)

    def shade(px, py):
        c, a = body(px, py)
        if min(seg_dist(px, py, *p, *q) for p, q in plate) <= 0.55 * k:
            c = OUTLINE
        return c, a

    return [[tuple(round(v) for v in c) + (round(a * 255),) for c, a in row]
            for row in render(size, size, shade)]


def write_ico(path, icon32, icon16):
    images = []  # (width, height, colour count, bits per pixel, data)
    for indices in (icon32, icon16):
        size = len(indices)
        opaque = [[i != 0 for i in row] for row in indices]
        images.append((size, size, 16, 4, ico_bitmap(size, size, 4, ICON_PALETTE, indices, opaque)))
    # Two colours: light parts white, dark parts and the outline black.
    mono = [[0 if i == 0 or sum(ICON_PALETTE[i]) < 3 * 128 else 1 for i in row] for row in icon32]
    opaque = [[i != 0 for i in row] for row in icon32]
    images.append((32, 32, 2, 1, ico_bitmap(32, 32, 1, [(0, 0, 0), WHITE], mono, opaque)))
    rgba = full_colour(48)
    bgra = [[(b, g, r, a) for r, g, b, a in row] for row in rgba]
    opaque = [[px[3] >= 128 for px in row] for row in rgba]
    images.append((48, 48, 0, 32, ico_bitmap(48, 48, 32, [], bgra, opaque)))
    images.append((256, 256, 0, 32, png_rgba(full_colour(256))))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for width, height, count, bpp, data in images:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, count, 0, 1, bpp, len(data),
                           offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(image[4] for image in images))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(root, "images")
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "logo.bmp"), render(80, 26, logo_shade()))
    shade = logo_shade()
    write_bmp(os.path.join(out, "logo@2x.bmp"), render(160, 52, lambda x, y: shade(x / 2, y / 2)))
    icons = {size: icon_indices(size) for size in (32, 16)}
    for size, indices in icons.items():
        write_png16(os.path.join(out, "icon%d.png" % size), indices)
    write_ico(os.path.join(root, "packaging", "windows", "r7k-panel.ico"), icons[32], icons[16])
    return 0


if __name__ == "__main__":
    sys.exit(main())
