#!/usr/bin/env python3
"""Draws the application icon (a gyro disc with a spinning tail rotor) as PNG files of 16, 32
and 48 pixels beside this script. Plain Python: the shapes are sampled 4 x 4 times per pixel
for smooth edges, and the PNG files are written with zlib, so nothing needs installing.
Run it again after changing the drawing and commit the PNG files."""

import math
import os
import struct
import zlib

SAMPLES = 4

BACKGROUND_TOP = (28, 74, 140)
BACKGROUND_BOTTOM = (12, 36, 78)
DISC = (236, 240, 246)
ROTOR = (242, 140, 28)
HUB = (40, 44, 52)


def colour_at(u, v):
    """Colour (r, g, b, a) of the design at u, v in 0..1, or None for transparent."""
    # Rounded square background.
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return None
    t = v
    colour = tuple(round(a + (b - a) * t) for a, b in zip(BACKGROUND_TOP, BACKGROUND_BOTTOM))
    dx, dy = u - 0.5, v - 0.5
    dist = math.hypot(dx, dy)
    # The gyro: a light disc.
    if dist < 0.36:
        colour = DISC
    # Three rotor blades, each a slim wedge swept a little, as if turning.
    angle = math.atan2(dy, dx)
    for blade in range(3):
        centre = blade * 2 * math.pi / 3 + 0.3
        offset = (angle - centre + math.pi) % (2 * math.pi) - math.pi
        width = 0.34 - 0.5 * dist
        if 0.06 < dist < 0.33 and -width * 0.4 < offset < width:
            colour = ROTOR
    if dist < 0.08:
        colour = HUB
    return colour + (255,)


def render(size):
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter type: none
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    u = (x + (sx + 0.5) / SAMPLES) / size
                    v = (y + (sy + 0.5) / SAMPLES) / size
                    c = colour_at(u, v)
                    if c is None:
                        continue
                    for i in range(3):
                        acc[i] += c[i]
                    acc[3] += 1
            n = SAMPLES * SAMPLES
            if acc[3] == 0:
                row += bytes(4)
            else:
                row += bytes([round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                              round(acc[2] / acc[3]), round(255 * acc[3] / n)])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for size in (16, 32, 48):
        path = os.path.join(folder, "vn340-%d.png" % size)
        with open(path, "wb") as out:
            out.write(png(size, render(size)))
        print(path)


if __name__ == "__main__":
    main()
