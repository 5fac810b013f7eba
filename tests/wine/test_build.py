"""A whole build under Wine against the real stand-in backend: --autobuild ends in the
done view, and closing the window during a build asks the backend to stop through the
marker dest\\.setup\\cancel, which the Windows program names with backslashes.

The stand-in runs on Linux's python3 (through the test's python.exe), so the paths
given to it are Linux paths; the Windows program appends its own "\\.setup\\cancel"."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import wine
from wine import flow, harness


class Build(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wine-build-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.game = flow.make_game_folder(self.dir)
        self.dest = os.path.join(self.dir, "Tarnwell")
        self.log = os.path.join(self.dest, ".setup", "setup.log")

    def args(self, size="1620x1080"):
        return wine.base_args() + ["--size", size, "--game", self.game, "--dest", self.dest, "--autobuild"]

    def env(self, **scenario):
        e = dict(wine.private_home(self), TARNWELL_STANDIN_TOOLS="")
        e.update(scenario)
        return wine.env(**e)

    def read_log(self):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()

    def test_autobuild_ends_in_the_done_view(self):
        shot = os.path.join(self.dir, "done.png")
        wine.park_pointer()
        r = wine.run(self.args() + ["--shot", wine.winpath(shot), "--shot-at", "14"],
                     env=self.env(TARNWELL_STANDIN_SECONDS="1"))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "shot: %s\n" % wine.winpath(shot))
        self.assertIn("Result: ok", self.read_log())
        self.assertTrue(os.path.exists(os.path.join(self.dest, "tarnwell.sh")))

        img = harness.read_png(shot)
        L = flow.Layout(1620, 1080)
        top = L.top(3)
        # "DONE" in small gold letters, the title "Ready to play" in warm white below it,
        # and one gold button: Play.
        self.assertGreater(flow.count_near(img, L.x0, top, L.x0 + 80 * L.U, top + 19 * L.U,
                                           flow.GOLD_TEXT, 40), 20)
        title = top + L.item(19)
        self.assertGreater(flow.count_near(img, L.x0, title, L.x0 + L.cw, title + 84 * L.U,
                                           (245, 235, 214), 30, step=2), 400)
        play = flow.gold_bands(img, L.x0 + 0.1 * L.cw, top, L.H)
        self.assertEqual(len(play), 1, play)
        self.assertAlmostEqual(play[0][1] - play[0][0], 72 * L.U, delta=3)

    def test_a_file_chosen_in_wines_own_dialog_reaches_the_form_and_the_build(self):
        nup = os.path.join(self.dir, "Hollow Lantern.nup")
        with open(nup, "wb") as f:
            f.write(b"NUP0 stand-in game package\n")
        wine.park_pointer()
        args = wine.base_args() + ["--size", "1280x720", "--dest", self.dest, "--autobuild"]
        p = wine.start(args, env=self.env(TARNWELL_STANDIN_SECONDS="1"))
        self.addCleanup(lambda: p.poll() is None and p.kill())

        # A prefix just made starts its first program slowly (Wine's services, and the GL
        # driver's shaders compiled the first time): the first window has a deadline of its own.
        deadline = time.monotonic() + wine.FIRST_WINDOW_SECONDS
        # The window is shown once it has its renderer: none is made and destroyed before it.
        made = set()
        while not wine.windows("^Tarnwell Setup$"):
            self.assertLess(time.monotonic(), deadline, "no window")
            made.update(wine.windows("^Tarnwell Setup$", shown=False))
        frame = wine.wait_for_window(self, "^Tarnwell Setup$", deadline)
        deadline = time.monotonic() + 60
        self.assertLessEqual(made, {frame})
        time.sleep(4)  # the info reply is in
        L = flow.Layout(1280, 720)
        x, y = L.game_field()
        # Wine's frame holds the window's client area at an offset: its first child.
        tree = subprocess.run(["xwininfo", "-tree", "-id", frame], env=wine.env(), capture_output=True,
                              text=True).stdout
        dx, dy = [int(v) for v in re.search(r"1280x720\+(\d+)\+(\d+)", tree).groups()]
        for point in ((10, 10), (x, y)):
            subprocess.run(["xdotool", "mousemove", "--window", frame, str(int(point[0] + dx)),
                            str(int(point[1] + dy))], env=wine.env(), check=True)
            time.sleep(0.3)
        subprocess.run(["xdotool", "click", "1"], env=wine.env())
        dialog = wine.wait_for_window(self, "^Open$", deadline)
        time.sleep(1)
        wine.focus(self, dialog, deadline)
        subprocess.run(["xdotool", "type", "--delay", "20", wine.winpath(nup)], env=wine.env(), check=True)
        subprocess.run(["xdotool", "key", "Return"], env=wine.env(), check=True)
        # The path reached App.game, so the automatic build started with it. (The stand-in
        # on Linux takes a Z: path for a relative one, so this build stops at its check.)
        while "Game copy:" not in (self.read_log() if os.path.exists(self.log) else ""):
            self.assertLess(time.monotonic(), deadline, "no build started")
            time.sleep(0.2)
        self.assertRegex(self.read_log(), "Game copy: .*" + re.escape(wine.winpath(nup)))

    def test_the_browser_lists_the_drives_and_its_choice_reaches_the_build(self):
        # A session made for a gamepad: the field opens the browser in the window, by
        # keyboard here. From the home folder up to the drives, into Z:, and down to the
        # game folder, which is chosen, not opened; its Windows path reaches the build.
        wine.park_pointer()
        args = wine.base_args() + ["--size", "1280x720", "--dest", self.dest, "--autobuild"]
        p = wine.start(args, env=self.env(TARNWELL_STANDIN_SECONDS="1", SteamDeck="1"))
        self.addCleanup(lambda: p.poll() is None and p.kill())
        window = wine.wait_for_window(self, "^Tarnwell Setup$", time.monotonic() + wine.FIRST_WINDOW_SECONDS)
        deadline = time.monotonic() + 90
        time.sleep(3)  # the info reply is in
        wine.focus(self, window, deadline)

        def keys(*names):
            for n in names:
                subprocess.run(["xdotool", "key", n], env=wine.env(), check=True)
                time.sleep(0.4)

        def typed(text):
            subprocess.run(["xdotool", "type", "--delay", "40", text], env=wine.env(), check=True)
            time.sleep(0.4)

        keys("Return")  # the game field's first focus; the browser opens in the home folder
        keys("BackSpace", "BackSpace", "BackSpace")  # C:\users\<name>, C:\users, C:\, the drives
        typed("z")
        keys("Return")
        typed("tmp")
        keys("Return")
        typed(os.path.basename(self.dir))
        keys("Return")
        typed("hollow")
        keys("Return")
        while "Game copy:" not in (self.read_log() if os.path.exists(self.log) else ""):
            self.assertLess(time.monotonic(), deadline, "no build started")
            time.sleep(0.2)
        # (The stand-in on Linux takes a Z: path for a relative one: the build stops at its check.)
        self.assertRegex(self.read_log(), "Game copy: .*" + re.escape(wine.winpath(self.game)) + "\n")

    def close_during_build(self, **scenario):
        """Starts a long build, closes the window once the backend is at work, and
        returns the program's exit code."""
        p = wine.start(self.args("1280x720"), env=self.env(TARNWELL_STANDIN_SECONDS="120", **scenario))
        self.addCleanup(lambda: p.poll() is None and p.kill())
        deadline = time.monotonic() + 90
        while not (os.path.exists(self.log) and "Finished: Prepare the install folder" in self.read_log()):
            self.assertLess(time.monotonic(), deadline, "the build did not start")
            self.assertIsNone(p.poll(), "the program ended by itself")
            time.sleep(0.2)
        time.sleep(1)
        # taskkill without /f asks politely: WM_CLOSE to the program's window.
        r = wine.run_wine(["taskkill.exe", "/im", "tarnwell-setup.exe"])
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        return p.wait(timeout=60)

    def test_closing_the_window_writes_the_cancel_marker_and_the_backend_stops(self):
        code = self.close_during_build()
        self.assertEqual(code, 0)
        log = self.read_log()
        self.assertIn("Stopped at the user's request.", log)
        self.assertIn("Result: cancelled", log)

    def test_the_marker_is_the_empty_file_dest_setup_cancel(self):
        # A backend that ignores the marker leaves it where the program put it; the
        # program then waits for it about 15 seconds and ends it.
        code = self.close_during_build(TARNWELL_STANDIN_IGNORE_CANCEL="1")
        self.assertEqual(code, 0)
        marker = os.path.join(self.dest, ".setup", "cancel")
        self.assertTrue(os.path.isfile(marker), os.listdir(os.path.join(self.dest, ".setup")))
        self.assertEqual(os.path.getsize(marker), 0)
        self.assertEqual([n for n in os.listdir(self.dir) if "cancel" in n], [])  # no "Tarnwell\.setup\cancel"
        # It was not heeded: the backend only stopped once its reader was gone.
        self.assertNotIn("Stopped at the user's request.", self.read_log())


if __name__ == "__main__":
    unittest.main()
