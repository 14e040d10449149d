#!/usr/bin/env python3
"""Draws the program icon (a magnifier on a blue tile) as PNG files.

    tools/make_icon.py resources/icons

writes quennit-16.png … quennit-256.png. The images are committed; run this
only when the drawing changes. Needs nothing beyond the standard library.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 32, 48, 64, 128, 256)
SAMPLES = 4  # per axis, for smooth edges


def inside_rounded_square(x, y, radius):
    # Unit square [0,1]² with corners rounded by radius.
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and 0 <= x <= 1 and 0 <= y <= 1


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def shade(x, y):
    """Colour (r, g, b, a) of the point (x, y) of the unit square."""
    if not inside_rounded_square(x, y, 0.18):
        return (0, 0, 0, 0)
    # Lens: a ring, with a pale glass inside.
    cx, cy, r = 0.43, 0.42, 0.22
    d = math.hypot(x - cx, y - cy)
    if abs(d - r) <= 0.055:
        return (255, 255, 255, 255)
    # Handle towards the lower right.
    a = (cx + (r + 0.04) * math.cos(math.pi / 4), cy + (r + 0.04) * math.sin(math.pi / 4))
    if distance_to_segment(x, y, a[0], a[1], 0.80, 0.79) <= 0.075:
        return (255, 255, 255, 255)
    if d < r:
        return (190, 222, 255, 255)
    # Tile: a vertical gradient from light to deep blue.
    top, bottom = (64, 140, 230), (20, 70, 160)
    return tuple(round(t + (b - t) * y) for t, b in zip(top, bottom)) + (255,)


def render(size):
    rows = []
    for j in range(size):
        row = bytearray([0])  # filter type: none
        for i in range(size):
            acc = [0, 0, 0, 0]
            for sj in range(SAMPLES):
                for si in range(SAMPLES):
                    x = (i + (si + 0.5) / SAMPLES) / size
                    y = (j + (sj + 0.5) / SAMPLES) / size
                    r, g, b, al = shade(x, y)
                    acc[0] += r * al
                    acc[1] += g * al
                    acc[2] += b * al
                    acc[3] += al
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3]:
                row += bytes(round(c / acc[3]) for c in acc[:3])
            else:
                row += bytes(3)
            row.append(round(alpha))
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    out.mkdir(parents=True, exist_ok=True)
    for size in SIZES:
        (out / f"quennit-{size}.png").write_bytes(png(size, render(size)))


if __name__ == "__main__":
    main()
