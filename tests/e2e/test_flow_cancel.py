"""Cancel during a build: the view reads "STOPPING" with Cancel disabled until the
backend stops, the form comes back, and the next build goes on from the last finished
step."""

import os
import time
import unittest

import flow


def cancel_point(L):
    """A point on "Cancel" whether the step line above the list takes one line or two."""
    two_lines = L.progress_buttons_top(13, step_lines=2)
    return L.right_half(two_lines + (52 - 23) * L.U / 2)


def label_brightness(img, L, x0, y0):
    """How many bright label pixels a half-width button at (x0, y0) shows."""
    return flow.count_near(img, x0 + 20 * L.U, y0 + 8 * L.U, x0 + L.half - 20 * L.U, y0 + 44 * L.U,
                           (245, 235, 214), 40)


class Cancel(unittest.TestCase):
    def test_stopping_disables_cancel_until_the_backend_ends(self):
        slow = {"TARNWELL_STANDIN_SECONDS": "60", "TARNWELL_STANDIN_IGNORE_CANCEL": "1"}
        form = flow.form_probe(self, scenario=slow)
        s = flow.Session(self, shot_at=9, scenario=slow)
        L = s.layout
        s.wait_for_info()
        s.click(*form.main_button())
        log = os.path.join(s.dest, ".setup", "setup.log")
        s.wait("a heavy step", lambda: "Unpack" in flow.read(log) or "sources" in flow.read(log))
        s.click(*cancel_point(L))
        marker = os.path.join(s.dest, ".setup", "cancel")
        s.wait("the cancel marker", lambda: os.path.exists(marker))
        self.assertEqual(os.path.getsize(marker), 0)
        # After the shot the program ends: it waits for the backend that ignores the
        # marker, then stops it, and still exits with 0.
        img = s.screenshot()
        # Still the progress view: the gold title and percentage, the two buttons; Cancel's
        # label is dimmed, "Show details" beside it is not.
        top = L.top(1)
        self.assertGreater(flow.count_near(img, L.x0, top, L.x0 + 120 * L.U, top + 19 * L.U,
                                           flow.GOLD_TEXT, 40), 20)
        for lines in (1, 2):
            y = L.progress_buttons_top(13, step_lines=lines)
            details = label_brightness(img, L, L.x0, y)
            if details > 30:
                break
        self.assertGreater(details, 30, "Show details not found")
        self.assertEqual(label_brightness(img, L, L.x0 + L.half + 14 * L.U, y), 0)
        self.assertTrue("Result" not in flow.read(log), "the backend was to ignore the cancel")

    def test_by_keyboard_in_a_forty_step_build_at_the_smallest_size(self):
        # "Show details" holds the focus; Tab reaches Cancel below the scrolling step list.
        scenario = {"TARNWELL_STANDIN_LONG": "1", "TARNWELL_STANDIN_SECONDS": "60"}
        s = flow.Session(self, size=(960, 540), shot_at=20, scenario=scenario, extra=["--autobuild"])
        log = os.path.join(s.dest, ".setup", "setup.log")
        s.wait("a heavy step", lambda: "Started: Extra stand-in step 1," in flow.read(log))
        s.key("Tab", "Return")
        s.wait("the stop", lambda: "Result: cancelled" in flow.read(log), timeout=10)
        self.assertIn("Stopped at the user's request.", flow.read(log))

    def test_the_form_comes_back_and_the_next_build_goes_on(self):
        scenario = {"TARNWELL_STANDIN_SECONDS": "12"}
        form = flow.form_probe(self, size=(1280, 720), scenario=scenario)
        s = flow.Session(self, size=(1280, 720), shot_at=40, scenario=scenario)
        L = s.layout
        s.wait_for_info()
        s.click(*form.main_button())
        log = os.path.join(s.dest, ".setup", "setup.log")
        # Cancel once the sources are fetched (the fifth step runs).
        s.wait("the unpacking step", lambda: "Unpacking" in flow.read(log) or "unpack" in flow.read(log))
        s.click(*cancel_point(L))
        s.wait("the backend to stop", lambda: "Result: cancelled" in flow.read(log))
        time.sleep(1)
        # The form again: its button starts the next build, which skips the finished steps.
        s.click(*form.main_button())
        s.wait("the second build", lambda: len(s.builds()) == 2)
        s.wait("the end of the second build", lambda: "Result: ok" in flow.read(log), timeout=40)
        self.assertIn("Going on from the last finished step", flow.read(log))
        # Nothing more to see: closing the window ends the program normally.
        s.proc.terminate()
        code, out, err = s.finish(timeout=30)
        self.assertEqual(code, 0, err)

if __name__ == "__main__":
    unittest.main()
