"""The main road, the way a person takes it: the form with both paths chosen, a tick in
the shortcut box, another quality level, "Build the game", the done view, and "Play",
which starts the installed game and ends the setup."""

import os
import time
import unittest

import flow

# Enough stand-in time for a build that is reported as "Built in ...", and too little
# free space, which the backend reports as a warning.
SCENARIO = {"TARNWELL_STANDIN_SECONDS": "3.5", "TARNWELL_STANDIN_FREE_GB": "5"}


class FormLooks(unittest.TestCase):
    def check_form(self, size):
        form = flow.form_probe(self, size)
        L, img = form.layout, form.img
        # The gold main button fills the content width.
        y = sum(form.button) / 2
        self.assertTrue(flow.near(img.pixel(L.x0 + 6 * L.U + L.U * 30, y), flow.GOLD_BUTTON))
        self.assertTrue(flow.near(img.pixel(L.x0 + L.cw - 40 * L.U, y), flow.GOLD_BUTTON))
        self.assertFalse(flow.near(img.pixel(L.x0 + L.cw + 6 * L.U, y), flow.GOLD_BUTTON, 40))
        self.assertAlmostEqual(form.button[1] - form.button[0], 72 * L.U, delta=3)
        # Status line at the bottom left: no graphics card (orange dot), build tools ready
        # (green check).
        oy = L.H - 44 * L.U
        self.assertTrue(flow.count_near(img, 40 * L.U, oy, 40 * L.U + 16 * L.U, oy + 20 * L.U,
                                        flow.ORANGE_DOT, 30) > 10 * L.U * L.U)
        self.assertGreater(flow.count_near(img, 200 * L.U, oy - 2, 400 * L.U, oy + 20 * L.U,
                                           flow.GREEN_CHECK, 40), 5)
        return form

    def test_ready_form_at_the_reference_size(self):
        form = self.check_form((1620, 1080))
        self.assertEqual(form.headings[0], 285)  # below the title and the two-line subtitle

    def test_ready_form_at_1280x720(self):
        self.check_form((1280, 720))


class BuildToDone(unittest.TestCase):
    def test_choices_reach_the_backend_and_the_done_view_lists_the_warning(self):
        form = flow.form_probe(self, scenario=SCENARIO)
        s = flow.Session(self, shot_at=14, scenario=SCENARIO)
        s.wait_for_info()
        s.click(*form.checkbox())
        s.click(*form.level_button(1))
        s.click(*form.main_button())
        s.wait("the build", lambda: s.builds())
        self.assertEqual(s.builds(), [["--json", "--game", s.game, "--dest", s.dest,
                                       "--quality", "balanced", "--desktop-entry"]])
        s.wait("the launcher", lambda: os.path.exists(os.path.join(s.dest, "tarnwell.sh")))
        img = s.screenshot()

        L = s.layout
        top = L.top(3)
        # "DONE" in gold, small, first; then the big white title.
        self.assertGreater(flow.count_near(img, L.x0, top, L.x0 + 80 * L.U, top + 19 * L.U,
                                           flow.GOLD_TEXT, 40), 20)
        # The warning, in its own amber, between the sentence and Play.
        play = flow.gold_bands(img, L.x0 + 0.1 * L.cw, top, L.H)
        self.assertEqual(len(play), 1, play)
        sentence_top = top + L.item(19) + L.item(84)
        warning = flow.count_near(img, L.x0, sentence_top, L.x0 + L.cw, play[0][0], (242, 184, 107), 12)
        self.assertGreater(warning, 50)
        # Two lines of sentence and one of warning, then the gap: that is where Play stands.
        self.assertAlmostEqual(play[0][0], sentence_top + L.item(2 * 23) + L.item(19) + L.gap(26), delta=2)
        self.assertAlmostEqual(play[0][1] - play[0][0], 72 * L.U, delta=3)
        self.assertTrue(flow.near(img.pixel(L.x0 + L.cw - 40 * L.U, sum(play[0]) / 2), flow.GOLD_BUTTON))

    def test_play_has_the_keyboard_focus_and_ends_the_setup(self):
        # A smaller window, and the build started by --autobuild; the done view comes from
        # the backend's report, so Play holds the focus and the first Enter presses it.
        s = flow.Session(self, size=(1280, 720), shot_at=40, extra=["--autobuild"])
        s.wait("the launcher", lambda: os.path.exists(os.path.join(s.dest, "tarnwell.sh")))
        s.wait("the done view", 
               lambda: "Result: ok" in flow.read(os.path.join(s.dest, ".setup", "setup.log")))
        time.sleep(1)  # the report reaches the window on its next frame
        s.key("Return")
        code, out, err = s.finish(timeout=20)
        self.assertEqual(code, 0, err)
        self.assertEqual(out, "", "the setup ended before its screenshot")
        with open(s.played) as f:
            self.assertEqual(f.read(), "played quality=light\n")


if __name__ == "__main__":
    unittest.main()
