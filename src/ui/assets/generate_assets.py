#!/usr/bin/env python3
"""Draws the launcher's artwork and writes it as PNG files beside this script.

103.png  background and window shape, 1030 x 648, 8-bit palette with transparency
104-109  the button state images, 28 x 28 RGBA (close: 104 pressed, 105 normal, 106 hover;
         minimise: 107 pressed, 108 normal, 109 hover)
101.png  the program icon, 48 x 48 RGBA, and 101.ico with the same picture in 16, 32 and 48

Standard library only: the PNG chunks are written here and compressed with zlib, so the
artwork can be redrawn on any machine with python3 (`python3 generate_assets.py`).
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 1030, 648
WEB_AREA = (389, 273, 587, 319)  # where the page sits over the skin
FEATHER = 10.0                   # width of the soft transparent edge in pixels


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, color_type, rows, palette=None, alpha=None):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0))
    if palette is not None:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
        out += chunk(b"tRNS", bytes(alpha))
    out += chunk(b"IDAT", zlib.compress(raw, 9))
    out += chunk(b"IEND", b"")
    return out


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


# Signed distances (negative inside) of the pieces whose union is the window's outline.
def rounded_rect(x, y, left, top, right, bottom, radius):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0), max(dy, 0))
    return outside + min(max(dx, dy), 0) - radius


def ellipse(x, y, cx, cy, rx, ry):
    k = math.hypot((x - cx) / rx, (y - cy) / ry)
    return (k - 1) * min(rx, ry)


def outline_distance(x, y):
    body = rounded_rect(x, y, 24, 206, 1004, 628, 46)
    crest = ellipse(x, y, 540, 214, 360, 150)
    emblem = ellipse(x, y, 170, 196, 118, 112)
    # A wavy lower edge keeps the outline from looking machine-cut.
    fade = clamp((y - 560) / 68) * clamp((x - 80) / 40) * clamp((950 - x) / 40)
    wave = 5.0 * math.sin(x / 37.0) * fade
    return min(body + wave, crest, emblem)


# Palette: 0-15 the rim colour at rising alpha (0 = fully transparent), 16-215 the body
# gradient, 216-255 the gold accent, all opaque.
RIM = (28, 20, 12)
BODY_TOP, BODY_BOTTOM = (30, 52, 92), (10, 18, 36)
GOLD_DARK, GOLD_LIGHT = (140, 96, 30), (246, 210, 120)


def build_palette():
    palette, alpha = [], []
    for i in range(16):
        palette.append(RIM)
        alpha.append(i * 17)
    for i in range(200):
        palette.append(mix(BODY_TOP, BODY_BOTTOM, i / 199))
        alpha.append(255)
    for i in range(40):
        palette.append(mix(GOLD_DARK, GOLD_LIGHT, i / 39))
        alpha.append(255)
    return palette, alpha


def background_index(x, y):
    d = outline_distance(x + 0.5, y + 0.5)
    if d >= 0:
        return 0
    depth = -d
    if depth < FEATHER:
        return int(clamp(depth / FEATHER) * 15)
    if depth < FEATHER + 6:  # a gold rim just inside the soft edge
        shine = 0.5 + 0.5 * math.sin((x + y) / 60.0)
        return 216 + int(shine * 39)
    wx, wy, ww, wh = WEB_AREA
    if wx - 6 <= x < wx + ww + 6 and wy - 6 <= y < wy + wh + 6:
        inside = wx <= x < wx + ww and wy <= y < wy + wh
        return 16 + (199 if inside else 150)
    shade = clamp((y - 60) / (HEIGHT - 60))
    glow = math.exp(-(((x - 540) / 260.0) ** 2 + ((y - 150) / 120.0) ** 2))
    return 16 + int(clamp(shade - 0.45 * glow) * 199)


def background():
    palette, alpha = build_palette()
    rows = [[background_index(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    return png_bytes(WIDTH, HEIGHT, 3, rows, palette, alpha)


def rgba_image(size, shade):
    """shade(x, y) -> (r, g, b, a) in 0..255 for pixel centres."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            row.extend(int(round(clamp(c / 255.0) * 255)) for c in shade(x + 0.5, y + 0.5))
        rows.append(row)
    return png_bytes(size, size, 6, rows)


def coverage(distance):
    return clamp(0.5 - distance)


def button(glyph, face, lift):
    size = 28
    centre = size / 2

    def shade(x, y):
        disc = math.hypot(x - centre, y - centre) - 12.5
        a = coverage(disc)
        if a == 0:
            return (0, 0, 0, 0)
        t = clamp((y - 2) / 24 + lift)
        colour = mix(face[0], face[1], t)
        if disc > -1.5:  # gold ring
            colour = GOLD_LIGHT
        ink = glyph(x - centre, y - centre)
        colour = mix(colour, (255, 255, 255), ink)
        return (*colour, a * 255)

    return rgba_image(size, shade)


def minimise_glyph(dx, dy):
    return coverage(max(abs(dx) - 6, abs(dy - 3) - 1.2))


def close_glyph(dx, dy):
    d1 = abs(dx - dy) / math.sqrt(2) - 1.2
    d2 = abs(dx + dy) / math.sqrt(2) - 1.2
    return coverage(max(min(d1, d2), max(abs(dx), abs(dy)) - 6))


NORMAL = ((70, 96, 140), (30, 44, 74))
HOVER = ((110, 140, 196), (50, 70, 120))
PRESSED = ((20, 30, 54), (44, 64, 104))


def icon(size):
    def shade(x, y):
        s = size / 48.0
        d = math.hypot(x - 24 * s, y - 24 * s) - 22 * s
        a = coverage(d)
        if a == 0:
            return (0, 0, 0, 0)
        colour = mix(BODY_TOP, BODY_BOTTOM, clamp(y / size))
        if d > -3 * s:
            colour = GOLD_LIGHT
        # a gold "Z"
        u, v = (x / s - 24) / 12, (y / s - 24) / 12
        bar = (abs(v + 0.75) < 0.18 or abs(v - 0.75) < 0.18) and abs(u) < 0.8
        diagonal = abs(u + v) < 0.22 and abs(v) < 0.8
        if bar or diagonal:
            colour = GOLD_LIGHT
        return (*colour, a * 255)

    return rgba_image(size, shade)


def ico(pngs):
    header = struct.pack("<HHH", 0, 1, len(pngs))
    offset = len(header) + 16 * len(pngs)
    entries, blobs = b"", b""
    for size, data in pngs:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    return header + entries + blobs


def main():
    write("103.png", background())
    write("104.png", button(close_glyph, PRESSED, 0.0))
    write("105.png", button(close_glyph, NORMAL, 0.0))
    write("106.png", button(close_glyph, HOVER, 0.0))
    write("107.png", button(minimise_glyph, PRESSED, 0.0))
    write("108.png", button(minimise_glyph, NORMAL, 0.0))
    write("109.png", button(minimise_glyph, HOVER, 0.0))
    write("101.png", icon(48))
    write("101.ico", ico([(n, icon(n)) for n in (16, 32, 48)]))


if __name__ == "__main__":
    main()
