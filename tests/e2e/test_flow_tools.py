"""Missing build tools: "ONE THING FIRST" with the install command in a box, "Copy the
command" (the clipboard, and "Copied" for a moment), "Check again" (a new look at this
PC), and "Install them now" (the backend installs them, and the form comes back)."""

import os
import time
import unittest

import flow

COMMAND = "sudo apt-get install -y cmake ninja-build"
TOOLS = {
    "TARNWELL_STANDIN_MISSING": "cmake,ninja",
    "TARNWELL_STANDIN_INSTALL_COMMAND": COMMAND,
    "TARNWELL_STANDIN_CAN_INSTALL": "1",
}
NO_INSTALL = dict(TOOLS, TARNWELL_STANDIN_CAN_INSTALL="0")
COMMAND_TEXT = (219, 230, 179)


class ToolsView:
    """Where the missing-tools view puts its buttons, read from a screenshot: the one
    gold band is "Install them now" (full width) or, when setup cannot install,
    "Copy the command" (half width)."""

    def __init__(self, test, img, L, can_install):
        self.L, self.img = L, img
        test.assertGreater(flow.count_near(img, L.x0, L.top(2), L.x0 + 160 * L.U, L.top(2) + 19 * L.U,
                                           flow.STOPPED_TITLE, 30), 20)
        left = flow.gold_bands(img, L.x0 + 0.1 * L.cw, L.top(2), L.H)
        right = flow.gold_bands(img, L.x0 + 0.9 * L.cw, L.top(2), L.H)
        test.assertEqual(len(left), 1, left)
        band = left[0]
        test.assertAlmostEqual(band[1] - band[0], 52 * L.U, delta=3)
        if can_install:
            test.assertEqual(right, [band], "Install them now is full width")
            self.install = band[0]
            self.copy = band[0] + L.item(52 * L.U) + L.gap(2)
        else:
            test.assertEqual(right, [], "only the copy button is gold")
            self.install = None
            self.copy = band[0]
        self.back = self.copy + L.item(52 * L.U) + L.gap(2)
        # Light text on a quiet button; dark brown text on the gold one.
        self.label_colour = (245, 235, 214) if can_install else (41, 23, 8)
        # The command box: a dark box with the command in its own pale green, ending
        # 14 (scaled) above the first button.
        box_bottom = (self.install if can_install else self.copy) - 14 * L.U
        test.assertGreater(flow.count_near(img, L.x0, box_bottom - 50 * L.U, L.x0 + L.cw, box_bottom,
                                           COMMAND_TEXT, 30), 8)

    def copy_button(self):
        return self.L.left_half(self.copy + 26 * self.L.U)

    def check_again(self):
        return self.L.right_half(self.copy + 26 * self.L.U)

    def label_pixels(self, img):
        """Bright label pixels on the copy button."""
        L = self.L
        return flow.count_near(img, L.x0 + 20 * L.U, self.copy + 8 * L.U, L.x0 + L.half - 20 * L.U,
                               self.copy + 44 * L.U, self.label_colour, 40)


def tools_probe(test, scenario, size=(1620, 1080)):
    s = flow.Session(test, size=size, shot_at=5, scenario=scenario, extra=["--autobuild"])
    s.wait("the tools view", lambda: s.infos())
    return ToolsView(test, s.screenshot(), s.layout, scenario["TARNWELL_STANDIN_CAN_INSTALL"] == "1")


class MissingTools(unittest.TestCase):
    def test_copy_the_command_puts_it_on_the_clipboard_and_reads_copied(self):
        form = flow.form_probe(self, scenario=TOOLS)
        view = tools_probe(self, TOOLS)
        s = flow.Session(self, shot_at=9, scenario=TOOLS)
        s.wait_for_info()
        s.click(*form.main_button())
        time.sleep(0.5)
        self.assertEqual(s.builds(), [], "no build starts while tools are missing")
        s.sleep_until(s.shot_at - 1.3)  # the shot comes within the label's 1.6 s
        s.click(*view.copy_button())
        s.wait("the clipboard", lambda: flow.clipboard() == COMMAND, timeout=1)
        img = s.screenshot(late=True)
        copied, plain = view.label_pixels(img), view.label_pixels(view.img)
        self.assertGreater(copied, 20)
        self.assertLess(copied, plain * 0.7, "the label should read the shorter 'Copied'")

    def test_without_install_the_copy_button_is_primary_and_focused(self):
        view = tools_probe(self, NO_INSTALL, size=(1280, 720))
        s = flow.Session(self, size=(1280, 720), shot_at=8, scenario=NO_INSTALL, extra=["--autobuild"])
        s.wait_for_info()
        s.key("Return")
        s.wait("the clipboard", lambda: flow.clipboard() == COMMAND, timeout=3)
        self.assertEqual([a for a in s.runs() if "--install-packages" in a], [])
        copied_at = time.monotonic()
        img = s.screenshot()
        # Seconds later the label reads "Copy the command" again.
        self.assertGreater(time.monotonic() - copied_at, 2)
        plain = view.label_pixels(view.img)
        self.assertAlmostEqual(view.label_pixels(img), plain, delta=plain * 0.15)

    def test_check_again_asks_about_this_pc_again(self):
        slow = dict(TOOLS, TARNWELL_STANDIN_INFO_DELAY="4")
        form = flow.form_probe(self, scenario=TOOLS)
        view = tools_probe(self, TOOLS)
        s = flow.Session(self, shot_at=9.5, scenario=slow, extra=["--autobuild"])
        s.sleep_until(7)
        self.assertEqual(len(s.infos()), 1)
        s.click(*view.check_again())
        s.wait("a second info query", lambda: len(s.infos()) == 2, timeout=2)
        img = s.screenshot()
        L = s.layout
        # The form, its main button dimmed while this PC is checked again.
        x, y = form.main_button()
        x = L.x0 + 0.1 * L.cw
        self.assertFalse(flow.near(img.pixel(x, y), flow.GOLD_BUTTON, 30), img.pixel(x, y))
        self.assertTrue(flow.near(img.pixel(x, y), (155, 117, 43), 30), img.pixel(x, y))
        # The status line holds no entries until the reply is in: no orange dot first.
        oy = L.H - 44 * L.U
        self.assertEqual(flow.count_near(img, 40 * L.U, oy, 60 * L.U, oy + 20 * L.U, flow.ORANGE_DOT, 30), 0)

    def test_install_them_now_runs_the_installation_and_returns_to_the_form(self):
        form = flow.form_probe(self)
        s = flow.Session(self, shot_at=10, scenario=TOOLS, extra=["--autobuild"])
        s.wait_for_info()
        # The view came from the automatic build: "Install them now" holds the focus.
        s.key("Return")
        s.wait("the new info query", lambda: len(s.infos()) == 2)
        self.assertEqual([a for a in s.runs() if "--info" not in a], [["--install-packages", "--json"]])
        self.assertLess(s.runs().index(["--install-packages", "--json"]), len(s.runs()) - 1)
        img = s.screenshot()
        L = s.layout
        # Back on the form, ready to build: the bright gold button, and "Build tools
        # ready" with a green check in the status line.
        self.assertEqual(flow.gold_bands(img, L.x0 + 0.1 * L.cw, L.H * 0.5, L.H)[-1], form.button)
        oy = L.H - 44 * L.U
        self.assertGreater(flow.count_near(img, 200 * L.U, oy - 2, 400 * L.U, oy + 20 * L.U,
                                           flow.GREEN_CHECK, 40), 5)

    def test_closing_the_window_during_an_installation_stops_it_at_once(self):
        # A pretended installation of 30 s, which no cancel marker can reach.
        slow = dict(TOOLS, TARNWELL_STANDIN_SECONDS="300")
        s = flow.Session(self, shot_at=30, scenario=slow, extra=["--autobuild"])
        # An earlier build left its folder: a marker could be written there, but unread.
        os.makedirs(os.path.join(s.dest, ".setup"), exist_ok=True)
        s.wait_for_info()
        s.key("Return")
        s.wait("the installation", lambda: ["--install-packages", "--json"] in s.runs())
        time.sleep(1)
        closed = time.monotonic()
        s.proc.terminate()
        code, out, err = s.finish(timeout=30)
        self.assertEqual(code, 0, err)
        self.assertLess(time.monotonic() - closed, 3, "not the 15 s wait for a job that cannot see its marker")
        self.assertIn("Result: cancelled", flow.read(os.path.join(s.home, ".config", "tarnwell", "install.log")))


if __name__ == "__main__":
    unittest.main()
