#!/usr/bin/env python3
"""Draws the two pictures the main window paints on its own surface, as PNG files beside this
script:

- logo.png, 231 x 51, 24 bits: a rotor emblem and "Tarvel RC" in a geometric stroke lettering
  over white, the colour the window treats as transparent. Edges are smoothed towards a light
  dialog grey rather than towards white, so no white fringe shows on the window.
- slow-servo.png, 16 x 17, 4 bits: a warning triangle over magenta, the transparent colour.

Plain Python: shapes are sampled 4 x 4 times per pixel and the PNG files are written with zlib,
so nothing needs installing. Run it again after changing the drawing and commit the PNG files."""

import math
import os
import struct
import zlib

SAMPLES = 4
WHITE = (255, 255, 255)
EDGE = (236, 236, 236)  # what smoothed edges blend towards
BLUE = (28, 74, 140)
ORANGE = (242, 140, 28)
DARK = (40, 44, 52)

LOGO_W, LOGO_H = 231, 51

# ---- lettering ---------------------------------------------------------------------------
# Glyphs are strokes in units of the capital height, y upwards from the baseline.
X = 0.68  # x-height


def arc(cx, cy, r, a0, a1, steps=24):
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps)))
            for i in range(steps + 1)]


GLYPHS = {
    "T": (0.74, [[(0, 1), (0.74, 1)], [(0.37, 1), (0.37, 0)]]),
    "a": (0.62, [arc(0.3, X / 2, X / 2 - 0.02, 0, 360, 40), [(0.62, X), (0.62, 0)]]),
    "r": (0.40, [[(0, 0), (0, X)], arc(0.34, X / 2, 0.34, 180, 80, 12)]),
    "v": (0.62, [[(0, X), (0.31, 0), (0.62, X)]]),
    "e": (0.64, [arc(0.32, X / 2, 0.32, 0, 315, 36), [(0.0, X / 2), (0.64, X / 2)]]),
    "l": (0.0, [[(0, 0), (0, 1.04)]]),
    "R": (0.62, [[(0, 0), (0, 1), (0.34, 1)], arc(0.34, 0.76, 0.24, 90, -90, 16),
                 [(0.34, 0.52), (0, 0.52)], [(0.30, 0.52), (0.64, 0)]]),
    "C": (0.86, [arc(0.5, 0.5, 0.5, 48, 312, 40)]),
    " ": (0.18, []),
}

TEXT = "Tarvel RC"
CAP = 25.0          # capital height in pixels
STROKE = 4.4        # stroke width in pixels
GAP = 0.22          # space between glyphs, in capital heights
TEXT_X = 57.0
BASELINE = 36.0


def text_strokes():
    """Stroke polylines of the text in pixel coordinates (y downwards)."""
    strokes = []
    x = TEXT_X
    for ch in TEXT:
        width, lines = GLYPHS[ch]
        for line in lines:
            strokes.append([(x + px * CAP, BASELINE - py * CAP) for px, py in line])
        x += (width + GAP) * CAP
    return strokes, x - GAP * CAP


def segments(polylines):
    out = []
    for line in polylines:
        for (x0, y0), (x1, y1) in zip(line, line[1:]):
            out.append((x0, y0, x1, y1))
    return out


def near_segment(px, py, seg, half):
    x0, y0, x1, y1 = seg
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
    qx, qy = x0 + t * dx - px, y0 + t * dy - py
    return qx * qx + qy * qy <= half * half


class Strokes:
    """Segments grouped in boxes, so a sample only tests the strokes near it."""

    def __init__(self, polylines, width):
        self.half = width / 2
        self.groups = []
        for line in polylines:
            segs = segments([line])
            xs = [p[0] for p in line]
            ys = [p[1] for p in line]
            box = (min(xs) - self.half, min(ys) - self.half, max(xs) + self.half,
                   max(ys) + self.half)
            self.groups.append((box, segs))

    def hit(self, x, y):
        for (x0, y0, x1, y1), segs in self.groups:
            if x0 <= x <= x1 and y0 <= y <= y1:
                if any(near_segment(x, y, s, self.half) for s in segs):
                    return True
        return False


# ---- the emblem: a ring with a three-bladed tail rotor ---------------------------------
EMBLEM = (26.0, 25.5)
RING_OUTER, RING_INNER = 22.0, 18.5


def emblem_colour(x, y):
    dx, dy = x - EMBLEM[0], y - EMBLEM[1]
    dist = math.hypot(dx, dy)
    if RING_INNER <= dist <= RING_OUTER:
        return BLUE
    if dist < 3.2:
        return DARK
    if dist < RING_INNER - 2.5:
        angle = math.atan2(dy, dx)
        for blade in range(3):
            centre = blade * 2 * math.pi / 3 - 0.5
            offset = (angle - centre + math.pi) % (2 * math.pi) - math.pi
            width = 0.62 - 0.022 * dist
            if dist > 2.0 and -width * 0.35 < offset < width:
                return ORANGE
    return None


def logo_pixels():
    strokes_list, text_end = text_strokes()
    text = Strokes(strokes_list, STROKE)
    # A swoosh under the text, thick at the left and thin at the right.
    swoosh_x0, swoosh_x1 = TEXT_X, min(text_end + 2, LOGO_W - 3)

    def colour_at(x, y):
        c = emblem_colour(x, y)
        if c is not None:
            return c
        if text.hit(x, y):
            return BLUE
        if swoosh_x0 <= x <= swoosh_x1:
            t = (x - swoosh_x0) / (swoosh_x1 - swoosh_x0)
            centre = 43.5 - 1.5 * t
            half = 1.6 * (1 - t) + 0.4
            if abs(y - centre) <= half:
                return ORANGE
        return None

    rows = []
    for y in range(LOGO_H):
        row = bytearray([0])
        for x in range(LOGO_W):
            acc = [0, 0, 0]
            inked = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES)
                    if c is not None:
                        inked += 1
                        for i in range(3):
                            acc[i] += c[i]
            n = SAMPLES * SAMPLES
            if inked == 0:
                row += bytes(WHITE)
            else:
                ink = [a / inked for a in acc]
                cover = inked / n
                row += bytes(round(ink[i] * cover + EDGE[i] * (1 - cover)) for i in range(3))
        rows.append(bytes(row))
    return b"".join(rows)


# ---- the slow-servo mark ------------------------------------------------------------------
# m magenta (transparent), k black, y amber, w white highlight.
MARK = [
    "mmmmmmmkkmmmmmmm",
    "mmmmmmkyykmmmmmm",
    "mmmmmmkyykmmmmmm",
    "mmmmmkyyyykmmmmm",
    "mmmmmkykkykmmmmm",
    "mmmmkyykkyykmmmm",
    "mmmmkyykkyykmmmm",
    "mmmkyyykkyyykmmm",
    "mmmkyyykkyyykmmm",
    "mmkyyyykkyyyykmm",
    "mmkyyyyyyyyyykmm",
    "mkyyyyykkyyyyykm",
    "mkyyyyykkyyyyykm",
    "kyyyyyyyyyyyyyyk",
    "kkkkkkkkkkkkkkkk",
    "mmmmmmmmmmmmmmmm",
    "mmmmmmmmmmmmmmmm",
]
PALETTE = {"m": (255, 0, 255), "k": (0, 0, 0), "y": (255, 196, 0), "w": (255, 255, 255)}


def mark_png():
    order = list(PALETTE)
    assert len(MARK) == 17 and all(len(r) == 16 for r in MARK)
    rows = []
    for line in MARK:
        row = bytearray([0])
        for i in range(0, 16, 2):
            row.append(order.index(line[i]) << 4 | order.index(line[i + 1]))
        rows.append(bytes(row))
    palette = b"".join(bytes(PALETTE[k]) for k in order)
    return png(16, 17, 4, 3, b"".join(rows), palette)


def png(width, height, depth, colour_type, pixels, palette=None):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    if palette is not None:
        out += chunk(b"PLTE", palette)
    return out + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    pictures = {
        "logo.png": png(LOGO_W, LOGO_H, 8, 2, logo_pixels()),
        "slow-servo.png": mark_png(),
    }
    for name, data in pictures.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as out:
            out.write(data)
        print(path)


if __name__ == "__main__":
    main()
