"""Less motion and a sparing window, as a person sees them: the window's picture read from
the X server while the program runs."""

import os
import time
import unittest

import flow
import harness


def grab(s):
    return harness.grab(s.window)


def same(a, b):
    return a.rows == b.rows


def cpu_seconds(s):
    """The CPU time the program has used so far, from /proc."""
    with open("/proc/%d/stat" % s.proc.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def still_for_a_second(test, s):
    """Whether the picture stood still for a second, and the CPU time that second cost."""
    s.wait_for_info()
    first, cpu = grab(s), cpu_seconds(s)
    time.sleep(1)
    return same(first, grab(s)), cpu_seconds(s) - cpu


class Effects(unittest.TestCase):
    def test_reduced_effects_hold_the_form_still_and_draw_it_sparingly(self):
        s = flow.Session(self, size=(1280, 720), shot_at=60, extra=["--effects", "reduced"])
        still, reduced_cpu = still_for_a_second(self, s)
        self.assertTrue(still, "the form moved with reduced effects")
        # The full picture moves (embers, glow, emblem), drawn every frame.
        full = flow.Session(self, size=(1280, 720), shot_at=60, extra=["--effects", "full"])
        still, full_cpu = still_for_a_second(self, full)
        self.assertFalse(still)
        # A still form drawn anyway at the display's rate would cost what the moving one does.
        self.assertLess(reduced_cpu, full_cpu / 4, "the still form was drawn every frame")

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
