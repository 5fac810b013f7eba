"""The game's emblem: a lantern on a dark round badge, drawn pixel by pixel and
saved as an RGBA PNG with nothing but zlib and struct."""

import math
import os
import struct
import zlib

SIZE = 256


def png_bytes(width, height, rgba):
    """An 8-bit RGBA PNG of the given pixels (bytes, row by row, 4 per pixel)."""
    if len(rgba) != width * height * 4:
        raise ValueError("expected %d bytes of pixels, got %d" % (width * height * 4, len(rgba)))
    stride = width * 4
    raw = b"".join(b"\x00" + rgba[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def _mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def _pixel(x, y):
    """Colour (r, g, b) and coverage (0..1) of the emblem at pixel centre (x, y)."""
    c = SIZE / 2.0
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    cover = max(0.0, min(1.0, 120.0 - r + 0.5))
    if cover <= 0.0:
        return (0, 0, 0), 0.0

    # The badge: a warm dark disc, lighter towards the flame.
    colour = _mix((70, 42, 24), (22, 13, 9), min(1.0, r / 120.0))
    # Glow of the flame.
    g = math.hypot(dx, y - 150.0)
    colour = _mix(colour, (255, 170, 70), 0.55 * math.exp(-(g / 48.0) ** 2))
    # Gold rim.
    if 106.0 <= r <= 116.0:
        colour = _mix((250, 205, 110), (190, 130, 45), (r - 106.0) / 10.0)

    gold = (232, 178, 72)
    ax = abs(dx)
    # Lantern frame: top and bottom caps, two posts, and the handle above.
    if 78 <= y <= 88 and ax <= 54:
        colour = gold
    elif 192 <= y <= 202 and ax <= 54:
        colour = gold
    elif 88 < y < 192 and 42 <= ax <= 49:
        colour = _mix(gold, (150, 100, 35), (ax - 42) / 7.0)
    elif y < 80 and abs(math.hypot(dx, y - 80.0) - 22.0) <= 3.0:
        colour = gold

    # The flame: round below, tapering to a tip at the top.
    if 92.0 <= y <= 176.0:
        if y >= 150.0:
            half = math.sqrt(max(0.0, 26.0 ** 2 - (y - 150.0) ** 2))
        else:
            half = 26.0 * ((y - 92.0) / 58.0) ** 0.8
        if ax <= half and half > 0:
            t = ax / half
            colour = _mix((255, 246, 190), (245, 120, 30), t ** 1.5)
    return tuple(int(round(v)) for v in colour), cover


def emblem_rgba():
    # The picture is mirror-symmetric: draw the left half and copy it across.
    out = bytearray(SIZE * SIZE * 4)
    half = SIZE // 2
    for y in range(SIZE):
        row = y * SIZE * 4
        for x in range(half):
            (r, g, b), cover = _pixel(x + 0.5, y + 0.5)
            px = bytes((r, g, b, int(round(cover * 255))))
            out[row + x * 4:row + x * 4 + 4] = px
            mirror = SIZE - 1 - x
            out[row + mirror * 4:row + mirror * 4 + 4] = px
    return bytes(out)


def write_emblem(path):
    """Writes the emblem PNG to path (atomically) and returns path."""
    data = png_bytes(SIZE, SIZE, emblem_rgba())
    temp = path + ".tmp"
    with open(temp, "wb") as f:
        f.write(data)
    os.replace(temp, path)
    return path
