"""Helpers for end-to-end tests: run the real tarnwell-setup binary on the X display
the test command provides, read back the PNG screenshots it writes, probe pixels,
and write small fake backends."""

import os
import stat
import struct
import subprocess
import tempfile
import textwrap
import zlib

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.environ.get("TARNWELL_BIN") or os.path.join(SOURCE, "build", "tarnwell-setup")
PYTHON = os.environ.get("TARNWELL_PYTHON", "python3")


def env(**extra):
    """The environment a setup window gets: the test display and a private runtime dir."""
    e = dict(os.environ)
    e.setdefault("DISPLAY", ":99")
    if not os.path.isdir(e.get("XDG_RUNTIME_DIR", "")):
        runtime = tempfile.mkdtemp(prefix="xdg-runtime-")
        os.chmod(runtime, 0o700)
        e["XDG_RUNTIME_DIR"] = runtime
    e.update({k: str(v) for k, v in extra.items()})
    return e


def run(args, timeout=60, **kw):
    """Runs the binary to completion; returns the CompletedProcess with text output."""
    return subprocess.run([BIN] + list(args), capture_output=True, text=True, timeout=timeout,
                          env=kw.pop("env", None) or env(), **kw)


def start(args, **kw):
    """Starts the binary and returns the Popen; the caller ends it."""
    return subprocess.Popen([BIN] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            text=True, env=kw.pop("env", None) or env(), **kw)


def base_args(root=SOURCE, python=PYTHON):
    return ["--root", root, "--python", python]


class Image:
    """An 8-bit RGB or RGBA PNG decoded into rows of bytes."""

    def __init__(self, width, height, channels, rows):
        self.width, self.height, self.channels, self.rows = width, height, channels, rows

    def pixel(self, x, y):
        row = self.rows[int(y)]
        i = int(x) * self.channels
        px = tuple(row[i:i + self.channels])
        return px if self.channels == 4 else px + (255,)


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s is not a PNG file" % path)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError("unsupported PNG layout in %s" % path)
    channels = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return Image(width, height, channels, rows)


def average(img, x0, y0, x1, y1, step=4):
    """Mean RGB over a rectangle, sampling every `step` pixels."""
    total, n = [0, 0, 0], 0
    for y in range(int(y0), int(y1), step):
        for x in range(int(x0), int(x1), step):
            p = img.pixel(x, y)
            for k in range(3):
                total[k] += p[k]
            n += 1
    return tuple(t / n for t in total)


def write_script(folder, name, body):
    """Writes an executable fake backend (a python script) and returns its path."""
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(textwrap.dedent(body).lstrip())
    os.chmod(path, os.stat(path).st_mode | stat.S_IEXEC)
    return path
