"""Start-up and shutdown of the real binary: the command line, the window size and the
screenshot, and ending politely on SIGTERM."""

import os
import shutil
import signal
import tempfile
import time
import unittest

import harness

DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
USAGE = "usage: tarnwell-setup --root DIR --python EXE (started by ./setup.sh)\n"


class CommandLine(unittest.TestCase):
    def test_no_arguments_print_the_usage_line_and_exit_2_without_a_window(self):
        # No display at all: the usage must come before anything touches SDL.
        e = harness.env()
        e.pop("DISPLAY")
        r = harness.run([], env=e)
        self.assertEqual(r.returncode, 2)
        self.assertEqual(r.stderr, USAGE)
        self.assertEqual(r.stdout, "")

    def test_root_as_last_argument_is_empty_and_refused(self):
        r = harness.run(["--root", "x", "--python", "python3", "--root"])
        self.assertEqual((r.returncode, r.stderr), (2, USAGE))

    def test_root_swallows_python(self):
        r = harness.run(["--root", "--python", "python3"])
        self.assertEqual((r.returncode, r.stderr), (2, USAGE))

    def test_no_display_is_reported_as_an_sdl_failure(self):
        e = harness.env(DISPLAY=":4711", WAYLAND_DISPLAY="none-here")
        r = harness.run(harness.base_args() + ["--shot", "/dev/null"], env=e)
        self.assertEqual(r.returncode, 1)
        self.assertRegex(r.stderr, r"(?m)^SDL: .+$")


class Screenshot(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="shot-")

    def test_shot_writes_a_png_of_the_requested_size_and_exits_0(self):
        path = os.path.join(self.dir, "window.png")
        started = time.monotonic()
        r = harness.run(harness.base_args() + ["--size", "1620x1080", "--shot", path, "--shot-at", "0.5"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "shot: %s\n" % path)
        img = harness.read_png(path)
        self.assertEqual((img.width, img.height), (1620, 1080))
        self.assertGreater(time.monotonic() - started, 0.5)

    def test_minimum_size_applies_to_a_smaller_request(self):
        path = os.path.join(self.dir, "small.png")
        r = harness.run(harness.base_args() + ["--size", "800x600", "--shot", path, "--shot-at", "0.5"])
        self.assertEqual(r.returncode, 0, r.stderr)
        img = harness.read_png(path)
        self.assertEqual((img.width, img.height), (960, 600))

    def test_shot_into_a_missing_folder_reports_sdl_reason_and_exits_0(self):
        path = os.path.join(self.dir, "no", "such", "folder", "x.png")
        r = harness.run(harness.base_args() + ["--size", "1280x720", "--shot", path, "--shot-at", "0"])
        self.assertEqual(r.returncode, 0)
        self.assertEqual(r.stdout, "")
        self.assertRegex(r.stderr, r"(?m)^shot failed: .*x\.png.*$")
        self.assertFalse(os.path.exists(path))


class DamagedFont(unittest.TestCase):
    """A copy of DejaVu Sans cut short by its last kilobyte: fontconfig still indexes it from
    its intact start and offers it first for Hebrew. The window passes it over for the next
    face that has the letters, so a Hebrew folder name is drawn in letters, not marks."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="font-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def field(self, name):
        fonts = os.path.join(self.dir, "fonts")
        os.makedirs(fonts, exist_ok=True)
        with open(DEJAVU, "rb") as f:
            whole = f.read()
        with open(os.path.join(fonts, "cut.ttf"), "wb") as f:
            f.write(whole[:-1000])
        conf = os.path.join(self.dir, "fonts.conf")
        with open(conf, "w") as f:
            f.write('<?xml version="1.0"?><fontconfig><dir>%s</dir><dir>/usr/share/fonts</dir>'
                    '<cachedir>%s</cachedir><include ignore_missing="yes">/etc/fonts/conf.d</include>'
                    '</fontconfig>' % (fonts, os.path.join(self.dir, "cache")))
        dest = os.path.join(self.dir, name)
        os.makedirs(dest, exist_ok=True)
        shot = os.path.join(self.dir, "shot.png")
        r = harness.run(harness.base_args() + ["--size", "1620x1080", "--dest", dest, "--shot", shot,
                                               "--shot-at", "1.5"], env=harness.env(FONTCONFIG_FILE=conf))
        self.assertEqual(r.returncode, 0, r.stderr)
        img = harness.read_png(shot)
        return [img.pixel(x, y)[:3] for y in range(500, 580) for x in range(990, 1540)]

    @unittest.skipUnless(os.path.exists(DEJAVU), "DejaVu Sans is not installed")
    def test_a_truncated_font_found_first_is_passed_over_for_the_next(self):
        marks = self.field("\ufffd" * 8)
        letters = self.field("\u05e9\u05dc\u05d5\u05dd\u05e2\u05d5\u05dc\u05dd")
        self.assertGreater(sum(1 for a, b in zip(marks, letters) if a != b), 300)


class Shutdown(unittest.TestCase):
    def test_sigterm_during_the_loop_ends_like_closing_the_window(self):
        p = harness.start(harness.base_args() + ["--size", "1280x720"])
        time.sleep(1.5)
        self.assertIsNone(p.poll(), "the window closed by itself")
        p.send_signal(signal.SIGTERM)
        out, err = p.communicate(timeout=20)
        self.assertEqual(p.returncode, 0, err)


if __name__ == "__main__":
    unittest.main()
