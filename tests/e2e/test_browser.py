"""The in-window browser by keyboard alone, where no platform dialog can open: the game
copy and the install folder chosen in it, a build cancelled and one played, and a game
folder chosen after an Escape that changed nothing. What is checked is what a person sees
(the focus frame) and what the backend was given."""

import os
import time
import unittest

import flow
import harness

NO_DIALOG = {"SDL_FILE_DIALOG_DRIVER": "none", "TARNWELL_STANDIN_SECONDS": "8"}
SIZE = (1280, 720)


def focused(s, y0=0, y1=None):
    """(top, bottom) of the focus frame in the window as it is now, between y0 and y1."""
    img = harness.grab(s.window)
    keep = os.environ.get("TARNWELL_KEEP_SHOTS")
    if keep:
        os.makedirs(keep, exist_ok=True)
        harness.write_png(img, os.path.join(keep, "focus-%d.png" % int(time.monotonic() * 1000)))
    return flow.nav_frame(s.test, img, s.layout, y0, y1)


class Browser(unittest.TestCase):
    def test_the_whole_setup_by_keyboard_through_the_browser(self):
        s = flow.Session(self, size=SIZE, shot_at=120, game=False, dest=False, scenario=NO_DIALOG)
        L = s.layout
        nup = os.path.join(s.home, "Dumps", "Switch", "Hollow Lantern.nup")
        os.makedirs(os.path.dirname(nup))
        with open(nup, "wb") as f:
            f.write(b"NUP0 stand-in game package\n")
        os.makedirs(os.path.join(s.home, "Desktop"), exist_ok=True)
        s.wait_for_info()
        # Enter on the game field: no dialog can open, so the browser does, in the home
        # folder. "du" goes to Dumps past Desktop; Enter, Enter into Switch, Enter on the file.
        s.key("Return")
        s.key("d", "u", "Return", "Return", "Return")
        time.sleep(0.5)
        x, y = L.game_field()
        top, _ = focused(s, y - 50 * L.U, y + 50 * L.U)
        self.assertLess(abs(top - (y - 29 * L.U)), 12 * L.U, "the focus is back on the game field")
        # The install folder: made as "Tarnwell" in the home folder, entered, and used.
        s.key("Tab", "Tab", "Return")
        s.key("Down", "Down", "Return")
        self.assertTrue(os.path.isdir(os.path.join(s.home, "Tarnwell")))
        s.key("Return")
        # On past the shortcut box and three levels to "Build the game".
        s.key("Tab", "Tab", "Tab", "Tab", "Tab", "Return")
        s.wait("the build", lambda: s.builds())
        build = s.builds()[0]
        self.assertEqual(build[build.index("--game") + 1], nup)
        self.assertEqual(build[build.index("--dest") + 1], os.path.join(s.home, "Tarnwell"))
        time.sleep(1.0)
        # The progress view shows its focus at once, on "Show details"; Tab reaches Cancel.
        y = L.progress_buttons_top(13)
        img = harness.grab(s.window)
        frame = lambda x0, x1: flow.count_near(img, x0, y - 20 * L.U, x1, y + 80 * L.U, flow.NAV, 10)
        self.assertGreater(frame(L.x0 - 8 * L.U, L.x0 + L.half + 4 * L.U), L.half, "no frame on Show details")
        self.assertLess(frame(L.x0 + L.half + 10 * L.U, L.x0 + L.cw + 8 * L.U), L.half / 4)
        s.key("Tab", "Return")
        log = os.path.join(s.home, "Tarnwell", ".setup", "setup.log")
        s.wait("the cancel", lambda: "cancelled" in flow.read(log).lower(), timeout=30)
        time.sleep(1.5)
        # Back on the form with the focus on the build button: Enter builds again.
        s.key("Return")
        s.wait("the second build", lambda: len(s.builds()) == 2)
        s.wait("the done view", lambda: "Result: ok" in flow.read(log), timeout=60)
        time.sleep(1.5)
        s.key("Return")  # Play
        code, out, err = s.finish(timeout=20)
        self.assertEqual((code, out), (0, ""), err)
        self.assertTrue(flow.read(s.played).startswith("played"))

    def test_a_game_folder_is_chosen_and_escape_changes_nothing(self):
        s = flow.Session(self, size=SIZE, shot_at=120, scenario=NO_DIALOG)
        L = s.layout
        other = flow.make_game_folder(s.dir, "Other Copy")
        s.wait_for_info()
        x, y = L.game_field()
        field = lambda: [row[3 * int(L.x0):3 * int(L.x0 + L.cw)]
                         for row in harness.grab(s.window).rows[int(y - 10 * L.U):int(y + 10 * L.U)]]
        before = field()
        s.key("Return")  # the browser, in the folder of the chosen copy
        s.key("Escape")
        time.sleep(0.5)
        self.assertEqual(field(), before, "Escape changed the choice")
        s.key("Return", "o", "Return")  # a game copy is chosen, not opened
        time.sleep(0.5)
        self.assertNotEqual(field(), before)
        s.key("Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Return")
        s.wait("the build", lambda: s.builds())
        build = s.builds()[0]
        self.assertEqual(build[build.index("--game") + 1], other)


if __name__ == "__main__":
    unittest.main()
