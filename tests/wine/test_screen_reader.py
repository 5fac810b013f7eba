"""The Windows window read by a UI Automation client, as Narrator or NVDA reads it: the
form's items with their names and control types, in order, and their places where the
UI Automation at hand reads them, through uiautomationcore's own node functions."""

import os
import shutil
import tempfile
import time
import unittest

import wine
from wine import flow

UIA_READ = os.environ.get("TARNWELL_UIA_READ") or os.path.join(os.path.dirname(wine.EXE), "tests", "wine",
                                                                "uia_read.exe")
WINDOW, TEXT, BUTTON, LINK, CHECK_BOX, RADIO, GROUP = 50032, 50020, 50000, 50005, 50002, 50013, 50026


class ScreenReader(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()

    def read(self, deadline):
        """(control type, name, (left, top, width, height)) of the window and of all
        below it, once the form's main button is among them; the help texts by control type and
        name in self.help."""
        while True:
            r = wine.run_wine([UIA_READ, "Tarnwell Setup"], timeout=60)
            rows, self.help = [], {}
            for line in r.stdout.splitlines():
                depth, kind, name, help, rect = line.split("\t")
                rows.append((int(kind), name, tuple(int(v) for v in rect.split())))
                self.help[int(kind), name] = help
            if r.returncode == 0 and any(name == "Build the game" for _, name, _ in rows):
                return rows
            self.assertLess(time.monotonic(), deadline, "no form read: %d %s" % (r.returncode, r.stdout))
            time.sleep(1)

    def test_the_form_by_ui_automation(self):
        folder = tempfile.mkdtemp(prefix="wine-uia-")
        self.addCleanup(shutil.rmtree, folder, True)
        game = flow.make_game_folder(folder)
        args = wine.base_args() + ["--size", "1620x1080", "--game", game, "--dest", os.path.join(folder, "Tarnwell")]
        p = wine.start(args, env=wine.env(**wine.private_home(self)))
        self.addCleanup(lambda: p.poll() is None and p.kill())
        wine.wait_for_window(self, "^Tarnwell Setup$", time.monotonic() + 120)
        rows = self.read(time.monotonic() + 90)
        print("\n" + "\n".join("%d %s %s" % row for row in rows))

        (kind, name, window), items = rows[0], rows[1:]
        self.assertEqual((kind, name), (WINDOW, "Tarnwell Setup"))
        named = {name: (kind, rect) for kind, name, rect in items}
        # The view is a group named by its title, described by its message; below it the
        # title itself as text.
        self.assertEqual(items[0][:2], (GROUP, "Tarnwell"))
        self.assertEqual(self.help[GROUP, "Tarnwell"], "Hollow Lantern, built on this PC from your own copy of the game.")
        self.assertEqual(self.help[BUTTON, "YOUR COPY OF THE GAME"], "Hollow Lantern")
        self.assertEqual(items[1][:2], (TEXT, "Tarnwell"))
        self.assertEqual(named["YOUR COPY OF THE GAME"][0], BUTTON)
        self.assertEqual(named["Also put a shortcut on the desktop"][0], CHECK_BOX)
        self.assertEqual(named["Quit"][0], LINK)
        self.assertGreaterEqual([kind for kind, _, _ in items].count(RADIO), 2)
        kind, (left, top, width, height) = named["Build the game"]
        self.assertEqual(kind, BUTTON)
        if width == 0:
            return  # Wine 8 reads no bounding rectangles ("No type info for prop_id 30001")
        # The main button stands where the column puts it, the content's full width.
        L = flow.Layout(1620, 1080)
        self.assertLessEqual(abs(left - window[0] - L.x0), 1)
        self.assertLessEqual(abs(width - L.cw), 1)
        self.assertLessEqual(abs(height - 72 * L.U), 1)


if __name__ == "__main__":
    unittest.main()
