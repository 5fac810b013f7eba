"""When the build fails: the backend's own message in the "SETUP STOPPED" view, the log
it names opened in the desktop's handler, and "Back" to the form. Also a backend that
dies without a word."""

import os
import shutil
import tempfile
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

    def test_a_right_to_left_message_reads_from_its_first_line_down(self):
        # A Hebrew sentence of several lines, then the same with the letters of its first
        # word, and then of its last word, swapped (the same widths, so the same lines):
        # the first change shows on the top line, the last on the bottom one.
        first, last = "הבנייה", "מחדש"
        sentence = (first + " נעצרה כי הקובץ שבחרת אינו עותק שלם של המשחק, ולכן יש לבחור"
                    " עותק אחר ולהתחיל " + last)
        texts = [sentence, "הנבייה" + sentence[len(first):], sentence[:-len(last)] + "מדחש"]
        shots = []
        for text in texts:
            layout = os.path.join(tempfile.mkdtemp(prefix="rtl-"), "layout.tsv")
            self.addCleanup(shutil.rmtree, os.path.dirname(layout), True)
            s = flow.Session(self, shot_at=8, extra=["--autobuild"], scenario=dict(
                FAIL, TARNWELL_STANDIN_FAIL_TEXT=text, TARNWELL_LAYOUT=layout))
            self.wait_for_result(s, 1)
            shots.append(s.screenshot())
        L = s.layout
        lines = [line.split("\t") for line in flow.read(layout).splitlines()]
        lines = [(float(n[2]), n[-1]) for n in lines if n[0] == "text" and n[-1] in texts[2]]
        self.assertGreaterEqual(len(lines), 3, lines)
        self.assertTrue(lines[0][1].startswith(first) and lines[-1][1].endswith("מדחש"), lines)
        self.assertEqual(sorted(lines), lines)

        def changed_rows(a, b):
            return [y for y in range(int(L.top(2)), L.H // 2)
                    if any(a.pixel(x, y) != b.pixel(x, y) for x in range(int(L.x0), int(L.x0 + L.cw)))]

        top, bottom = changed_rows(shots[0], shots[1]), changed_rows(shots[0], shots[2])
        self.assertTrue(top and bottom)
        self.assertLess(max(top) - min(top), L.item(34), "the first word's change spans one line")
        self.assertLess(max(top), min(bottom))
        self.assertGreater(min(bottom) - min(top), 1.5 * L.font(34))

    def test_a_backend_that_dies_without_an_end_stops_the_setup(self):
        s = flow.Session(self, shot_at=8, scenario={"TARNWELL_STANDIN_CRASH": "unpack"},
                         extra=["--autobuild"])
        s.wait("the build", lambda: s.builds())
        img = s.screenshot()
        stopped_title(self, img, s.layout)


if __name__ == "__main__":
    unittest.main()
