"""When the build fails: the backend's own message in the "SETUP STOPPED" view, the log
it names opened in the desktop's handler, and "Back" to the form. Also a backend that
dies without a word."""

import os
import time
import unittest

import flow

FAIL = {
    "TARNWELL_STANDIN_FAIL": "compile",
    "TARNWELL_STANDIN_FAIL_TEXT": "The compiler stopped.",
    "TARNWELL_STANDIN_FAIL_DETAIL": "See the log for the line that failed.",
}


def stopped_title(test, img, L):
    """The orange title stands first in the column; no gold button anywhere in it."""
    top = L.top(2)
    test.assertGreater(flow.count_near(img, L.x0, top, L.x0 + 160 * L.U, top + 19 * L.U,
                                       flow.STOPPED_TITLE, 30), 20)
    test.assertEqual(flow.gold_bands(img, L.x0 + 0.1 * L.cw, top, L.H), [])
    test.assertEqual(flow.gold_bands(img, L.x0 + 0.6 * L.cw, top, L.H), [])


def button_outline(img, L, x, y):
    """True when a capsule's translucent gold border crosses the vertical line at x just
    above y (the top edge of a button that should stand there)."""
    return any(flow.near(img.pixel(x, yy), (110, 86, 38), 40) for yy in range(int(y - 3), int(y + 4)))


class Failure(unittest.TestCase):
    def wait_for_result(self, s, n):
        log = os.path.join(s.dest, ".setup", "setup.log")
        s.wait("result %d" % n, lambda: flow.read(log).count("Result: failed") >= n)
        time.sleep(1)

    def test_stopped_view_shows_the_message_with_open_the_log_and_back(self):
        s = flow.Session(self, shot_at=10, scenario=FAIL, extra=["--autobuild"])
        self.wait_for_result(s, 1)
        img = s.screenshot()
        L = s.layout
        stopped_title(self, img, L)
        # The headline in white on one line, the detail in its paler tone on one line.
        y = L.top(2) + L.item(19)
        self.assertGreater(flow.count_near(img, L.x0, y, L.x0 + L.cw, y + 34, (245, 235, 214), 20), 30)
        y += L.item(34) + L.gap(8)
        self.assertGreater(flow.count_near(img, L.x0, y, L.x0 + L.cw, y + 23, (204, 189, 163), 20), 30)
        # "Open the log" on the left, "Back" beside it, both as outlined capsules.
        buttons = L.stopped_buttons_top()
        self.assertTrue(button_outline(img, L, L.x0 + L.half / 2, buttons))
        self.assertTrue(button_outline(img, L, L.x0 + L.half + 14 * L.U + L.half / 2, buttons))
        self.assertFalse(button_outline(img, L, L.x0 + L.half / 2, buttons + L.item(52) + 9))

    def test_back_open_the_log_and_a_second_try(self):
        form = flow.form_probe(self, size=(1280, 720), scenario=FAIL)
        s = flow.Session(self, size=(1280, 720), shot_at=25, scenario=FAIL)
        L = s.layout
        s.wait_for_info()
        s.click(*form.main_button())
        self.wait_for_result(s, 1)
        # "Back" holds the keyboard focus: the first Space presses it.
        s.key("space")
        time.sleep(0.5)
        # On the form again: the same button builds again.
        s.click(*form.main_button())
        self.wait_for_result(s, 2)
        self.assertEqual(len(s.builds()), 2)
        y = L.stopped_buttons_top() + 26 * L.U
        s.click(*L.left_half(y))  # "Open the log"
        s.wait("the log to be opened", lambda: flow.read(s.opened))
        log = os.path.join(s.dest, ".setup", "setup.log")
        self.assertEqual(flow.read(s.opened), "file://%s\n" % log)
        s.click(*L.right_half(y))  # "Back"
        img = s.screenshot()
        # The form, with its gold button where it was.
        self.assertEqual(flow.gold_bands(img, L.x0 + 0.1 * L.cw, L.H * 0.5, L.H)[-1], form.button)
        self.assertEqual(len(s.builds()), 2)

    def test_a_backend_that_dies_without_an_end_stops_the_setup(self):
        s = flow.Session(self, shot_at=8, scenario={"TARNWELL_STANDIN_CRASH": "unpack"},
                         extra=["--autobuild"])
        s.wait("the build", lambda: s.builds())
        img = s.screenshot()
        stopped_title(self, img, s.layout)


if __name__ == "__main__":
    unittest.main()
