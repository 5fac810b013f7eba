"""Helpers for end-to-end tests: run the real tarnwell-setup binary on the X display
the test command provides, read back the PNG screenshots it writes, probe pixels,
and write small fake backends."""

import atexit
import ctypes
import ctypes.util
import os
import shutil
import stat
import struct
import subprocess
import tempfile
import textwrap
import time
import zlib

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.environ.get("TARNWELL_BIN") or os.path.join(SOURCE, "build", "tarnwell-setup")
PYTHON = os.environ.get("TARNWELL_PYTHON", "python3")


def env(**extra):
    """The environment a setup window gets: the test display, a private runtime dir and a
    home of its own, so that nothing one run remembers (a language, an install folder) is
    found by the next; a test that passes HOME or an XDG folder keeps its own."""
    e = dict(os.environ)
    e.setdefault("DISPLAY", ":99")
    if "HOME" not in extra:
        home = tempfile.mkdtemp(prefix="home-")
        atexit.register(shutil.rmtree, home, True)
        e.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                 XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                 XDG_CACHE_HOME=os.path.join(home, ".cache"))
    if not os.path.isdir(e.get("XDG_RUNTIME_DIR", "")):
        runtime = tempfile.mkdtemp(prefix="xdg-runtime-")
        os.chmod(runtime, 0o700)
        e["XDG_RUNTIME_DIR"] = runtime
    e.update({k: str(v) for k, v in extra.items()})
    return e


def park_pointer(environ=None):
    """Puts the pointer in the display's bottom-right corner, where no test window opens,
    so that no window starts under a pointer an earlier test left over one of its items
    (a hovered button is drawn in another colour)."""
    e = environ or env()
    try:
        r = subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True,
                           env=e, timeout=10)
        w, h = (int(v) for v in r.stdout.split())
        subprocess.run(["xdotool", "mousemove", str(w - 1), str(h - 1)], env=e, timeout=10,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except (OSError, ValueError, subprocess.SubprocessError):
        pass  # no xdotool or no display: the launch itself reports what is wrong


def private_display(test):
    """Starts an X server of the test's own (ended at its cleanup) and returns its name."""
    for n in range(200, 300):
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            break
    server = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x720x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    test.addCleanup(server.wait)
    test.addCleanup(server.terminate)
    for _ in range(100):
        if os.path.exists("/tmp/.X11-unix/X%d" % n):
            return ":%d" % n
        time.sleep(0.1)
    test.fail("Xvfb :%d did not start" % n)


def run(args, timeout=60, **kw):
    """Runs the binary to completion; returns the CompletedProcess with text output."""
    park_pointer(kw.get("env"))
    return subprocess.run([BIN] + list(args), capture_output=True, text=True, timeout=timeout,
                          env=kw.pop("env", None) or env(), **kw)


def start(args, **kw):
    """Starts the binary and returns the Popen; the caller ends it."""
    park_pointer(kw.get("env"))
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


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def grab(window, display=None):
    """What the X server shows of a window now, as an RGB Image: the picture a person sees,
    read while the program runs (its own --shot ends it)."""
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XGetImage.restype = ctypes.POINTER(_XImage)
    x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                            ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x.XGetGeometry.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong)] + \
        [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x.XFree.argtypes = [ctypes.c_void_p]
    d = x.XOpenDisplay((display or env()["DISPLAY"]).encode())
    if not d:
        raise RuntimeError("no X display")
    try:
        root, xy, wh = ctypes.c_ulong(), [ctypes.c_int() for _ in range(2)], [ctypes.c_uint() for _ in range(4)]
        x.XGetGeometry(d, int(window), ctypes.byref(root), *[ctypes.byref(v) for v in xy + wh])
        w, h = wh[0].value, wh[1].value
        img = x.XGetImage(d, int(window), 0, 0, w, h, 0xFFFFFFFF, 2)  # ZPixmap, all planes
        if not img or img.contents.bits_per_pixel != 32:
            raise RuntimeError("the window's picture could not be read")
        c = img.contents
        raw = ctypes.string_at(c.data, c.bytes_per_line * h)
        rows = []
        for y in range(h):
            line = raw[y * c.bytes_per_line:y * c.bytes_per_line + 4 * w]
            # 32-bit pixels, least significant byte first: blue, green, red, unused.
            rgb = bytearray(3 * w)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
            rows.append(bytes(rgb))
        x.XFree(ctypes.cast(c.data, ctypes.c_void_p))
        x.XFree(ctypes.cast(img, ctypes.c_void_p))
        return Image(w, h, 3, rows)
    finally:
        x.XCloseDisplay(d)


def write_png(img, path):
    """Writes an RGB Image as a PNG file, for looking at a grab afterwards."""
    raw = b"".join(b"\0" + row for row in img.rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", img.width, img.height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def write_script(folder, name, body):
    """Writes an executable fake backend (a python script) and returns its path."""
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write(textwrap.dedent(body).lstrip())
    os.chmod(path, os.stat(path).st_mode | stat.S_IEXEC)
    return path
