"""A person at the setup window: runs the real binary against the stand-in backend
(`python -m setup`) in a private home, clicks and types with xdotool, reads the
clipboard with xclip, and knows where the column puts things.

The program takes its one screenshot at --shot-at seconds and then quits, so a test
that wants to see a state drives the window there first and lets the shot come
afterwards; `Session.finish()` waits for it."""

import ctypes
import ctypes.util
import json
import math
import os
import shutil
import subprocess
import tempfile
import time

import harness

# Colours as the renderer writes them (RGB, 0-255).
GOLD_BUTTON = (245, 184, 61)     # a primary capsule button at rest
STOPPED_TITLE = (245, 143, 77)   # title of the stopped and missing-tools views
GREEN_CHECK = (140, 199, 102)    # check marks of the status line and the step list
HEADING_DONE = (92, 143, 61)     # disc of a finished heading
ORANGE_DOT = (245, 143, 77)      # a status line entry that is not good news
GOLD_TEXT = (245, 189, 71)       # "DONE", "BUILDING", the percentage
NAV = (215, 176, 76)             # the gold navigation frame around the focused item


def near(px, colour, tol=24):
    return all(abs(int(a) - int(b)) <= tol for a, b in zip(px[:3], colour))


class Layout:
    """The column's measures for a window of W x H, as the program derives them."""

    def __init__(self, W, H):
        self.W, self.H = W, H
        self.U = W / 1620.0 if W / H < 1.5 else H / 1080.0
        self.x0 = math.floor(0.615 * W)
        self.cw = math.floor(0.335 * W)
        self.half = (self.cw - 14 * self.U) / 2

    def font(self, n):
        """Pixel height of a font designed at n pixels (25 row, 84 title, 34 head, 23
        body, 19 small, 18 mono)."""
        return math.floor(self.U * n)

    def top(self, view):
        return (0.095 if view == 0 else 0.13) * self.H

    def item(self, height):
        """Height an item takes in the column, with the spacing below it."""
        return height + 9 * self.U

    def gap(self, h):
        return self.item(h * self.U)

    # Buttons, as (x, y) centres.
    def full(self, top):
        return (self.x0 + self.cw / 2, top)

    def left_half(self, y):
        return (self.x0 + self.half / 2, y)

    def right_half(self, y):
        return (self.x0 + self.half + 14 * self.U + self.half / 2, y)

    # The form's pickers, as (x, y) centres, for a subtitle of one line.
    def game_field(self):
        y = self.top(0) + self.item(self.font(84)) + self.item(self.font(23)) + self.gap(26)
        return (self.x0 + self.cw / 2, y + self.item(38 * self.U) + 29 * self.U)

    def folder_link(self):
        y = self.game_field()[1] + 29 * self.U + 9 * self.U
        return (self.x0 + 60 * self.U, y + (self.font(19) + 10 * self.U) / 2)

    def dest_field(self):
        y = self.folder_link()[1] + (self.font(19) + 10 * self.U) / 2 + 9 * self.U + self.gap(14)
        return (self.x0 + self.cw / 2, y + self.item(38 * self.U) + 29 * self.U)

    def quit_link(self):
        """Centre of the Quit link: right-aligned 16 (scaled) in from the content edge,
        its top 66 (scaled) above the window's bottom."""
        return (self.x0 + self.cw - 16 * self.U - 12 * self.U, self.H - 66 * self.U + 12 * self.U)

    def stopped_buttons_top(self, error_lines=1, detail_lines=1):
        """Top of the first button row of the stopped view for texts of the given
        number of lines."""
        y = self.top(2) + self.item(self.font(19))
        y += self.item(self.font(34) * error_lines) + self.gap(8)
        y += self.item(self.font(23) * detail_lines) + self.gap(8)
        return y

    def progress_buttons_top(self, n_steps, headline_lines=1, step_lines=1):
        """Top of "Show details" and "Cancel"."""
        h = 396 * self.U if n_steps < 13 else 33 * n_steps * self.U
        y = self.top(1) + self.item(self.font(19)) + self.item(self.font(34) * headline_lines)
        y += self.item(self.font(84)) + self.item(self.font(23) * step_lines) + self.gap(14)
        y += self.item(h) + self.gap(12)
        return y


def gold_bands(img, x, y0, y1, colour=GOLD_BUTTON, tol=24):
    """Vertical runs [(top, bottom)] at column x where the pixels have the colour."""
    bands, start = [], None
    for y in range(int(y0), int(y1)):
        hit = near(img.pixel(x, y), colour, tol)
        if hit and start is None:
            start = y
        elif not hit and start is not None:
            bands.append((start, y))
            start = None
    if start is not None:
        bands.append((start, int(y1)))
    return [b for b in bands if b[1] - b[0] >= 3]


def count_near(img, x0, y0, x1, y1, colour, tol=30, step=1):
    n = 0
    for y in range(int(y0), int(y1), step):
        for x in range(int(x0), int(x1), step):
            if near(img.pixel(x, y), colour, tol):
                n += 1
    return n


def nav_frame(test, img, L, y0=0, y1=None):
    """(top, bottom) of the navigation frame: the rows where it runs across an item,
    looked for between y0 and y1."""
    rows = [y for y in range(int(y0), int(y1 or img.height))
            if count_near(img, L.x0 - 8 * L.U, y, L.x0 + L.cw + 8 * L.U, y + 1, NAV, 10) > 0.4 * L.half]
    test.assertTrue(rows, "no focused item shows its frame")
    return rows[0], rows[-1]


def make_game_folder(root, name="Hollow Lantern"):
    """An unpacked copy of the game: a folder that holds exefs and romfs."""
    game = os.path.join(root, name)
    for part in ("exefs", "romfs"):
        os.makedirs(os.path.join(game, part))
        with open(os.path.join(game, part, "main"), "wb") as f:
            f.write(b"\0" * 64)
    return game


class Session:
    """One run of the setup window in a private home, against the stand-in backend."""

    def __init__(self, test, size=(1620, 1080), shot_at=30.0, game=True, dest=True, extra=(),
                 scenario=None, keep_dest=None, keep_home=None):
        self.test = test
        self.dir = tempfile.mkdtemp(prefix="flow-")
        test.addCleanup(shutil.rmtree, self.dir, True)
        # The backend remembers the install folder in the home's configuration.
        self.home = keep_home or os.path.join(self.dir, "home")
        os.makedirs(self.home, exist_ok=True)
        self.bin = os.path.join(self.dir, "bin")
        os.makedirs(self.bin)
        self.argv_log = os.path.join(self.dir, "argv.log")
        self.played = os.path.join(self.dir, "played.log")
        self.opened = os.path.join(self.dir, "opened.log")
        # The desktop's URL handler: record what the window asks it to open.
        harness.write_script(self.bin, "xdg-open", """
            #!/bin/sh
            printf '%%s\\n' "$*" >> '%s'
            """ % self.opened)
        self.game = make_game_folder(self.dir) if game else None
        self.dest = keep_dest or (os.path.join(self.dir, "Tarnwell") if dest else None)
        self.layout = Layout(*size)
        self.shot = os.path.join(self.dir, "shot.png")
        self.shot_at = shot_at
        self.dialog_pids = set()
        args = harness.base_args(python=shutil.which(harness.PYTHON) or harness.PYTHON)
        args += ["--size", "%dx%d" % size, "--shot", self.shot, "--shot-at", str(shot_at)]
        if self.game:
            args += ["--game", self.game]
        if self.dest:
            args += ["--dest", self.dest]
        args += list(extra)
        env = {
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_DESKTOP_DIR": os.path.join(self.home, "Desktop"),
            "PATH": self.bin + os.pathsep + os.environ.get("PATH", ""),
            "PYTHONPATH": harness.SOURCE,
            "TARNWELL_STANDIN_ARGV_LOG": self.argv_log,
            "TARNWELL_STANDIN_PLAYED": self.played,
            "TARNWELL_STANDIN_SECONDS": "0.5",
            "TARNWELL_STANDIN_TOOLS": "",
        }
        env.update(scenario or {})
        clear_clipboard()
        test.addCleanup(self._end)
        # A display that turns a new client away now and then is not what these tests
        # are about: three more tries, each after a longer pause (the server was seen to
        # refuse two launches in a row on a loaded machine), then the failure stands.
        for attempt in range(4):
            if attempt:
                time.sleep(attempt)
            self.started = time.monotonic()
            self.proc = harness.start(args, env=harness.env(**env), cwd=harness.SOURCE)
            self.window = self._find_window(last=attempt == 3)
            if self.window:
                break

    def _end(self):
        # A dialog outlives a window that ended: it would stand over later tests' windows.
        for pid in self.dialog_pids:
            subprocess.run(["kill", pid], stderr=subprocess.DEVNULL)
        if self.proc.poll() is None:
            subprocess.run(["pkill", "-P", str(self.proc.pid), "-x", "zenity"])
            self.proc.kill()
            self.proc.communicate()

    def _find_window(self, last):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid)],
                               capture_output=True, text=True, env=harness.env())
            ids = r.stdout.split()
            if ids:
                return ids[0]
            if self.proc.poll() is not None:
                err = self.proc.stderr.read()
                if not last and err.startswith("SDL: "):
                    return None
                self.test.fail("the window ended before it showed: %s" % err)
            time.sleep(0.1)
        self.test.fail("no window appeared")

    # A person's hands.
    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], check=True, env=harness.env())

    def click(self, x, y):
        self.xdotool("mousemove", "--window", self.window, int(round(x)), int(round(y)))
        time.sleep(0.15)  # let a frame see the pointer over the item first
        self.xdotool("click", "1")
        time.sleep(0.15)

    def key(self, *names):
        self.xdotool("windowfocus", "--sync", self.window)
        for name in names:
            self.xdotool("key", name)
            time.sleep(0.15)

    # The platform's file dialog: zenity, which SDL starts as a child of the window's
    # process.
    def _dialog_windows(self):
        kids = subprocess.run(["pgrep", "-P", str(self.proc.pid), "-x", "zenity"],
                              capture_output=True, text=True).stdout.split()
        self.dialog_pids.update(kids)
        windows = []
        for pid in kids:
            windows += subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", pid],
                                      capture_output=True, text=True, env=harness.env()).stdout.split()
        return windows

    def dialog(self, timeout=20):
        self.wait("a file dialog", self._dialog_windows, timeout)
        time.sleep(0.8)  # let it take input
        return self._dialog_windows()[0]

    def _close_dialog(self, keys, text=None):
        """Types into the dialog and presses keys; tries again while it stays open, since
        a dialog that has only just appeared may miss the first keys on a busy machine."""
        for attempt in range(3):
            window = self.dialog()
            subprocess.run(["xdotool", "windowfocus", "--sync", window], env=harness.env())
            if text:
                # Ctrl+L opens the location entry with its text selected: typing replaces it.
                subprocess.run(["xdotool", "key", "ctrl+l"], env=harness.env())
                time.sleep(0.3)
                subprocess.run(["xdotool", "type", "--delay", "20", text], env=harness.env())
                time.sleep(0.5)
            subprocess.run(["xdotool", "key", keys], env=harness.env())
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline and self._dialog_windows():
                time.sleep(0.1)
            if not self._dialog_windows():
                time.sleep(0.3)  # the choice reaches the window on its next frame
                return
        self.test.fail("the dialog did not close")

    def choose(self, path):
        """Types the full path into the open dialog and confirms it. A folder is typed
        with a slash at its end, as its completion offers it: without one, GTK's folder
        chooser takes Enter as a step into the completion list of its subfolders."""
        self._close_dialog("Return", path + ("/" if os.path.isdir(path) else ""))

    def cancel_dialog(self):
        self._close_dialog("Escape")

    # What the backend saw and did.
    def runs(self):
        """Every backend run so far, as argument lists, oldest first."""
        if not os.path.exists(self.argv_log):
            return []
        with open(self.argv_log) as f:
            return [json.loads(line)["argv"] for line in f if line.strip()]

    def builds(self):
        return [a for a in self.runs() if "--game" in a]

    def infos(self):
        return [a for a in self.runs() if "--info" in a]

    def wait(self, what, predicate, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if predicate():
                return
            if self.proc.poll() is not None:
                self.test.fail("the window ended while waiting for %s" % what)
            time.sleep(0.05)
        self.test.fail("timed out waiting for %s" % what)

    def wait_for_info(self, count=1):
        """Waits until `count` info queries ran, then gives the reply a moment to land."""
        self.wait("info query %d" % count, lambda: len(self.infos()) >= count)
        time.sleep(1.0)

    def sleep_until(self, seconds):
        """Sleeps until `seconds` after the start of the program."""
        left = seconds - (time.monotonic() - self.started)
        if left > 0:
            time.sleep(left)

    def remaining(self):
        return self.shot_at - (time.monotonic() - self.started)

    def finish(self, timeout=None):
        """Waits for the program to end (the screenshot, or an action that quits);
        returns (exit code, stdout, stderr)."""
        if timeout is None:
            timeout = max(self.remaining(), 0) + 30
        out, err = self.proc.communicate(timeout=timeout)
        return self.proc.returncode, out, err

    def screenshot(self, late=False):
        """Waits for the timed screenshot and reads it back. Unless `late`, the state
        must have been reached comfortably before the shot."""
        if not late:
            self.test.assertGreater(self.remaining(), 0.3, "the state was reached too late for the shot")
        code, out, err = self.finish()
        self.test.assertEqual(code, 0, err)
        self.test.assertEqual(out, "shot: %s\n" % self.shot, err)
        keep = os.environ.get("TARNWELL_KEEP_SHOTS")  # a folder for looking at them afterwards
        if keep:
            os.makedirs(keep, exist_ok=True)
            shutil.copy(self.shot, os.path.join(keep, "%s-%dx%d.png" % (
                self.test.id().split(".")[-1], self.layout.W, self.layout.H)))
        return harness.read_png(self.shot)


def read(path):
    """The text of a file, or "" while it does not exist."""
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def clear_clipboard():
    """Empties the clipboard, so that a test waiting for a copied text cannot find one that
    an earlier test copied. The clipboard is left without an owner: a program that owned
    it (xclip) would outlive the test, holding its output open."""
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    d = x.XOpenDisplay(harness.env()["DISPLAY"].encode())
    if not d:
        raise RuntimeError("no X display")
    x.XSetSelectionOwner(d, x.XInternAtom(d, b"CLIPBOARD", 0), 0, 0)  # None, at CurrentTime
    x.XSync(d, 0)
    x.XCloseDisplay(d)


def clipboard():
    r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True,
                       env=harness.env(), timeout=10)
    return r.stdout


class Form:
    """Where things stand on a form with both paths set and the info in, read from a
    screenshot of it: the finished headings' green discs and the gold main button."""

    def __init__(self, test, img, layout):
        L = self.layout = layout
        self.img = img
        discs = gold_bands(img, L.x0 + 15 * L.U, L.top(0), L.H, HEADING_DONE, tol=30)
        # A disc is split by its check mark into two or three runs; a new heading starts
        # more than a heading's height below the last one.
        self.headings = []
        for top, bottom in discs:
            if not self.headings or top - self.headings[-1] > 38 * L.U:
                self.headings.append(top)
        buttons = gold_bands(img, L.x0 + 0.1 * L.cw, L.H * 0.5, L.H)
        test.assertEqual(len(self.headings), 3, "three finished headings: %s" % discs)
        # The chosen level's button is gold too; the main button is the last, 72 high.
        test.assertTrue(buttons, "no gold main button")
        self.button = buttons[-1]
        test.assertAlmostEqual(self.button[1] - self.button[0], 72 * L.U, delta=3, msg=buttons)

    def main_button(self):
        return (self.layout.x0 + self.layout.cw / 2, sum(self.button) / 2)

    def checkbox(self):
        L = self.layout
        return (L.x0 + 12 * L.U, self.headings[1] + L.item(38 * L.U) + L.item(58 * L.U) + 12 * L.U)

    def level_row_y(self):
        L = self.layout
        return self.headings[2] + L.item(38 * L.U) + 23 * L.U

    def level_button(self, index):
        """Centre of the level button at `index`. Along the top edge of the row each
        capsule shows as one lit run (its border, or the gold fill of the chosen one);
        the rounded ends and the gaps between buttons stay dark."""
        L = self.layout
        top = self.headings[2] + L.item(38 * L.U)
        best = []
        for y in range(int(top), int(top + 3 * L.U) + 1):
            runs, start = [], None
            for x in range(int(L.x0), int(L.x0 + L.cw)):
                lit = max(self.img.pixel(x, y)[:3]) > 70
                if lit and start is None:
                    start = x
                elif not lit and start is not None:
                    runs.append((start, x))
                    start = None
            runs = [r for r in runs if r[1] - r[0] > 12 * L.U]
            if len(runs) > len(best):
                best = runs
        return ((best[index][0] + best[index][1]) / 2, top + 23 * L.U)


def form_probe(test, size=(1620, 1080), scenario=None, shot_at=4.0):
    """A screenshot of the ready form for this size and scenario, as a `Form`."""
    s = Session(test, size=size, shot_at=shot_at, scenario=scenario)
    s.wait_for_info()
    return Form(test, s.screenshot(), s.layout)
