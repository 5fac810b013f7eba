"""What a blind player hears: Debian's own screen reader, Orca, runs headless beside the
window on a private session bus with the desktop's accessibility bus, speaking through
speech-dispatcher's silent dummy module. Every utterance is a "SPEECH OUTPUT" line of
Orca's debug log, which these tests read."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

import flow
import harness

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
ORCA = "/usr/bin/orca"

# Orca run with its debug log written line by line, so that a test can follow it while
# Orca runs (Orca opens it block-buffered). Another user's Orca (or another test's) is
# none of its business: it neither waits for one nor ends one.
ORCA_LINE_BUFFERED = """
import builtins, runpy, sys
log = sys.argv[1]
plain_open = builtins.open
def line_open(name, mode="r", *args, **kw):
    if name == log and "w" in mode:
        return plain_open(name, mode, buffering=1)
    return plain_open(name, mode, *args, **kw)
builtins.open = line_open
sys.argv = ["orca", "-d", "braille", "--debug-file", log]
orca = runpy.run_path(%r, run_name="orca_bin")
orca["otherOrcas"] = lambda: []
sys.exit(orca["main"]())
""" % ORCA


def utterances(log):
    """The texts of the "SPEECH OUTPUT: 'text'" lines, each maybe followed by the voice's
    settings as a dict."""
    out = []
    for line in log.splitlines():
        at = line.find("SPEECH OUTPUT: '")
        if at < 0:
            continue
        text = line[at + len("SPEECH OUTPUT: '"):]
        cut = text.rfind("'{") if text.endswith("}") else -1
        text = text[:cut] if cut >= 0 else text.rstrip("'")
        out.append(text.replace("\\'", "'"))
    return out


environ = {}


def setUpModule():
    for path in (LAUNCHER, ORCA, "/usr/bin/speech-dispatcher"):
        if not os.path.exists(path):
            raise unittest.SkipTest("%s is not installed" % path)
    root = tempfile.mkdtemp(prefix="orca-")
    unittest.addModuleCleanup(shutil.rmtree, root, True)
    # Orca's own home: its settings, speech-dispatcher's configuration with the silent
    # module, and libao's null driver should anything still play a sound.
    home = os.path.join(root, "home")
    speechd = os.path.join(home, ".config", "speech-dispatcher")
    os.makedirs(speechd)
    with open(os.path.join(speechd, "speechd.conf"), "w") as f:
        f.write('AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\n'
                'Include "/etc/speech-dispatcher/clients/*.conf"\n')
    with open(os.path.join(home, ".libao"), "w") as f:
        f.write("default_driver=null\n")
    runtime = os.path.join(root, "run")
    os.makedirs(runtime, mode=0o700)
    environ.update(harness.env(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                               XDG_RUNTIME_DIR=runtime, GSETTINGS_BACKEND="memory"))
    out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                         capture_output=True, text=True, check=True, env=environ).stdout.split()
    environ["DBUS_SESSION_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"] = out[0]
    unittest.addModuleCleanup(os.kill, int(out[1]), signal.SIGTERM)
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=environ, stderr=subprocess.DEVNULL)
    unittest.addModuleCleanup(launcher.wait)
    unittest.addModuleCleanup(launcher.terminate)
    for prop in ("IsEnabled", "ScreenReaderEnabled"):
        for attempt in range(50):
            r = subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                                "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                                "org.a11y.Status", prop, "<true>"], capture_output=True, env=environ)
            if r.returncode == 0:
                break
            time.sleep(0.1)


class Orca:
    """One run of Orca; `spoken()` is what it said so far."""

    def __init__(self, test):
        self.test = test
        self.log = os.path.join(environ["HOME"], "orca-%d.log" % time.monotonic_ns())
        self.proc = subprocess.Popen(["/usr/bin/python3", "-c", ORCA_LINE_BUFFERED, self.log], env=environ,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        test.addCleanup(self.end)
        self.mark = 0
        # Ready once it has spoken its welcome.
        self.wait_for("Orca's welcome", lambda said: said, timeout=60)

    def end(self):
        """SIGTERM, so that Orca closes its log; then prints what it said."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        print("\nOrca said:\n" + "\n".join("  " + s for s in self.spoken()))
        keep = os.environ.get("TARNWELL_KEEP_ORCA_LOG")  # a file for reading the whole log afterwards
        if keep:
            shutil.copy(self.log, keep)

    def spoken(self):
        return utterances(flow.read(self.log))

    def since(self):
        """What it said since the last call of since() or wait_for()."""
        said = self.spoken()[self.mark:]
        return said

    def wait_for(self, what, predicate, timeout=30):
        """Polls the log until predicate(what was said since the mark) is true; moves the
        mark past it."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            said = self.spoken()[self.mark:]
            if predicate(said):
                self.mark += len(said)
                return said
            if self.proc.poll() is not None:
                self.test.fail("Orca ended while waiting for %s" % what)
            time.sleep(0.2)
        self.test.fail("Orca did not say %s; it said:\n%s" % (what, "\n".join(self.spoken()[self.mark:])))

    def heard(self, what, *phrases, timeout=30):
        """Waits until every phrase was said since the mark, each in some utterance."""
        return self.wait_for(what, lambda said: all(any(p in s for s in said) for p in phrases), timeout)


def key(s, orca, name):
    """A key, then time for Orca to speak of it before the next one (Orca drops what
    comes faster than it speaks)."""
    s.xdotool("key", "--window", s.window, name)
    said = orca.wait_for("something after %s" % name, lambda said: said, timeout=20)
    time.sleep(0.5)
    return said


class HeardByOrca(unittest.TestCase):
    def session(self, **kw):
        kw.setdefault("size", (1280, 720))
        kw.setdefault("shot_at", 300)
        s = flow.Session(self, **kw)
        s.xdotool("windowfocus", "--sync", s.window)
        return s

    def test_the_window_and_the_form(self):
        orca = Orca(self)
        s = self.session()
        orca.heard("the focused field as the window gets the focus", "YOUR COPY OF THE GAME", timeout=60)
        s.wait_for_info()
        said = []
        while not any("Build the game push button" in t for t in said) and len(said) < 30:
            said += key(s, orca, "Tab")
        for item in ("choose another link", "WHERE TO INSTALL (ABOUT 36 GB) push button", "check box not checked",
                     "Light", "Build the game push button"):
            self.assertTrue(any(item in t for t in said), (item, said))

    def test_a_finished_build(self):
        orca = Orca(self)
        self.session(extra=["--autobuild"], scenario={"TARNWELL_STANDIN_SECONDS": "12"})
        orca.heard("the progress with its step", "BUILDING", timeout=60)
        said = orca.heard("the done view with its sentence and Play", "Ready to play", "Built in",
                          "Play push button", timeout=90)
        self.assertFalse(any("[DEAD]" in t for t in said))

    def test_a_failed_build_says_its_own_error(self):
        orca = Orca(self)
        self.session(extra=["--autobuild"], scenario={
            "TARNWELL_STANDIN_SECONDS": "4", "TARNWELL_STANDIN_FAIL": "shaders",
            "TARNWELL_STANDIN_FAIL_TEXT": "The shader compiler ran out of memory",
            "TARNWELL_STANDIN_FAIL_DETAIL": "It needed 9 GB and found 2 GB free",
            "TARNWELL_STANDIN_FAIL_COMMAND": "free -h"})
        said = orca.heard("the error, its detail and its command", "The shader compiler ran out of memory",
                          "It needed 9 GB and found 2 GB free", "free -h", timeout=90)
        error = [t for t in said if "ran out of memory" in t][0]
        self.assertLess(error.index("ran out of memory"), error.index("It needed 9 GB"), error)
        self.assertLess(error.index("It needed 9 GB"), error.index("free -h"), error)
        # The button that takes the focus carries the error too.
        said += orca.heard("the focused button", "push button")
        focus = [i for i, t in enumerate(said) if t.endswith("push button.")][-1]
        self.assertIn("ran out of memory", " ".join(said[focus:]), said)

    def test_a_folder_change_in_the_browser(self):
        orca = Orca(self)
        s = self.session(game=False, dest=False, scenario={"SDL_FILE_DIALOG_DRIVER": "none", "SteamDeck": "1"})
        for name in ("Alpha", "Beta"):
            os.makedirs(os.path.join(s.home, name, "Inner " + name))
        s.wait_for_info()
        orca.heard("the game field", "YOUR COPY OF THE GAME", timeout=60)
        s.xdotool("key", "--window", s.window, "Return")  # the browser opens on the home folder
        orca.heard("the first row of the home folder", "Alpha")
        time.sleep(0.5)
        s.xdotool("key", "--window", s.window, "Return")
        said = orca.heard("the row of the folder entered", "Inner Alpha")
        self.assertFalse(any("Beta" in t for t in said), said)


if __name__ == "__main__":
    unittest.main()
