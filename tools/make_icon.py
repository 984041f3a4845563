#!/usr/bin/env python3
"""Draws the chainer's window icon and writes it as a multi-size .ico (16, 20, 24, 32, 40, 48, 64 and 256 px).

The picture: a blue tile holding a white parcel, with an amber badge carrying a downward arrow, the
chainer's one job being to bring missing parcels in. Every size is drawn from the same shapes with 4 x 4
samples per pixel, so small sizes stay crisp instead of being scaled down from the large one. Sizes up to
64 are stored as 32-bit bitmaps (Windows XP reads those); 256 as PNG (Windows Vista and later).

Usage: tools/make_icon.py OUTPUT.ico
"""
import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
SAMPLES = 4


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) <= radius and left <= x <= right and top <= y <= bottom


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


TILE_TOP = (46, 125, 214)
TILE_BOTTOM = (22, 70, 150)
PARCEL = (250, 250, 252)
PARCEL_SHADE = (205, 218, 236)
TAPE = (160, 185, 220)
BADGE = (245, 166, 35)
BADGE_EDGE = (196, 118, 12)
WHITE = (255, 255, 255)


def colour_at(x, y):
    """Colour and alpha of the picture at (x, y) in a 1 x 1 square."""
    colour, alpha = None, 0.0
    if rounded_rect(x, y, 0.03, 0.03, 0.97, 0.97, 0.18):
        colour, alpha = mix(TILE_TOP, TILE_BOTTOM, y), 1.0
    # The parcel: front face, lid band and tape line.
    if 0.18 <= x <= 0.74 and 0.30 <= y <= 0.80:
        colour = PARCEL if y > 0.42 else PARCEL_SHADE
        if abs(x - 0.46) < 0.035:
            colour = TAPE
        alpha = 1.0
    # The badge with its arrow, over the parcel's corner.
    r = math.hypot(x - 0.72, y - 0.72)
    if r <= 0.25:
        colour, alpha = (BADGE_EDGE if r > 0.215 else BADGE), 1.0
        if segment_distance(x, y, 0.72, 0.58, 0.72, 0.74) <= 0.045 or in_triangle(
                x, y, (0.60, 0.71), (0.84, 0.71), (0.72, 0.86)):
            colour = WHITE
    return colour, alpha


def render(size):
    """Rows of (r, g, b, a) bytes, top row first, with straight (not premultiplied) alpha."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour, alpha = colour_at((px + (sx + 0.5) / SAMPLES) / size,
                                              (py + (sy + 0.5) / SAMPLES) / size)
                    if alpha:
                        cover += alpha
                        for i in range(3):
                            acc[i] += colour[i] * alpha
            n = SAMPLES * SAMPLES
            if cover:
                row.append(tuple(int(round(acc[i] / cover)) for i in range(3)) + (int(round(255 * cover / n)),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for px, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[px // 8] |= 0x80 >> (px % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    images = [(size, png(render(size)) if size >= 256 else dib(render(size))) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
