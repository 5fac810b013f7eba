"""The raw log behind "Show details": it follows new lines as they come, stays where the
user scrolled to, and "Show the steps" brings the step list back."""

import time
import unittest

import flow

BUSY = {"TARNWELL_STANDIN_SECONDS": "60", "TARNWELL_STANDIN_LOG_FLOOD": "1500"}
SCROLLBAR = 14  # the library's scrollbar width, in pixels at every scale


def list_bottom(L, step_lines):
    return L.progress_buttons_top(13, step_lines=step_lines) - L.gap(12) - 9 * L.U


def grab(test, img, L):
    """The vertical scrollbar's grab of the log box: (top, bottom) of its grey run."""
    x = L.x0 + L.cw - SCROLLBAR / 2
    runs = flow.gold_bands(img, x, L.top(1), L.H, colour=(79, 79, 79), tol=14)
    test.assertEqual(len(runs), 1, "one scrollbar grab: %s" % runs)
    return runs[0]


class Log(unittest.TestCase):
    def open_log(self, s):
        s.wait("the build", lambda: s.builds())
        time.sleep(1.5)
        # The automatic build led to the progress view with the focus on "Show details":
        # Space presses it, with no key before.
        s.key("space")
        time.sleep(0.5)

    def test_the_log_follows_new_lines(self):
        s = flow.Session(self, shot_at=7, scenario=BUSY, extra=["--autobuild"])
        self.open_log(s)
        img = s.screenshot()
        L = s.layout
        top, bottom = grab(self, img, L)
        # The grab rests at the end of the track, just above the horizontal scrollbar.
        self.assertGreater(bottom, list_bottom(L, 1) - SCROLLBAR - 12)
        self.assertLess(bottom, list_bottom(L, 2) + 2)
        # Log lines in their own colour fill the box.
        self.assertGreater(flow.count_near(img, L.x0, bottom - 200 * L.U, L.x0 + L.cw - SCROLLBAR, bottom,
                                           (199, 184, 158), 30), 200)

    def test_scrolled_up_the_log_stays(self):
        s = flow.Session(self, size=(1280, 720), shot_at=9, scenario=BUSY, extra=["--autobuild"])
        self.open_log(s)
        L = s.layout
        # The wheel, many notches up over the log (each moves it five lines).
        s.xdotool("mousemove", "--window", s.window, int(L.x0 + L.cw / 2), int(list_bottom(L, 1) - 100 * L.U))
        time.sleep(0.2)
        s.xdotool("click", "--repeat", "25", "--delay", "30", "4")
        time.sleep(1.5)  # new lines keep coming meanwhile
        img = s.screenshot()
        top, bottom = grab(self, img, L)
        self.assertLess(bottom, list_bottom(L, 1) - SCROLLBAR - 30 * L.U)

    def test_show_the_steps_returns_to_the_list(self):
        s = flow.Session(self, shot_at=8, scenario=BUSY, extra=["--autobuild"])
        self.open_log(s)
        s.key("Return")  # the focus stayed on the button, which now reads "Show the steps"
        img = s.screenshot()
        L = s.layout
        x = L.x0 + L.cw - SCROLLBAR / 2
        self.assertEqual(flow.gold_bands(img, x, L.top(1), L.H, colour=(79, 79, 79), tol=14), [])
        # Finished steps carry green checks at the left of the list.
        self.assertGreater(flow.count_near(img, L.x0, L.top(1) + 200 * L.U, L.x0 + 16 * L.U, L.H * 0.8,
                                           flow.GREEN_CHECK, 30), 10)


if __name__ == "__main__":
    unittest.main()
