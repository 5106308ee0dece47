#!/usr/bin/env python3
"""Draws the program's icon and close-mark bitmap into ui/res/.

Standard library only, and deterministic: running it again writes the same bytes, so the
committed files can be checked against it (--check). The build uses the committed files.
"""

import argparse
import math
import os
import struct
import sys
import zlib

SUPERSAMPLE = 4


# ---------------------------------------------------------------------------------------------
# Drawing: the icon is a set of shapes in a unit square, sampled per pixel with supersampling.

def _lerp(a, b, t):
    return a + (b - a) * t


def _mix(c1, c2, t):
    return tuple(_lerp(x, y, t) for x, y in zip(c1, c2))


def _inside_rounded_square(x, y, margin, radius):
    lo, hi = margin, 1.0 - margin
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and lo <= x <= hi and lo <= y <= hi


def _inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


# A download arrow over a tray, with signal bars: a device's update arriving over the air.
ARROW = [(0.42, 0.16), (0.58, 0.16), (0.58, 0.45), (0.71, 0.45), (0.50, 0.66), (0.29, 0.45), (0.42, 0.45)]
TRAY = [(0.20, 0.62), (0.28, 0.62), (0.28, 0.73), (0.72, 0.73), (0.72, 0.62), (0.80, 0.62),
        (0.80, 0.81), (0.20, 0.81)]
BARS = [(0.66 + i * 0.045, 0.36 - i * 0.055, 0.03) for i in range(3)]  # x, top, width; bottom 0.40
TOP_BLUE = (33, 150, 243)
BOTTOM_BLUE = (13, 71, 161)
WHITE = (255, 255, 255)
BAR_COLOUR = (187, 222, 251)


def _icon_sample(x, y):
    """Colour and alpha (0..1) of the icon artwork at a point of the unit square."""
    if not _inside_rounded_square(x, y, 0.04, 0.18):
        return (0, 0, 0), 0.0
    colour = _mix(TOP_BLUE, BOTTOM_BLUE, y)
    if _inside_polygon(x, y, ARROW) or _inside_polygon(x, y, TRAY):
        colour = WHITE
    for bx, top, width in BARS:
        if bx <= x <= bx + width and top <= y <= 0.40:
            colour = BAR_COLOUR
    return colour, 1.0


def render_icon(size):
    """Rows of straight-alpha RGBA pixels, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    colour, alpha = _icon_sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    r += colour[0] * alpha
                    g += colour[1] * alpha
                    b += colour[2] * alpha
                    a += alpha
            if a > 0:
                pixel = (round(r / a), round(g / a), round(b / a), round(255 * a / (n * n)))
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------------
# Icon file: 4- and 8-bit paletted images with masks, 32-bit images with alpha, one PNG.

VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
         (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def _palette256():
    levels = [0, 51, 102, 153, 204, 255]
    palette = [(r, g, b) for r in levels for g in levels for b in levels]
    palette += [(v, v, v) for v in range(8, 248, 6)][:256 - len(palette)]
    return palette + [(0, 0, 0)] * (256 - len(palette))


def _nearest(palette, colour, cache):
    if colour not in cache:
        cache[colour] = min(range(len(palette)),
                            key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], colour)))
    return cache[colour]


def _row_padded(data):
    return data + b"\0" * ((4 - len(data) % 4) % 4)


def _and_mask(rows):
    size = len(rows)
    out = b""
    for row in reversed(rows):
        bits = bytearray((size + 7) // 8)
        for x, pixel in enumerate(row):
            if pixel[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += _row_padded(bytes(bits))
    return out


def _dib_icon_image(rows, bits):
    size = len(rows)
    if bits == 32:
        palette = []
        xor = b"".join(bytes(c for p in row for c in (p[2], p[1], p[0], p[3])) for row in reversed(rows))
    else:
        palette = VGA16 if bits == 4 else _palette256()
        cache = {}
        xor = b""
        for row in reversed(rows):
            indices = [_nearest(palette, p[:3], cache) if p[3] >= 128 else 0 for p in row]
            if bits == 4:
                packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
            else:
                packed = bytes(indices)
            xor += _row_padded(packed)
    mask = _and_mask(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0,
                         len(palette), 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + xor + mask


def _png(rows):
    size = len(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# Directory order of the icon group: (size, bits per pixel); the 256 one is stored as PNG.
ICON_IMAGES = [(48, 4), (32, 4), (24, 4), (16, 4), (48, 8), (32, 8), (24, 8), (16, 8),
               (256, 32), (48, 32), (32, 32), (24, 32), (16, 32)]


def make_icon():
    rendered = {}
    images = []
    for size, bits in ICON_IMAGES:
        if size not in rendered:
            rendered[size] = render_icon(size)
        rows = rendered[size]
        data = _png(rows) if size == 256 else _dib_icon_image(rows, bits)
        images.append((size, bits, data))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        colour_count = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


# ---------------------------------------------------------------------------------------------
# Close mark: 32 x 32, 24 bits, white, with a smoothed diagonal cross in columns 11-26 and rows
# 5-20, light grey at its tips and dark slate at its centre.

CROSS_LEFT, CROSS_TOP, CROSS_SIZE = 11, 5, 16
LIGHT_GREY = (176, 184, 192)
DARK_SLATE = (16, 28, 39)
STROKE_HALF_WIDTH = 1.05


def _distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def close_mark_pixels():
    left, top = CROSS_LEFT, CROSS_TOP
    right, bottom = left + CROSS_SIZE - 1, top + CROSS_SIZE - 1
    centre_x, centre_y = (left + right) / 2, (top + bottom) / 2
    reach = math.hypot(right - centre_x, bottom - centre_y)
    rows = []
    for y in range(32):
        row = []
        for x in range(32):
            colour = (255, 255, 255)
            if left <= x <= right and top <= y <= bottom:
                d = min(_distance_to_segment(x, y, left, top, right, bottom),
                        _distance_to_segment(x, y, right, top, left, bottom))
                coverage = max(0.0, min(1.0, STROKE_HALF_WIDTH + 0.5 - d))
                # Full shade within a pixel of the centre, fading to light grey at the tips.
                shade = max(0.0, min(1.0, 1.0 - (math.hypot(x - centre_x, y - centre_y) - 1.0) / (reach - 1.0)))
                stroke = _mix(LIGHT_GREY, DARK_SLATE, shade)
                colour = tuple(round(c) for c in _mix((255, 255, 255), stroke, coverage))
            row.append(colour)
        rows.append(row)
    return rows


def make_close_bitmap():
    rows = close_mark_pixels()
    pixels = b"".join(bytes(c for p in row for c in (p[2], p[1], p[0])) for row in reversed(rows))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 32, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return file_header + info + pixels


OUTPUTS = {"KeshUI.ico": make_icon, "close.bmp": make_close_bitmap}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "..", "ui", "res"))
    parser.add_argument("--check", action="store_true", help="compare with the files in --out, write nothing")
    args = parser.parse_args()
    stale = []
    for name, make in OUTPUTS.items():
        data = make()
        path = os.path.join(args.out, name)
        if args.check:
            with open(path, "rb") as f:
                if f.read() != data:
                    stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
