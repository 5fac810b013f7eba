"""What a screen reader finds of the window: on a private session bus with the desktop's
accessibility bus (at-spi2-core's launcher) switched on, pyatspi reads the tree of each
view as Orca does, presses "Build the game" through it, follows the progress and hears the
announcements and focus events."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import flow
import harness

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
pyatspi = GLib = None


def setUpModule():
    global pyatspi, GLib
    if not os.path.exists(LAUNCHER):
        raise unittest.SkipTest("at-spi2-core's bus launcher is not installed")
    # A private session bus, as dbus-run-session makes one: the window and pyatspi meet on it.
    out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                         capture_output=True, text=True, check=True).stdout.split()
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = out[0]
    unittest.addModuleCleanup(os.kill, int(out[1]), signal.SIGTERM)
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=harness.env(), stderr=subprocess.DEVNULL)
    unittest.addModuleCleanup(launcher.wait)
    unittest.addModuleCleanup(launcher.terminate)
    time.sleep(0.5)
    switch(True)
    try:  # Debian's pyatspi lives with the system's Python
        import pyatspi as p
    except ImportError:
        sys.path.append("/usr/lib/python3/dist-packages")
        try:
            import pyatspi as p
        except ImportError:
            raise unittest.SkipTest("pyatspi is not installed")
    from gi.repository import GLib as g
    pyatspi, GLib = p, g


def switch(on):
    """The desktop's accessibility switch, as GNOME's settings flip it."""
    subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                    "--method", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled",
                    "<%s>" % ("true" if on else "false")], check=True, capture_output=True)


def pump(seconds=0.0):
    """Lets pyatspi take in the bus's events for a while."""
    end = time.monotonic() + seconds
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app and app.get_process_id() == pid:
                return app
        except Exception:  # an application that went away meanwhile
            pass
    return None


STATES = [("focused", "STATE_FOCUSED"), ("checked", "STATE_CHECKED"), ("selected", "STATE_SELECTED"),
          ("disabled", None)]


def states(acc):
    have = acc.getState()
    out = [word for word, name in STATES if name and have.contains(getattr(pyatspi, name))]
    if acc.getRoleName() not in ("application", "frame", "label", "heading", "list item", "list box") and \
            not have.contains(pyatspi.STATE_SENSITIVE):
        out.append("disabled")
    return out


def walk(acc, depth=0):
    yield depth, acc.getRoleName(), acc.name, acc.description, states(acc), acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is None:
            raise LookupError("an item went away")
        yield from walk(child, depth + 1)


def nodes(acc):
    """(depth, role, name, description, states, object) of acc and all below it, read
    again when an item went away while it was read (the view changed meanwhile)."""
    for attempt in range(10):
        try:
            return list(walk(acc))
        except (GLib.GError, LookupError):
            pump(0.1)
    return list(walk(acc))


def printed(acc):
    """The tree as a screen reader meets it: one line per item, indented role "name"
    (description) [states]."""
    lines = []
    for depth, role, name, description, st, obj in nodes(acc):
        value = " %d%%" % obj.queryValue().currentValue if role == "progress bar" else ""
        about = " (%s)" % description if description else ""
        lines.append("%s%s \"%s\"%s%s%s" % ("  " * depth, role, name, value, about,
                                           " [%s]" % " ".join(st) if st else ""))
    return "\n".join(lines)


def find(acc, role, name=None):
    for _, r, n, _, _, obj in nodes(acc):
        if r == role and (name is None or n == name):
            return obj
    return None


class Heard:
    """Announcements and focus events, as a screen reader receives them."""

    def __init__(self, test):
        self.said, self.focus = [], []
        self._said = lambda e: self.said.append(e.any_data)
        self._focus = lambda e: self.focus.append(e.source) if e.detail1 else None
        pyatspi.Registry.registerEventListener(self._said, "object:announcement")
        pyatspi.Registry.registerEventListener(self._focus, "object:state-changed:focused")
        test.addCleanup(pyatspi.Registry.deregisterEventListener, self._said, "object:announcement")
        test.addCleanup(pyatspi.Registry.deregisterEventListener, self._focus, "object:state-changed:focused")


class ScreenReader(unittest.TestCase):
    def wait_for(self, s, what, get, timeout=20):
        """Pumps events until get() returns something, and returns it; else fails with the
        tree as it stands."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            pump(0.05)
            found = get()
            if found:
                return found
            if s.proc.poll() is not None:
                self.fail("the window ended while waiting for %s" % what)
        app = application(s.proc.pid)
        self.fail("timed out waiting for %s in:\n%s" % (what, printed(app) if app else "(not on the bus)"))

    def frame(self, s, title="Tarnwell Setup"):
        app = self.wait_for(s, "the window on the accessibility bus", lambda: application(s.proc.pid))
        self.assertEqual(app.name, title)
        frame = app.getChildAtIndex(0)
        self.assertEqual((frame.getRoleName(), frame.name), ("frame", title))
        return frame

    def test_the_road_to_the_done_view_by_screen_reader(self):
        heard = Heard(self)
        s = flow.Session(self, shot_at=120, scenario={"TARNWELL_STANDIN_SECONDS": "8"})
        frame = self.frame(s)
        build = self.wait_for(s, "an enabled build button", lambda: (
            lambda b: b if b and "disabled" not in states(b) else None)(find(frame, "push button", "Build the game")))
        print("\nThe form:\n" + printed(frame))
        self.assertEqual(find(frame, "heading", "Tarnwell").getRoleName(), "heading")
        game = find(frame, "push button", "YOUR COPY OF THE GAME")
        self.assertEqual(game.description, "Hollow Lantern")
        self.assertEqual(find(frame, "push button", "WHERE TO INSTALL (ABOUT 36 GB)").description, s.dest)
        self.assertEqual(states(find(frame, "check box")), [])
        radios = [(n, "checked" in st) for _, r, n, _, st, _ in nodes(frame) if r == "radio button"]
        self.assertEqual([c for _, c in radios].count(True), 1, radios)
        self.assertIn("focused", states(game), "the game field holds the focus frame")
        x, y, w, h = build.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
        self.assertEqual((x, w), (s.layout.x0, s.layout.cw))

        # Pressed through the tree, as a screen reader's "activate" does.
        build.queryAction().doAction(0)
        s.wait("the build", s.builds, timeout=5)
        bar = self.wait_for(s, "the progress bar", lambda: find(frame, "progress bar"))
        values = []
        steps = self.wait_for(s, "a running step", lambda: (lambda rows: rows if any(
            r.description == "running" for r in rows) else None)(
            [c for _, r, _, _, _, c in nodes(frame) if r == "list item"]))
        print("The progress view:\n" + printed(frame))
        self.assertTrue(all(r.description in ("waiting", "running", "finished") for r in steps))
        # A step has nothing to press, and says so (the bridge answers every press with
        # success before it makes it, so the action count is what tells).
        self.assertEqual([r.queryAction().nActions for r in steps], [0] * len(steps))
        self.assertTrue(bar.description, "the running step describes the progress bar")
        self.wait_for(s, "the progress to rise", lambda: values.append(bar.queryValue().currentValue) or
                      max(values) >= min(values) + 10, timeout=30)

        done = self.wait_for(s, "the done view", lambda: find(frame, "heading", "Ready to play"), timeout=60)
        play = self.wait_for(s, "the focus on Play", lambda: (
            lambda p: p if p and "focused" in states(p) else None)(find(frame, "push button", "Play")))
        self.assertTrue(done and play)
        pump(0.5)
        print("Said unasked:\n" + "\n".join("  " + t for t in heard.said))
        self.assertIn("BUILDING", heard.said)
        self.assertTrue(any(t.endswith("0%") for t in heard.said), heard.said)
        self.assertTrue(heard.said[-1].startswith("Ready to play. Built in "), heard.said)
        heard.focus.clear()
        s.key("Tab")
        self.wait_for(s, "a focus event on Tab", lambda: heard.focus)
        self.assertEqual(heard.focus[-1].name, "Open the folder")
        # A screen reader moves the focus itself.
        back = find(frame, "push button", "Back to setup")
        self.assertTrue(back.queryComponent().grabFocus())
        self.wait_for(s, "the focus on Back to setup", lambda: "focused" in states(back))

    def test_nothing_is_built_until_the_desktop_switches_accessibility_on(self):
        switch(False)
        self.addCleanup(switch, True)
        s = flow.Session(self, shot_at=120)
        s.wait_for_info()
        pump(1.0)
        self.assertIsNone(application(s.proc.pid))
        switch(True)
        frame = self.frame(s)
        self.wait_for(s, "the form's tree", lambda: find(frame, "heading", "Tarnwell"))

    def test_a_listener_changes_nothing_that_is_drawn(self):
        # The still backdrop and the form, once with the tree built for a listener and once
        # with the desktop's accessibility off: the same pixels.
        shots, dest = [], os.path.join(tempfile.mkdtemp(prefix="sr-"), "Tarnwell")
        self.addCleanup(shutil.rmtree, os.path.dirname(dest), True)
        for on in (True, False):
            switch(on)
            s = flow.Session(self, size=(1280, 720), shot_at=6, extra=["--effects", "reduced"], keep_dest=dest)
            if on:
                self.frame(s)
            else:
                pump(1.0)
                self.assertIsNone(application(s.proc.pid))
            shots.append(s.screenshot(late=True))
        switch(True)
        a, b = shots
        differ = [(x, y) for y in range(0, a.height, 2) for x in range(0, a.width, 2) if a.pixel(x, y) != b.pixel(x, y)]
        self.assertEqual(differ[:5], [], "%d pixels differ, within x %d..%d, y %d..%d" % (
            len(differ), *(f(p[i] for p in differ) for i in (0, 1) for f in (min, max))) if differ else "")

    # A launcher that never reads its messages: every question to it goes unanswered. One
    # that says accessibility is on but never tells the accessibility bus's address.
    MUTE = "import dbus, time; dbus.SessionBus().request_name('org.a11y.Bus'); print(flush=True); time.sleep(600)"
    NO_ADDRESS = """
import dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName("org.a11y.Bus", bus)
class Launcher(dbus.service.Object):
    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"IsEnabled": True, "ScreenReaderEnabled": True}
    @dbus.service.method("org.a11y.Bus", out_signature="s", async_callbacks=("ok", "fail"))
    def GetAddress(self, ok, fail):
        pass
Launcher(bus, "/org/a11y/bus")
print(flush=True)
GLib.MainLoop().run()
"""

    def test_a_bus_that_does_not_answer_holds_nothing_up(self):
        for launcher in (self.MUTE, self.NO_ADDRESS):
            with self.subTest(launcher=launcher.split()[1]):
                out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                                     capture_output=True, text=True, check=True).stdout.split()
                self.addCleanup(os.kill, int(out[1]), signal.SIGTERM)
                mute = subprocess.Popen(["/usr/bin/python3", "-c", launcher],
                                        env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=out[0]), stdout=subprocess.PIPE)
                self.addCleanup(mute.kill)
                mute.stdout.readline()
                s = flow.Session(self, shot_at=3, scenario={"DBUS_SESSION_BUS_ADDRESS": out[0]})
                code, _, err = s.finish(timeout=40)
                self.assertEqual(code, 0, err)
                self.assertLess(time.monotonic() - s.started, 8, "the window waited for the bus")

    def test_names_follow_the_language(self):
        s = flow.Session(self, shot_at=120, extra=["--lang", "de"])
        frame = self.frame(s, "Tarnwell-Installationsprogramm")  # the window's name too
        self.wait_for(s, "the form's tree", lambda: find(frame, "heading"))
        names = [n for _, _, n, _, _, _ in nodes(frame)]
        self.assertNotIn("Build the game", names)
        self.assertNotIn("Hollow Lantern, built on this PC from your own copy of the game.", names)

    def test_the_language_list_by_screen_reader_and_keys(self):
        s = flow.Session(self, shot_at=120)
        frame = self.frame(s)
        s.wait_for_info()
        link = self.wait_for(s, "the Language item", lambda: find(frame, "link", "Language"))
        link.queryAction().doAction(0)
        lists = self.wait_for(s, "the list of languages", lambda: [
            c for _, r, n, _, _, c in nodes(frame) if r == "list box" and n == "Language"])
        rows = [(n, "selected" in st) for _, r, n, _, st, _ in nodes(lists[0]) if r == "list item"]
        self.assertIn(("English", True), rows)
        self.assertIn(("Deutsch", False), rows)
        names = [n for n, _ in rows]
        for _ in range(names.index("Deutsch") - names.index("English")):  # English holds the focus
            s.key("Down")
        s.key("Return")
        self.wait_for(s, "the form in German", lambda: find(frame, "link", "Sprache"))
        self.assertIsNotNone(find(frame, "push button", "Spiel bauen"))

    def test_the_browser_list_follows_the_keys(self):
        s = flow.Session(self, size=(1280, 720), shot_at=120, game=False, dest=False,
                         scenario={"SDL_FILE_DIALOG_DRIVER": "none", "SteamDeck": "1"})
        for name in ("Alpha", "Beta", "Gamma"):
            os.makedirs(os.path.join(s.home, name))
        frame = self.frame(s)
        s.wait_for_info()
        s.key("Return")  # on the game field: the browser opens in the window
        box = self.wait_for(s, "the browser", lambda: find(frame, "push button", "YOUR COPY OF THE GAME") is None)
        self.assertTrue(box)
        lists = self.wait_for(s, "the list of rows", lambda: [c for _, r, _, _, _, c in nodes(frame) if r == "list box"])
        rows = lambda: [c for _, r, _, _, st, c in nodes(lists[0]) if r == "list item" and "selected" in st]
        before = self.wait_for(s, "a selected row", rows)[0].name
        s.key("Down")
        after = self.wait_for(s, "the selection to move", lambda: [r for r in rows() if r.name != before])
        self.assertIn("focused", states(after[0]))


if __name__ == "__main__":
    unittest.main()
