"""Helpers for the tests of the Windows program: run tarnwell-setup.exe through Wine's
64-bit loader in a prefix of the build's own, on the X display the test command
provides, and translate between Linux paths and the Windows paths Wine maps them to.

The prefix is made once (wineboot), guarded by a lock so that two test files never
make it at the same time, and a wineserver is kept alive between the runs of one test
file so that each run does not start Wine's services anew."""

import fcntl
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import flow  # noqa: E402  (PNG reading, pixel probes and the column's layout are shared
import harness  # noqa: E402  with the tests of the Linux build)

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(os.path.join(HERE, "..", ".."))
BUILD = os.path.join(SOURCE, "build-win")
EXE = os.environ.get("TARNWELL_EXE") or os.path.join(BUILD, "tarnwell-setup.exe")
WIN_PYTHON = os.environ.get("TARNWELL_WIN_PYTHON") or os.path.join(BUILD, "tests", "wine", "python", "python.exe")
PREFIX = os.environ.get("TARNWELL_WINE_PREFIX") or os.path.join(BUILD, "wineprefix")
DIST = os.environ.get("TARNWELL_WIN_DIST") or os.path.join(BUILD, "dist")
LINUX_BIN = os.environ.get("TARNWELL_LINUX_BIN") or os.path.join(SOURCE, "build", "tarnwell-setup")
LOADER = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"

# How long the first window of a run may take: in a prefix just made, Wine starts its
# services with the first program and the GL driver compiles its shaders for the first time.
FIRST_WINDOW_SECONDS = 180

USAGE = "usage: tarnwell-setup --root DIR --python EXE (started by ./setup.sh)\n"


def winpath(path):
    """The Windows name of a Linux path: Wine maps drive Z: to the root folder."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def drive_c(*parts):
    """A path inside the prefix's drive C:."""
    return os.path.join(PREFIX, "drive_c", *parts)


def env(**extra):
    """The environment of a Wine run: our prefix, no Wine chatter, no Mono or Gecko
    installer prompts, no menu entries written into the real home."""
    e = harness.env()
    e.update({
        "WINEPREFIX": PREFIX,
        "WINEARCH": "win64",
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    })
    e.update({k: str(v) for k, v in extra.items()})
    return e


def ensure_prefix():
    """Makes the prefix when there is none and starts a wineserver that stays for a
    minute after its last program ended."""
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    ready = os.path.join(PREFIX, ".tarnwell-ready-2")
    with open(PREFIX + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        # Wine's services start with the first program and inherit its output handles:
        # let them start from programs whose output goes nowhere.
        quiet = dict(env=env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                     stdin=subprocess.DEVNULL, check=False)
        if not os.path.exists(ready):
            shutil.rmtree(PREFIX, ignore_errors=True)
            subprocess.run([LOADER, "wineboot", "-i"], timeout=300, **quiet)
            # There is no window manager on the test display: X windows that Wine leaves
            # unmanaged do not wait for one (seconds per window) when they appear or go.
            subprocess.run([LOADER, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                            "/d", "N", "/f"], timeout=120, **quiet)
            # Nor does one hand out the keyboard: a window that X gives the focus to
            # (as a window manager would at its start) is then the active one.
            subprocess.run([LOADER, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "UseTakeFocus",
                            "/d", "N", "/f"], timeout=120, **quiet)
            subprocess.run([WINESERVER, "-w"], timeout=300, **quiet)
            # The desktop folder is the prefix's own rather than a link to the real home,
            # so that the folder dialogs' tree shows only what a test puts there.
            for desktop in glob.glob(drive_c("users", "*", "Desktop")):
                if os.path.islink(desktop):
                    os.unlink(desktop)
                    os.mkdir(desktop)
            if os.path.exists(drive_c("windows", "system32", "cmd.exe")):
                open(ready, "w").close()
        subprocess.run([WINESERVER, "-p60"], timeout=60, **quiet)
        subprocess.run([LOADER, "cmd.exe", "/c", "exit"], timeout=120, **quiet)
    if not os.path.exists(ready):
        raise RuntimeError("the Wine prefix %s could not be made" % PREFIX)


class Result:
    def __init__(self, returncode, stdout, stderr):
        self.returncode, self.stdout, self.stderr = returncode, stdout, stderr


def _run(argv, timeout, cwd, e):
    """Runs argv and waits for that process alone. Its output goes to files, not pipes:
    children that outlive it (Wine's services, a backend still answering) inherit the
    handles, and reading a pipe to its end would wait for them too."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.Popen(argv, stdout=out, stderr=err, stdin=subprocess.DEVNULL, cwd=cwd, env=e)
        try:
            p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()
            raise
        out.seek(0)
        err.seek(0)
        return Result(p.returncode, out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace"))


def run(args, timeout=180, cwd=SOURCE, env=None):
    """Runs the Windows program to completion."""
    return _run([LOADER, EXE] + list(args), timeout, cwd, env or globals()["env"]())


def start(args, cwd=SOURCE, env=None, out=None):
    """Starts the Windows program with its output into the open file out (or nowhere);
    the caller waits for it."""
    target = out if out is not None else subprocess.DEVNULL
    return subprocess.Popen([LOADER, EXE] + list(args), stdout=target, stderr=target,
                            stdin=subprocess.DEVNULL, cwd=cwd, env=env or globals()["env"]())


def run_wine(program_args, timeout=120, cwd=SOURCE, env=None):
    """Runs any Windows program (cmd.exe, taskkill.exe, a .bat through cmd.exe...)."""
    return _run([LOADER] + list(program_args), timeout, cwd, env or globals()["env"]())


def park_pointer():
    """Puts the X pointer in the display's corner, outside every window, so that no
    widget of a window under test is hovered by where an earlier test left it."""
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=env(), check=True)


def windows(name, shown=True):
    """The X windows whose name matches the pattern name: the shown ones, or all."""
    return subprocess.run(["xdotool", "search"] + ["--onlyvisible"] * shown + ["--name", name], env=env(),
                          capture_output=True, text=True).stdout.split()


def wait_for_window(test, name, deadline):
    """The newest window matching name, once there is one before the monotonic deadline."""
    while True:
        found = windows(name)
        if found:
            return found[-1]
        test.assertLess(time.monotonic(), deadline, "no window " + name)
        time.sleep(0.2)


def focus(test, window, deadline):
    """Gives window the X focus, as a window manager would; a window that is only just
    being shown refuses it for a moment."""
    while subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env(),
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
        test.assertLess(time.monotonic(), deadline, "window %s took no focus" % window)
        time.sleep(0.2)


def desktop():
    """The prefix's desktop folder: the root of the folder dialog's tree."""
    return [d for d in glob.glob(drive_c("users", "*", "Desktop")) if "/Public/" not in d][0]


def base_args(root=SOURCE):
    """--root and --python as the Windows program gets them: Windows paths, and the
    python.exe that runs the Linux interpreter for it."""
    return ["--root", winpath(root), "--python", winpath(WIN_PYTHON)]


def private_home(test):
    """A home of its own for the stand-in (its store, shortcuts and menu entries)."""
    home = tempfile.mkdtemp(prefix="wine-home-")
    test.addCleanup(shutil.rmtree, home, True)
    return {"HOME": home, "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CONFIG_HOME": os.path.join(home, ".config"), "XDG_DESKTOP_DIR": os.path.join(home, "Desktop")}
