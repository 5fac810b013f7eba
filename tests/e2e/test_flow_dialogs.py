"""The game copy and the install folder chosen in the platform's real dialogs (zenity,
as SDL runs it where no desktop portal answers), by mouse and by keyboard alone."""

import os
import time
import unittest

import flow
import harness

# No portal: the dialogs are zenity's; GTK's accessibility bus is not there either.
ZENITY = {"SDL_FILE_DIALOG_DRIVER": "zenity", "NO_AT_BRIDGE": "1"}
SIZE = (1280, 720)
ORANGE = flow.STOPPED_TITLE  # the line under a field whose dialog could not open
TEXT = (245, 235, 214)     # a chosen value in a field; the placeholder is dimmer


def nup(s):
    path = os.path.join(s.dir, "Hollow Lantern 1.1.1.nup")
    with open(path, "wb") as f:
        f.write(b"NUP0 stand-in game package\n")
    return path


def folder(s, name):
    path = os.path.join(s.dir, name)
    os.makedirs(path, exist_ok=True)
    return path


class Dialogs(unittest.TestCase):
    def test_the_whole_setup_by_keyboard_alone(self):
        s = flow.Session(self, size=SIZE, shot_at=60, game=False, dest=False, scenario=ZENITY)
        game, dest = nup(s), folder(s, "Tarnwell")
        s.wait_for_info()
        # The game field holds the first focus: Enter opens its dialog, with no key before.
        s.key("Return")
        s.choose(game)
        # A second dialog, cancelled, leaves the file chosen.
        s.key("Return")
        s.cancel_dialog()
        # On past the folder link to the install folder.
        s.key("Tab", "Tab", "Return")
        s.choose(dest)
        # The shortcut box, three levels, then "Build the game".
        s.key("Tab", "Tab", "Tab", "Tab", "Tab", "Return")
        s.wait("the build", lambda: s.builds())
        build = s.builds()[0]
        self.assertEqual(build[build.index("--game") + 1], game)
        self.assertEqual(build[build.index("--dest") + 1], dest)
        s.wait("the launcher", lambda: os.path.exists(os.path.join(dest, "tarnwell.sh")))
        s.wait("the done view", lambda: "Result: ok" in flow.read(os.path.join(dest, ".setup", "setup.log")))
        time.sleep(1)
        # "Play" holds the focus of the done view.
        s.key("Return")
        code, out, err = s.finish(timeout=20)
        self.assertEqual((code, out), (0, ""), err)
        self.assertEqual(flow.read(s.played), "played quality=light\n")

    def test_clicked_fields_and_the_folder_link_open_their_dialogs(self):
        s = flow.Session(self, size=SIZE, shot_at=30, game=False, dest=False, scenario=ZENITY)
        L = s.layout
        unpacked = flow.make_game_folder(folder(s, "dump"))
        s.wait_for_info()
        s.click(*L.game_field())
        s.choose(nup(s))
        # The unpacked copy through the link replaces the file.
        s.click(*L.folder_link())
        s.choose(unpacked)
        s.click(*L.dest_field())
        s.choose(folder(s, "Tarnwell"))
        img = s.screenshot()
        form = flow.Form(self, img, L)  # three finished headings and the gold build button
        x, y = L.game_field()
        self.assertGreater(flow.count_near(img, L.x0, y - 10 * L.U, x, y + 10 * L.U, TEXT, 30), 30,
                           "the chosen copy's name in the field")
        self.assertTrue(form.button)

    def test_a_dialog_open_when_setup_quits_goes_with_it(self):
        s = flow.Session(self, size=SIZE, shot_at=60, game=False, dest=False, scenario=ZENITY)
        s.wait_for_info()
        s.key("Return")
        s.dialog()
        dialogs = set(s.dialog_pids)
        self.assertTrue(dialogs)
        s.proc.terminate()  # SDL takes SIGTERM for a request to quit, as a closed window is
        code, out, err = s.finish(timeout=30)
        self.assertEqual(code, 0, err)

        def running(pid):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    return f.read().rsplit(")", 1)[1].split()[0] not in "ZX"
            except OSError:
                return False
        deadline = time.monotonic() + 5
        while any(running(pid) for pid in dialogs) and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertFalse([pid for pid in dialogs if running(pid)], "the dialog outlived Setup")

    def test_a_dialog_that_cannot_open_gives_way_to_the_browser_which_says_why(self):
        s = flow.Session(self, size=SIZE, shot_at=9, game=False, dest=False,
                         scenario={"SDL_FILE_DIALOG_DRIVER": "none"})
        L = s.layout
        s.wait_for_info()
        s.click(*L.dest_field())
        img = harness.grab(s.window)
        # The browser stands in the column: its title, and one orange line with the reason.
        top = L.top(0)
        self.assertGreater(flow.count_near(img, L.x0, top, L.x0 + 200 * L.U, top + 19 * L.U, flow.GOLD_TEXT, 40), 20)
        self.assertGreater(flow.count_near(img, L.x0, top, L.x0 + L.cw, top + 140 * L.U, ORANGE, 30), 40)
        # Escape leaves the form as it was, with no line under a field any more.
        s.key("Escape")
        img = s.screenshot()
        y = L.dest_field()[1] + 29 * L.U
        self.assertEqual(flow.count_near(img, L.x0, y, L.x0 + L.cw, y + 40 * L.U, ORANGE, 30), 0)


if __name__ == "__main__":
    unittest.main()
