"""Play under Wine: the done view's Play runs the launcher script through cmd.exe, and a
launcher in a folder whose name holds spaces and & ^ % ( ) ! starts exactly that
script: no second command, no other script whose name the folder's percent signs
would spell."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import wine
from wine import flow, harness

# A backend that knows the PC at once and whose build ends straight away with the
# launcher in FAKE_PLAY; it leaves FAKE_ENDED behind once it has said so, and its
# arguments in FAKE_ARGV when that is set.
FAKE_BACKEND = r'''
import json, os, sys
if "--info" in sys.argv:
    print(json.dumps({"version": "9", "levels": [{"id": "full", "name": "Full", "about": ""}],
                      "quality": "full"}), flush=True)
elif "--json" in sys.argv:
    if os.environ.get("FAKE_ARGV"):
        with open(os.environ["FAKE_ARGV"], "w") as f:
            json.dump(sys.argv, f)
    print(json.dumps({"type": "start", "log": "", "steps": []}), flush=True)
    print(json.dumps({"type": "end", "result": "ok", "play": os.environ["FAKE_PLAY"]}), flush=True)
    open(os.environ["FAKE_ENDED"], "w").close()
'''

# Each launcher leaves its own file; the real one also says where it ran.
LAUNCHER = '@echo off\r\ncd > "%TARNWELL_TEST_CWD%"\r\ncopy nul "%TARNWELL_TEST_RAN%" >nul\r\n'
DECOY = '@echo off\r\ncopy nul "%TARNWELL_TEST_DECOY%" >nul\r\n'


def wait_for(path, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if os.path.exists(path):
            return True
        time.sleep(0.2)
    return os.path.exists(path)


class Play(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wine-play-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.backend = os.path.join(self.dir, "backend.py")
        with open(self.backend, "w") as f:
            f.write(FAKE_BACKEND)
        self.ended = os.path.join(self.dir, "ended")

    def play(self, launcher, extra_env):
        """Builds with the fake backend and clicks Play in the done view; returns the
        program's exit code. A first run photographs the done view to find Play."""
        e = wine.env(FAKE_PLAY=launcher, FAKE_ENDED=self.ended, **extra_env)
        args = ["--root", wine.winpath(wine.SOURCE),
                "--backend", "%s %s" % (wine.winpath(wine.WIN_PYTHON), self.backend),
                "--size", "1280x720", "--game", "game", "--dest", "dest", "--autobuild"]
        shot = os.path.join(self.dir, "done.png")
        wine.park_pointer()
        r = wine.run(args + ["--shot", wine.winpath(shot), "--shot-at", "8"], env=e)
        self.assertEqual(r.returncode, 0, r.stderr)
        L = flow.Layout(1280, 720)
        bands = flow.gold_bands(harness.read_png(shot), L.x0 + 0.1 * L.cw, L.top(3), L.H)
        self.assertEqual(len(bands), 1, "one gold button, Play, in the done view: %s" % bands)
        x, y = L.x0 + L.cw / 2, sum(bands[0]) / 2
        os.remove(self.ended)

        p = wine.start(args, env=e)
        self.addCleanup(lambda: p.poll() is None and p.kill())
        self.assertTrue(wait_for(self.ended, 90), "the build never ended")
        time.sleep(1)  # the next frames apply the "end": the done view
        window = subprocess.run(["xdotool", "search", "--name", "^Tarnwell Setup$"], env=e,
                                capture_output=True, text=True).stdout.split()
        self.assertTrue(window, "no window called Tarnwell Setup")
        # Into the window, then onto Play, so that the window sees the pointer move there.
        for point in ((10, 10), (x, y)):
            subprocess.run(["xdotool", "mousemove", "--window", window[-1], str(int(point[0])), str(int(point[1]))],
                           env=e, check=True)
            time.sleep(0.3)  # a frame sees the pointer there first
        subprocess.run(["xdotool", "click", "1"], env=e)
        return p.wait(timeout=60)

    def test_the_whole_setup_by_keyboard_alone_in_wines_own_dialogs(self):
        nup = os.path.join(self.dir, "Hollow Lantern.nup")
        with open(nup, "wb") as f:
            f.write(b"NUP0 stand-in game package\n")
        # The install folder is chosen in the folder dialog's tree, whose root is the desktop.
        name = "Tarnwell road " + os.path.basename(self.dir)
        dest = os.path.join(wine.desktop(), name)
        os.mkdir(dest)
        self.addCleanup(shutil.rmtree, dest, True)
        launcher = os.path.join(self.dir, "tarnwell.bat")
        with open(launcher, "w", newline="") as f:
            f.write(LAUNCHER)
        ran, argv = os.path.join(self.dir, "ran"), os.path.join(self.dir, "argv")
        e = wine.env(FAKE_PLAY=wine.winpath(launcher), FAKE_ENDED=self.ended, FAKE_ARGV=argv,
                     TARNWELL_TEST_RAN=wine.winpath(ran), TARNWELL_TEST_CWD=wine.winpath(self.dir + "/cwd"))
        wine.park_pointer()
        p = wine.start(["--root", wine.winpath(wine.SOURCE), "--backend",
                        "%s %s" % (wine.winpath(wine.WIN_PYTHON), self.backend), "--size", "1280x720"], env=e)
        self.addCleanup(lambda: p.poll() is None and p.kill())
        deadline = time.monotonic() + 120

        def focus(to=None):
            """What a window manager does for a new window, and for one whose dialog has
            closed: it gives it the keyboard. No pointer is used in this road."""
            wine.focus(self, to or window, deadline)

        def keys(*names):
            for n in names:
                subprocess.run(["xdotool", "key", n], env=e, check=True)
                time.sleep(0.3)  # a frame sees each key

        def in_dialog(title, text):
            dialog = wine.wait_for_window(self, title, deadline)
            time.sleep(1)  # its controls are ready
            focus(dialog)
            subprocess.run(["xdotool", "type", "--delay", "30", text], env=e, check=True)
            time.sleep(1.5)  # the tree's type-ahead has settled
            keys("Return")
            while dialog in wine.windows(title):
                self.assertLess(time.monotonic(), deadline, title + " stayed open")
                time.sleep(0.2)
            focus()

        window = wine.wait_for_window(self, "^Tarnwell Setup$", deadline)
        time.sleep(3)  # the info reply is in
        focus()
        keys("Return")  # the game field holds the first focus
        in_dialog("^Open$", wine.winpath(nup))
        keys("Tab", "Tab", "Return")  # past the folder link, the install folder
        in_dialog("^Browse for Folder$", name)
        keys("Tab", "Tab", "Tab", "Return")  # the shortcut box, the one level, "Build the game"
        self.assertTrue(wait_for(self.ended, 60), "the build never started")
        with open(argv) as f:
            args = json.load(f)
        self.assertEqual(args[args.index("--game") + 1], wine.winpath(nup))
        self.assertTrue(args[args.index("--dest") + 1].endswith("\\" + name), args)
        time.sleep(1)  # the done view
        # Wine with no window manager drops the X focus when the build's process starts.
        focus()
        keys("Return")  # "Play" holds its focus
        self.assertEqual(p.wait(timeout=60), 0)
        self.assertTrue(wait_for(ran, 60), "the launcher did not run")

    def test_a_folder_of_operators_and_percent_signs_starts_exactly_its_launcher(self):
        name = "x %OS% & copy nul pwned.txt & rem (y) ^ 100% !"
        folder = os.path.join(self.dir, name)
        # What cmd.exe would run instead if it expanded %OS% in the path (Windows_NT).
        decoy = os.path.join(self.dir, name.replace("%OS%", "Windows_NT"))
        for where, text in ((folder, LAUNCHER), (decoy, DECOY)):
            os.makedirs(where)
            with open(os.path.join(where, "tarnwell.bat"), "w", newline="") as f:
                f.write(text)
        ran, cwd, decoy_ran = (os.path.join(self.dir, n) for n in ("ran", "cwd", "decoy"))
        code = self.play(wine.winpath(folder) + "\\tarnwell.bat",
                         {"TARNWELL_TEST_RAN": wine.winpath(ran), "TARNWELL_TEST_CWD": wine.winpath(cwd),
                          "TARNWELL_TEST_DECOY": wine.winpath(decoy_ran)})
        self.assertEqual(code, 0)
        self.assertTrue(wait_for(ran, 60), "the launcher did not run")
        with open(cwd, encoding="utf-8", errors="replace") as f:
            self.assertEqual(f.read().strip(), wine.winpath(folder))
        self.assertFalse(os.path.exists(decoy_ran), "another launcher ran")
        for where in (self.dir, folder, decoy, wine.SOURCE):
            self.assertFalse(os.path.exists(os.path.join(where, "pwned.txt")), "a second command ran in " + where)

    def test_the_stand_in_launcher_starts_its_game_from_such_a_folder(self):
        # The launcher and game scripts that the stand-in backend writes on Windows.
        sys.path.insert(0, wine.SOURCE)
        from setup import shortcuts
        dest = os.path.join(self.dir, "Games & more (x) ^ 1! Tarnwell")
        windows = shortcuts.system.WINDOWS
        shortcuts.system.WINDOWS = True
        try:
            launcher = shortcuts.write_launcher(dest, "full")
        finally:
            shortcuts.system.WINDOWS = windows
        self.assertTrue(launcher.endswith("tarnwell.bat"))
        played = os.path.join(self.dir, "played.log")
        code = self.play(wine.winpath(dest) + "\\tarnwell.bat", {"TARNWELL_STANDIN_PLAYED": wine.winpath(played)})
        self.assertEqual(code, 0)
        self.assertTrue(wait_for(played, 60), "the stand-in game did not start")
        with open(played) as f:
            self.assertEqual(f.read().strip(), "played quality=full")


if __name__ == "__main__":
    unittest.main()
