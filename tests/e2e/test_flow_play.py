"""Leaving the setup: "Play" on the form of an installed game, a launcher that cannot
start ("The game could not be started." with its path), and the Quit link."""

import os
import time
import unittest

import flow


def build_and_wait(test, session):
    log = os.path.join(session.dest, ".setup", "setup.log")
    session.wait("the end of the build", lambda: "Result: ok" in flow.read(log))
    time.sleep(1)  # the report reaches the window on its next frame


class Leaving(unittest.TestCase):
    def test_a_launcher_that_cannot_start_is_reported_with_its_path(self):
        s = flow.Session(self, shot_at=8, extra=["--autobuild"])
        build_and_wait(self, s)
        launcher = os.path.join(s.dest, "tarnwell.sh")
        os.remove(launcher)
        s.key("Return")  # Play, which holds the focus
        time.sleep(0.5)
        self.assertIsNone(s.proc.poll(), "the setup must go on when the game cannot start")
        img = s.screenshot()
        self.assertFalse(os.path.exists(s.played))
        L = s.layout
        top = L.top(2)
        self.assertGreater(flow.count_near(img, L.x0, top, L.x0 + 160 * L.U, top + 19 * L.U,
                                           flow.STOPPED_TITLE, 30), 20)
        # The headline on one line, then the detail: the launcher's path on its first
        # line and SDL's reason on the next.
        detail = top + L.item(19) + L.item(34) + L.gap(8)
        for line in range(2):
            y = detail + line * 23 * L.U
            self.assertGreater(flow.count_near(img, L.x0, y, L.x0 + L.cw, y + 23 * L.U,
                                               (204, 189, 163), 20), 20, "detail line %d" % line)

    def test_play_on_the_form_of_an_installed_game_runs_its_launcher(self):
        form = flow.form_probe(self)
        first = flow.Session(self, shot_at=60, extra=["--autobuild"])
        build_and_wait(self, first)
        first.proc.terminate()
        self.assertEqual(first.finish(timeout=30)[0], 0)

        s = flow.Session(self, shot_at=30, keep_dest=first.dest, keep_home=first.home)
        s.wait_for_info()
        L = s.layout
        # "Play" takes the left 56 % of the row where "Build the game" stood.
        x = L.x0 + 0.28 * L.cw
        y = sum(form.button) / 2
        s.click(x, y)
        code, out, err = s.finish(timeout=20)
        self.assertEqual(code, 0, err)
        self.assertEqual(out, "", "the setup ended before its screenshot")
        self.assertEqual(flow.read(s.played), "played quality=light\n")
        self.assertEqual(len(s.builds()), 0)

    def test_the_quit_link_ends_the_program(self):
        for size in ((1620, 1080), (1280, 720)):
            s = flow.Session(self, size=size, shot_at=30)
            s.wait_for_info()
            s.click(*s.layout.quit_link())
            code, out, err = s.finish(timeout=20)
            self.assertEqual((code, out), (0, ""), err)


if __name__ == "__main__":
    unittest.main()
