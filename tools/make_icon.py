#!/usr/bin/env python3
"""Draws the setup's emblem, a golden lantern on a dark medallion, into assets/icon.png
(512 x 512, transparent outside the medallion). Standard library only; run it again
after changing the picture: python3 tools/make_icon.py"""

import math
import os
import struct
import zlib

SIZE = 512
SAMPLES = 3  # per axis, for smooth edges

GOLD = (245, 189, 72)
GOLD_DARK = (176, 118, 40)
MEDAL = (34, 23, 15)
MEDAL_EDGE = (20, 13, 9)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def box(px, py, cx, cy, hw, hh, r=0.0):
    """Signed distance to a rounded box."""
    dx, dy = abs(px - cx) - hw + r, abs(py - cy) - hh + r
    return math.hypot(max(dx, 0), max(dy, 0)) + min(max(dx, dy), 0) - r


def trapezoid(px, py, cy, hh, top_hw, bottom_hw):
    """Inside test of a symmetric trapezoid centred on x = 256."""
    if abs(py - cy) > hh:
        return False
    t = (py - (cy - hh)) / (2 * hh)
    return abs(px - 256) <= top_hw + (bottom_hw - top_hw) * t


def flame(px, py):
    """A teardrop: a circle below, narrowing to a point above."""
    cx, cy, r = 256, 300, 26
    if py >= cy:
        return math.hypot(px - cx, py - cy) <= r
    top = cy - 62
    if py < top:
        return False
    t = (py - top) / (cy - top)
    return abs(px - cx) <= r * math.sin(t * math.pi / 2) ** 0.8


def sample(px, py):
    """Colour and coverage (0 or 1) at one point."""
    d = math.hypot(px - 256, py - 256)
    if d > 250:
        return (0, 0, 0), 0
    # medallion with a gold rim and a thin inner ring
    col = mix(MEDAL, MEDAL_EDGE, min(d / 250, 1) ** 2)
    if d > 234 or 214 < d < 220:
        col = mix(GOLD, GOLD_DARK, (py / SIZE) * 0.6)
    # lantern glass: warm light, brighter towards the flame
    glass = box(px, py, 256, 282, 62, 66, 6)
    if glass < 0:
        glow = max(0.0, 1 - math.hypot(px - 256, py - 292) / 90)
        col = mix((120, 52, 14), (255, 170, 60), glow)
        if flame(px, py):
            inner = max(0.0, 1 - math.hypot(px - 256, py - 306) / 30)
            col = mix((255, 196, 90), (255, 248, 215), inner)
    frame = abs(glass) < 7 or (abs(px - 226) < 4 or abs(px - 286) < 4) and glass < 0 and py < 250
    handle = abs(math.hypot(px - 256, py - 168) - 30) < 6 and py < 172
    cap = trapezoid(px, py, 198, 14, 34, 80) or box(px, py, 256, 186, 20, 6) < 0
    base = trapezoid(px, py, 362, 12, 78, 56) or box(px, py, 256, 380, 40, 6, 3) < 0
    if frame or handle or cap or base:
        shade = 0.15 + 0.5 * max(0.0, (px - 200) / 140) * (py / SIZE)
        col = mix(GOLD, GOLD_DARK, min(shade, 0.8))
    return col, 1


def render():
    rows = []
    step = 1.0 / SAMPLES
    for y in range(SIZE):
        row = bytearray([0])  # filter: none
        for x in range(SIZE):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    col, cover = sample(x + (sx + 0.5) * step, y + (sy + 0.5) * step)
                    r += col[0] * cover
                    g += col[1] * cover
                    b += col[2] * cover
                    a += cover
            if a:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / SAMPLES**2)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(width, height, raw):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assets", "icon.png")
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, render()))
    print("wrote", os.path.normpath(out))
