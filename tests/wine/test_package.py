"""The Windows folder that scripts/package-windows.sh lays out: everything the program
needs is in it or is a DLL of Windows itself, and its setup.bat starts the program with
--root and --python and the backend package from the folder, from any working folder."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import wine
from wine import harness


def imported_dlls(path):
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", path], capture_output=True, text=True,
                         check=True).stdout
    return [line.split("DLL Name:")[1].strip() for line in out.splitlines() if "DLL Name:" in line]


def catalog_text(po, english):
    """The translation of `english` in the catalog `po`."""
    sys.path.insert(0, os.path.join(wine.SOURCE, "scripts"))
    import catalogs
    return catalogs.read_po(po)[0][english][1][0]


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()
        cls.dist = tempfile.mkdtemp(prefix="wine-dist-")
        subprocess.run([os.path.join(wine.SOURCE, "scripts", "package-windows.sh"), os.path.dirname(wine.EXE),
                        cls.dist], check=True, stdout=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dist, True)

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wine-package-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def test_the_folder_holds_the_program_its_files_and_the_backend(self):
        for name in ("tarnwell-setup.exe", "SDL3.dll", "thbrk.tri", "licenses/libthai.txt", "setup.bat", "assets/icon.png", "locale/ja.po",
                     "locale/zh_TW/LC_MESSAGES/tarnwell.mo",
                     "runtime/ui/fonts/Roboto-Medium.ttf", "setup/__main__.py", "setup/__init__.py"):
            self.assertTrue(os.path.isfile(os.path.join(self.dist, name)), name)
        self.assertFalse(os.path.exists(os.path.join(self.dist, "setup", "gui")))
        with open(os.path.join(self.dist, "setup.bat"), "rb") as f:
            text = f.read()
        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))  # cmd.exe wants CR LF lines

    def test_every_dll_is_in_the_folder_or_part_of_windows(self):
        system = {n.lower() for n in os.listdir(wine.drive_c("windows", "system32"))}
        here = {n.lower() for n in os.listdir(self.dist)}
        for binary in [n for n in os.listdir(self.dist) if n.endswith((".exe", ".dll"))]:
            for dll in imported_dlls(os.path.join(self.dist, binary)):
                self.assertTrue(dll.lower() in here or dll.lower() in system, "%s needs %s" % (binary, dll))

    def test_setup_bat_starts_the_program_with_the_backend_of_the_folder(self):
        argv_log = os.path.join(self.dir, "argv.log")
        shot = os.path.join(self.dir, "shot.png")
        e = wine.env(WINEPATH=wine.winpath(os.path.dirname(wine.WIN_PYTHON)), TARNWELL_STANDIN_ARGV_LOG=argv_log,
                     **wine.private_home(self))
        # From a working folder of the caller's, with a path relative to it.
        r = wine.run_wine(["cmd.exe", "/c", wine.winpath(os.path.join(self.dist, "setup.bat")), "--size",
                           "1280x720", "--shot", "shot.png", "--shot-at", "6"], cwd=self.dir, env=e)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(r.stdout, "shot: shot.png\n")
        self.assertEqual((harness.read_png(shot).width, harness.read_png(shot).height), (1280, 720))
        with open(argv_log) as f:
            runs = [json.loads(line) for line in f]
        self.assertEqual(runs[0]["argv"][0], "--info")
        self.assertEqual(runs[0]["cwd"], self.dir)

    def test_the_users_display_language_is_the_window_s_and_the_backend_s(self):
        # Wine takes the Windows user's display language from the locale LANG names, which
        # must exist: made here, in a folder of the test's own. Czech is chosen as soon as the
        # table has it; its texts are checked once its catalog is in the folder.
        locales = os.path.join(self.dir, "locales")
        os.makedirs(locales)
        for code, locale, texts in (("de", "de_DE", ["Spiel bauen", "Ausgewogen"]), ("cs", "cs_CZ", None)):
            with self.subTest(code):
                subprocess.run(["localedef", "-i", locale, "-f", "UTF-8", os.path.join(locales, locale + ".UTF-8")],
                               check=True, capture_output=True)
                layout, shot = os.path.join(self.dir, code + ".tsv"), os.path.join(self.dir, code + ".png")
                e = wine.env(LOCPATH=locales, LANG=locale + ".UTF-8", LANGUAGE="", LC_ALL="", LC_MESSAGES="",
                             TARNWELL_REPORT_LANGUAGE="1", TARNWELL_LAYOUT=wine.winpath(layout),
                             **wine.private_home(self))
                r = wine.run_wine([os.path.join(self.dist, "tarnwell-setup.exe"), "--root", wine.winpath(self.dist),
                                   "--python", wine.winpath(wine.WIN_PYTHON), "--size", "960x540", "--shot",
                                   wine.winpath(shot), "--shot-at", "6"], cwd=self.dist, env=e, timeout=180)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(r.stdout.splitlines()[0], "language: " + code)
                with open(layout, encoding="utf-8") as f:
                    shown = [line.rstrip("\n").split("\t")[-1] for line in f]
                if texts is None and os.path.exists(os.path.join(self.dist, "locale", code + ".po")):
                    texts = [catalog_text(os.path.join(self.dist, "locale", code + ".po"), "Build the game")]
                for text in texts or []:
                    self.assertIn(text, shown)  # the window's catalog, and the backend's compiled one

    def test_setup_bat_without_python_says_so(self):
        e = wine.env(WINEPATH="")
        r = wine.run_wine(["cmd.exe", "/c", wine.winpath(os.path.join(self.dist, "setup.bat"))], cwd=self.dir, env=e)
        self.assertEqual(r.returncode, 1)
        self.assertIn("setup.bat: Python 3 is needed to run Tarnwell's setup", r.stderr)


if __name__ == "__main__":
    unittest.main()
