"""Helpers for the backend tests: run `python -m setup` as a real child process in a
private home, read its standard output as JSON lines, and make game copies.

Every run gets HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_DESKTOP_DIR inside a
temporary folder, so nothing touches the real user's files.
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import queue
import unittest
import zlib

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# Scenario variables a developer may have set in their shell; tests set their own.
_CLEARED = [k for k in os.environ if k.startswith("TARNWELL_STANDIN_")]


class Sandbox:
    """A temporary home with a game copy and an install folder path."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="tarnwell-backend-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.home, "config")
        self.data = os.path.join(self.home, "data")
        self.desktop = os.path.join(self.home, "Desktop")
        os.makedirs(self.home)
        self.dest = os.path.join(self.root, "install", "Tarnwell")

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def game_folder(self, name="lantern", exefs=True, romfs=True):
        path = self.path(name)
        os.makedirs(path, exist_ok=True)
        if exefs:
            os.makedirs(os.path.join(path, "exefs"), exist_ok=True)
        if romfs:
            os.makedirs(os.path.join(path, "romfs"), exist_ok=True)
        return path

    def nup(self, name="lantern.nup", data=b"NUP0 stand-in game package\n"):
        path = self.path(name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def env(self, environ=None, **scenario):
        e = {k: v for k, v in os.environ.items() if k not in _CLEARED}
        e.update(environ or {})
        e.update({
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config,
            "XDG_DATA_HOME": self.data,
            "XDG_DESKTOP_DIR": self.desktop,
            "PYTHONPATH": SOURCE,
            "PYTHONDONTWRITEBYTECODE": "1",
            # Tools that every test machine has, so builds pass the tool check.
            "TARNWELL_STANDIN_TOOLS": "sh",
            "TARNWELL_STANDIN_SECONDS": "0.05",
            "TARNWELL_STANDIN_GPU": "",
            "TARNWELL_STANDIN_FREE_GB": "500",
        })
        for key, value in scenario.items():
            name = "TARNWELL_STANDIN_" + key.upper()
            if value is None:
                e.pop(name, None)
            else:
                e[name] = str(value)
        return e

    def run(self, args, timeout=60, environ=None, **scenario):
        """Runs the backend to its end; returns a Result. `environ` adds variables."""
        done = subprocess.run([sys.executable, "-m", "setup"] + list(args), cwd=SOURCE,
                              env=self.env(environ, **scenario), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        return Result(done.returncode, done.stdout, done.stderr.decode("utf-8", "replace"))

    def build(self, game, dest=None, extra=(), environ=None, **scenario):
        return self.run(["--json", "--game", game, "--dest", dest or self.dest] + list(extra),
                        environ=environ, **scenario)

    def info(self, extra=(), environ=None, **scenario):
        r = self.run(["--info"] + list(extra), environ=environ, **scenario)
        objects = r.objects()
        if r.code != 0 or len(objects) != 1:
            raise AssertionError("info gave code %d and %d objects:\n%s\n%s"
                                 % (r.code, len(objects), r.text, r.stderr))
        return objects[0]

    def start(self, args, **scenario):
        return Live([sys.executable, "-m", "setup"] + list(args), self.env(**scenario))

    def marker(self, dest=None):
        return os.path.join(dest or self.dest, ".setup", "cancel")


class Result:
    def __init__(self, code, stdout, stderr):
        self.code = code
        self.stdout = stdout
        self.stderr = stderr
        self.text = stdout.decode("utf-8", "replace")
        self.lines = stdout.split(b"\n")
        if self.lines and self.lines[-1] == b"":
            self.lines.pop()
        else:
            raise AssertionError("output does not end in a newline: %r" % stdout[-200:])

    def objects(self):
        """The lines that are JSON objects, parsed."""
        return [v for v in (_object(line) for line in self.lines) if v is not None]

    def messages(self, kind=None):
        return [m for m in self.objects() if kind is None or m.get("type") == kind]

    def steps(self):
        return [(m["step"], m["state"]) for m in self.messages("step")]

    def end(self):
        ends = self.messages("end")
        if len(ends) != 1:
            raise AssertionError("expected one end message, got %r\n%s" % (ends, self.stderr))
        return ends[0]


def _object(line):
    try:
        value = json.loads(line.decode("utf-8"))
    except ValueError:
        return None
    return value if isinstance(value, dict) else None


class Live:
    """A backend run that the test watches while it runs: its lines arrive on a
    queue, each with the time it was read."""

    def __init__(self, argv, env):
        self.proc = subprocess.Popen(argv, cwd=SOURCE, env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.put((time.monotonic(), raw.rstrip(b"\n")))
        self.lines.put((time.monotonic(), None))

    def next(self, timeout=10):
        """The next JSON object and the time it arrived; None at the end of output."""
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError("no message within %s s; seen so far: %r"
                                     % (timeout, self.seen[-5:]))
            try:
                at, raw = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if raw is None:
                return None, at
            value = _object(raw)
            if value is not None:
                self.seen.append(value)
                return value, at

    def until(self, test, timeout=10):
        """Reads messages until test(message) holds; returns that message and its time."""
        deadline = time.monotonic() + timeout
        while True:
            message, at = self.next(max(0.01, deadline - time.monotonic()))
            if message is None:
                raise AssertionError("output ended before the awaited message; seen %r"
                                     % self.seen[-5:])
            if test(message):
                return message, at

    def wait(self, timeout=10):
        return self.proc.wait(timeout)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()


def png_bytes(width, height, rgba):
    """A minimal 8-bit RGBA PNG of one colour."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + bytes(rgba) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def read_png(path):
    """(width, height, colour type, rows of RGBA bytes) of an 8-bit RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError("bad CRC in chunk %r" % kind)
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    if depth != 8 or colour != 6:
        raise ValueError("not 8-bit RGBA")
    raw = zlib.decompress(idat)
    stride = width * 4
    rows = []
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        if line[0] != 0:
            raise ValueError("unexpected filter %d" % line[0])
        rows.append(line[1:])
    return width, height, colour, rows


class SandboxTest(unittest.TestCase):
    """A test case with a fresh Sandbox in self.box."""

    def setUp(self):
        self.box = Sandbox()
        self.addCleanup(self.box.cleanup)

    def assertSequence(self, result, steps_ids=None):
        """Checks a whole job's output line by line: "start" first, then every step
        started and finished in order (or finished at once), progress within bounds,
        "end" last. Returns the step ids announced by "start"."""
        objects = result.objects()
        self.assertEqual(len(objects), len(result.lines),
                         "every line must be a JSON object: %r" % [
                             l for l in result.lines if _object(l) is None][:3])
        self.assertEqual(objects[0]["type"], "start")
        self.assertEqual(objects[-1]["type"], "end")
        start = objects[0]
        self.assertTrue(os.path.isabs(start["log"]), start["log"])
        ids = [s["id"] for s in start["steps"]]
        self.assertEqual(len(ids), len(set(ids)), "step ids must be unique")
        for s in start["steps"]:
            self.assertEqual(set(s), {"id", "title"})
            self.assertTrue(s["title"].strip())
        if steps_ids is not None:
            self.assertEqual(ids, steps_ids)
        position, running = 0, None
        for m in objects[1:-1]:
            kind = m["type"]
            self.assertIn(kind, ("step", "progress", "log", "warning", "icon", "error"), m)
            if kind == "step":
                self.assertLess(position, len(ids), "step after the last: %r" % m)
                self.assertEqual(m["step"], ids[position], "steps out of order")
                if m["state"] == "started":
                    self.assertIsNone(running)
                    running = m["step"]
                else:
                    self.assertEqual(m["state"], "finished")
                    self.assertIn(running, (None, m["step"]))
                    running = None
                    position += 1
            elif kind == "progress":
                self.assertIsNotNone(running, "progress outside a step: %r" % m)
                self.assertIsInstance(m["text"], str)
                self.assertTrue(0 <= m["done"] <= m["total"], m)
            elif kind == "log":
                self.assertIsInstance(m["line"], str)
            elif kind == "warning":
                self.assertTrue(m["text"])
            elif kind == "icon":
                self.assertTrue(os.path.isfile(m["path"]), m)
            elif kind == "error":
                self.assertEqual(set(m) - {"type"}, {"text", "detail", "command"})
        return ids
