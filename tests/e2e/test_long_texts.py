"""Every view with the longest texts a backend may send (the stand-in's long scenario) at
the smallest and the design size: the focused button wholly in the window, the view's
head still in sight, a sign where content goes on, and nothing right of the column."""

import os
import shutil
import tempfile
import unittest

import flow

AMBER_DOT = (255, 209, 102)    # the running step's pulsing dot
GRAB = (134, 104, 43)          # the thin scrollbar's grab over the dark backdrop
LONG = {"TARNWELL_STANDIN_LONG": "1"}


def long_dest(test):
    """An install folder of more than 200 characters, in folders of a plausible length."""
    top = tempfile.mkdtemp(prefix="long-")
    test.addCleanup(shutil.rmtree, top, True)
    return os.path.join(top, *["a-rather-long-folder-name-%02d" % i for i in range(7)])


class LongTexts(unittest.TestCase):
    def view(self, size, shot_at, scenario, extra=("--autobuild",), **kw):
        s = flow.Session(self, size=size, shot_at=shot_at, scenario=dict(LONG, **scenario),
                         extra=list(extra), **kw)
        return s, s.screenshot(late=True)

    def check(self, img, L, item_height, title_colour=None, view=1):
        top, bottom = flow.nav_frame(self, img, L)
        self.assertGreater(top, L.top(view) - 1)
        self.assertLess(bottom, L.H - 20 * L.U, "the focused button is cut by the bottom")
        self.assertAlmostEqual(bottom - top, item_height, delta=8 * L.U + 3)
        if title_colour:
            t = L.top(view)
            self.assertGreater(flow.count_near(img, L.x0, t, L.x0 + 160 * L.U, t + 19 * L.U,
                                               title_colour, 40), 3, "the title is out of sight")
        # Right of the column and its scrollbar only the dark backdrop shows.
        right = L.x0 + L.cw + 4 * L.U + max(4, 6 * L.U) + 3
        bright = [(x, y) for y in range(0, int(L.H), 3) for x in range(int(right), L.W, 3)
                  if max(img.pixel(x, y)[:3]) > 110]
        self.assertEqual(bright, [], "something runs past the column")

    def each_size(self, body):
        for size in ((960, 540), (1620, 1080)):
            with self.subTest(size=size):
                body(size, flow.Layout(*size))

    def test_form_with_eight_levels_a_long_path_and_a_long_card(self):
        def body(size, L):
            s = flow.Session(self, size=size, shot_at=4, scenario=LONG, dest=False,
                             extra=["--dest", long_dest(self)])
            img = s.screenshot(late=True)
            # The game field holds the first focus.
            self.check(img, L, 58 * L.U, view=0)
            # The form is taller than the column: the scrollbar shows beside it.
            x = L.x0 + L.cw + 4 * L.U + max(4, 6 * L.U) / 2
            self.assertGreater(flow.count_near(img, x - 1, L.top(0), x + 1, L.H * 0.9, GRAB, 40), 20,
                               "no scrollbar")
        self.each_size(body)

    def test_progress_keeps_the_running_step_in_sight(self):
        def body(size, L):
            # 0.3 s a unit of work: the 27 small steps are done after 8 s, and the 32nd
            # step of 40 runs from 8.5 s to 12 s after the build began.
            s, img = self.view(size, 12, {"TARNWELL_STANDIN_SECONDS": "40"})
            self.check(img, L, 52 * L.U, flow.GOLD_TEXT)
            steps = [a for a in s.runs() if "--game" in a]
            self.assertEqual(len(steps), 1)
            dots = flow.count_near(img, L.x0, L.top(1), L.x0 + 20 * L.U, L.H, AMBER_DOT, 40)
            self.assertGreater(dots, 5, "the running step is out of sight")
        self.each_size(body)

    def test_outcomes_with_a_long_detail_a_long_command_and_the_done_view(self):
        def body(size, L):
            fast = {"TARNWELL_STANDIN_SECONDS": "1"}
            _, img = self.view(size, 6, dict(fast, TARNWELL_STANDIN_FAIL="extra02"))
            self.check(img, L, 52 * L.U, flow.STOPPED_TITLE, view=2)
            _, img = self.view(size, 5, dict(fast, TARNWELL_STANDIN_MISSING="cmake"))
            self.check(img, L, 52 * L.U, flow.STOPPED_TITLE, view=2)
            _, img = self.view(size, 7, fast)
            self.check(img, L, 72 * L.U, flow.GOLD_TEXT, view=3)
        self.each_size(body)


if __name__ == "__main__":
    unittest.main()
