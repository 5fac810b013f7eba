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
# launcher in FAKE_PLAY; it leaves FAKE_ENDED behind once it has said so.
FAKE_BACKEND = r'''
import json, os, sys
if "--info" in sys.argv:
    print(json.dumps({"version": "9", "levels": [{"id": "full", "name": "Full", "about": ""}],
                      "quality": "full"}), flush=True)
elif "--json" in sys.argv:
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
