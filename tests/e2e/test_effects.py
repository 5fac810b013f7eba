"""Less motion and a sparing window, as a person sees them: the window's picture read from
the X server while the program runs."""

import time
import unittest

import flow
import harness


def grab(s):
    return harness.grab(s.window)


def same(a, b):
    return a.rows == b.rows


class Effects(unittest.TestCase):
    def test_reduced_effects_hold_the_form_still(self):
        s = flow.Session(self, size=(1280, 720), shot_at=60, extra=["--effects", "reduced"])
        s.wait_for_info()
        first = grab(s)
        time.sleep(1)
        self.assertTrue(same(first, grab(s)), "the form moved with reduced effects")
        # The same check on the full picture sees its embers, glow and emblem move.
        full = flow.Session(self, size=(1280, 720), shot_at=60, extra=["--effects", "full"])
        full.wait_for_info()
        first = grab(full)
        time.sleep(1)
        self.assertFalse(same(first, grab(full)))

    def test_a_build_on_a_slow_renderer_still_shows_its_progress(self):
        # Xvfb's OpenGL is Mesa's llvmpipe, which draws without a GPU: the window draws
        # sparingly while the job runs, and the percentage goes on advancing.
        s = flow.Session(self, size=(1280, 720), shot_at=60, extra=["--autobuild"],
                         scenario={"TARNWELL_STANDIN_SECONDS": "30"})
        s.wait("the build", lambda: s.builds())
        L = s.layout
        top = L.top(1) + L.item(L.font(19)) + L.item(L.font(34))
        def percent():
            img = grab(s)
            return [img.rows[int(y)][3 * int(L.x0):3 * int(L.x0 + 260 * L.U)]
                    for y in range(int(top), int(top + L.font(84)))]
        time.sleep(3)
        seen = [percent()]
        for _ in range(8):
            time.sleep(1)
            seen.append(percent())
        changes = sum(a != b for a, b in zip(seen, seen[1:]))
        self.assertGreaterEqual(changes, 4, "the percentage stood still for most of 8 s")


if __name__ == "__main__":
    unittest.main()
