"""The Windows executable itself: a GUI program with the one manifest it needs and no
runtime DLLs beside SDL3's, whose messages still reach the caller's pipes, and whose
screenshot under Wine shows what the Linux build shows; and the text libraries it
carries, at work under Wine."""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

import wine
from wine import harness

RT_MANIFEST = 24
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


class PeFile:
    """Just enough of a PE32+ file: its subsystem, imported DLLs and resources."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s is not a PE file" % path)
        sections, opt_size = struct.unpack_from("<H12xH", d, pe + 6)
        opt = pe + 24
        self.magic, = struct.unpack_from("<H", d, opt)
        self.subsystem, = struct.unpack_from("<H", d, opt + 68)
        dirs = opt + 112  # PE32+: the data directories follow 112 bytes of fields
        self.imports_rva, = struct.unpack_from("<I", d, dirs + 8)
        self.resources_rva, = struct.unpack_from("<I", d, dirs + 16)
        self.sections = []
        for i in range(sections):
            s = opt + opt_size + 40 * i
            vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", d, s + 8)
            self.sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError("address %#x is in no section" % rva)

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def imported_dlls(self):
        names, o = [], self.offset(self.imports_rva)
        while True:
            name_rva = struct.unpack_from("<I", self.data, o + 12)[0]
            if name_rva == 0:
                return names
            names.append(self.cstring(name_rva))
            o += 20

    def resources(self, kind):
        """[(id, bytes)] of the resources of one type, every language."""
        base = self.offset(self.resources_rva)

        def entries(o):
            named, ids = struct.unpack_from("<HH", self.data, o + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, o + 16 + 8 * i)
                yield ident, target

        found = []
        for ident, target in entries(base):
            if ident != kind:
                continue
            for name, sub in entries(base + (target & 0x7FFFFFFF)):
                for _, leaf in entries(base + (sub & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    o = self.offset(rva)
                    found.append((name, self.data[o:o + size]))
        return found


class Executable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = PeFile(wine.EXE)

    def test_is_a_64_bit_gui_program(self):
        self.assertEqual(self.pe.magic, 0x20B)  # PE32+
        self.assertEqual(self.pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)

    def test_needs_no_dll_but_sdl3_and_the_system_s(self):
        dlls = {name.lower() for name in self.pe.imported_dlls()}
        self.assertIn("sdl3.dll", dlls)
        for name in dlls:
            self.assertFalse(re.match(r"lib(stdc\+\+|gcc|winpthread)", name), name)

    def test_manifest_asks_for_as_invoker_and_nothing_else(self):
        manifests = self.pe.resources(RT_MANIFEST)
        self.assertEqual([ident for ident, _ in manifests], [1])  # CREATEPROCESS_MANIFEST_RESOURCE_ID
        root = ET.fromstring(manifests[0][1])
        tags = [re.sub(r"^\{.*\}", "", e.tag) for e in root.iter()]
        self.assertEqual(tags, ["assembly", "trustInfo", "security", "requestedPrivileges",
                                "requestedExecutionLevel"])
        level = [e for e in root.iter() if e.tag.endswith("requestedExecutionLevel")][0]
        self.assertEqual(level.attrib, {"level": "asInvoker"})


class UnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wine-shot-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def test_no_arguments_print_the_usage_line_to_the_callers_pipe_and_exit_2(self):
        r = wine.run([])
        self.assertEqual(r.returncode, 2)
        self.assertEqual(r.stderr, wine.USAGE)  # byte for byte: "\n", no "\r\n"
        self.assertEqual(r.stdout, "")

    def test_every_line_of_a_flood_through_a_windows_pipe_arrives_once_and_whole(self):
        # 100,000 short lines in big writes, a line split across two writes with a pause
        # between them, odd bytes, a 3 MB line, and an unfinished last one that is dropped.
        script = os.path.join(self.dir, "flood.py")
        with open(script, "w") as f:
            f.write("import sys, time\n"
                    "out = sys.stdout.buffer\n"
                    "lines = b''.join(b'line %d of the flood\\n' % i for i in range(100000))\n"
                    "for i in range(0, len(lines), 1 << 16): out.write(lines[i:i + (1 << 16)]); out.flush()\n"
                    "out.write(b'hel'); out.flush(); time.sleep(0.3)\n"
                    "out.write(b'lo\\n\\r\\n\\xff\\x00\\xc3\\xa9\\n' + b'x' * 3000000 + b'\\nafter\\nunfinished')\n")
        got = os.path.join(self.dir, "lines")
        r = wine.run_wine([os.environ["TARNWELL_PROC_CHECK"], wine.winpath(got), wine.winpath(wine.WIN_PYTHON),
                           script])  # the Linux interpreter takes a Linux path
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(got, "rb") as f:
            lines = f.read().split(b"\n")[:-1]
        self.assertEqual(len(lines), 100005)
        self.assertEqual(lines[:100000], [b"line %d of the flood" % i for i in range(100000)])
        self.assertEqual(lines[100000:100003], [b"hello", b"\r", b"\xff\x00\xc3\xa9"])
        self.assertTrue(lines[100003] == b"x" * 3000000, "the long line is not whole")
        self.assertEqual(lines[100004], b"after")

    def test_a_zero_length_write_or_a_chatty_child_does_not_stop_the_reading(self):
        # A zero-length write reads as zero bytes: the pipe goes on, and 64 KiB after it
        # arrive (a reader that stopped there leaves the backend blocked in a 4 KiB pipe).
        got = os.path.join(self.dir, "zero")
        r = wine.run_wine([os.environ["TARNWELL_PROC_CHECK"], wine.winpath(got), os.environ["TARNWELL_PIPE_CHILD"],
                           "zero"], timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(got, "rb") as f:
            lines = f.read().split(b"\n")[:-1]
        self.assertEqual(lines[0], b"line 00000 after a zero-length write")
        self.assertEqual(lines[-1], b"last")
        self.assertEqual(len(lines), 65536 // 37 + 2)
        # A child that holds the output and writes every 5 ms for 30 s: the run ends soon
        # after the backend, with its line, not when the child lets go of the pipe.
        got = os.path.join(self.dir, "chatty")
        began = time.monotonic()
        r = wine.run_wine([os.environ["TARNWELL_PROC_CHECK"], wine.winpath(got), os.environ["TARNWELL_PIPE_CHILD"],
                           "chatty"], timeout=120)
        took = time.monotonic() - began
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(got, "rb") as f:
            self.assertIn(b"backend done", f.read().split(b"\n"))
        self.assertLess(took, 15, "the run waited for the child")

    def test_a_cancelled_run_lasts_as_long_as_a_process_it_started_until_its_tree_is_ended(self):
        # SDL ends only the backend; a child of it (a package manager) that goes on for
        # three seconds keeps the cancelled run going until it ends.
        got = os.path.join(self.dir, "tree")
        began = time.monotonic()
        r = wine.run_wine([os.environ["TARNWELL_PROC_CHECK"], "--cancel", wine.winpath(got),
                           os.environ["TARNWELL_PIPE_CHILD"], "tree"], timeout=120)
        took = time.monotonic() - began
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertGreater(took, 2.5, "the run ended with the backend, its child still at work")
        self.assertLess(took, 60)
        # Once a cancelled job's time is up its whole tree is ended: a child set to work
        # for a minute ends with the backend, and so does the run.
        began = time.monotonic()
        r = wine.run_wine([os.environ["TARNWELL_PROC_CHECK"], "--end", wine.winpath(got),
                           os.environ["TARNWELL_PIPE_CHILD"], "tree", "60"], timeout=120)
        took = time.monotonic() - began
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(got, "rb") as f:
            self.assertEqual(f.read(), b"backend done\n")
        self.assertLess(took, 30, "the child outlived the end of the tree")

    def test_going_up_stops_at_a_drive_or_a_share(self):
        paths = ["C:\\Games\\Tarnwell", "C:\\Games", "C:\\", "\\\\server\\share\\games\\hl",
                 "\\\\server\\share\\games", "\\\\server\\share", "\\\\server\\share\\"]
        r = wine.run_wine([os.environ["TARNWELL_PATH_CHECK"]] + paths, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.replace("\r", "").split("\n")[:-1],
                         ["C:\\Games", "C:\\", "(places)", "\\\\server\\share\\games",
                          "\\\\server\\share\\", "(places)", "(places)"])

    def test_a_windows_reason_comes_in_the_language_of_the_window(self):
        # A folder that is not there, listed as the browser lists it: Windows' reason in
        # German words, not Windows' English ones.
        missing = wine.winpath(os.path.join(tempfile.mkdtemp(prefix="wine-gone-"), "gone"))
        r = wine.run_wine([os.environ["TARNWELL_PATH_CHECK"], "--list", "de", wine.winpath(wine.SOURCE), missing],
                          timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.replace("\r", ""), "es existiert nicht\n")

    def test_shot_reaches_stdout_and_shows_what_the_linux_build_shows(self):
        # The stand-in answers late, so both shots show the form while the PC is checked.
        e = wine.env(TARNWELL_STANDIN_INFO_DELAY=8, **wine.private_home(self))
        args = ["--size", "1620x1080", "--shot-at", "0.5", "--shot"]
        wine.park_pointer()
        path = os.path.join(self.dir, "windows.png")
        r = wine.run(wine.base_args() + args + [wine.winpath(path)], env=e)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "shot: %s\n" % wine.winpath(path))
        got = harness.read_png(path)
        self.assertEqual((got.width, got.height), (1620, 1080))

        self.assertTrue(os.access(wine.LINUX_BIN, os.X_OK), "the Linux build is needed as the reference")
        reference = os.path.join(self.dir, "linux.png")
        r = subprocess.run([wine.LINUX_BIN, "--root", wine.SOURCE, "--python", shutil.which("python3")]
                           + args + [reference], capture_output=True, text=True, timeout=120,
                           cwd=wine.SOURCE, env=e)
        self.assertEqual(r.returncode, 0, r.stderr)
        want = harness.read_png(reference)

        # The column, tile by tile: the title, the fields, the button, the status line.
        for y in range(0, 1080, 60):
            for x in range(960, 1620, 60):
                a = harness.average(got, x, y, x + 60, y + 60, step=2)
                b = harness.average(want, x, y, x + 60, y + 60, step=2)
                for k in range(3):
                    self.assertAlmostEqual(a[k], b[k], delta=4, msg="tile at %d,%d: %s vs %s" % (x, y, a, b))
        # The whole window, backdrop included, on average.
        a = harness.average(got, 0, 0, 1620, 1080, step=3)
        b = harness.average(want, 0, 0, 1620, 1080, step=3)
        for k in range(3):
            self.assertAlmostEqual(a[k], b[k], delta=2)
        # Not two empty pictures: the title "Tarnwell" stands in warm white.
        lit = sum(1 for y in range(100, 180, 2) for x in range(990, 1300, 2)
                  if min(got.pixel(x, y)[:3]) > 200)
        self.assertGreater(lit, 300)


class TextLibraries(unittest.TestCase):
    """The Windows builds of libthai, HarfBuzz and FreeType, run by text_check.exe beside
    the program's DLLs and Thai's dictionary, against what Linux's own give."""

    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wine-text-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.check = os.environ.get("TARNWELL_TEXT_CHECK") or os.path.join(wine.BUILD, "text_check.exe")

    def test_thai_breaks_between_words_with_the_dictionary_beside_the_program_only(self):
        # "Thai is written without spaces between its words": its nine words end at these
        # code points, as Linux's libthai with Debian's dictionary finds them.
        words = "4 7 12 15 18 21 24 28"
        build = os.path.dirname(self.check)
        r = wine.run_wine([self.check, "thai"], cwd=self.dir)
        self.assertEqual(r.stdout.replace("\r", ""), "%s\n%s\n" % (wine.winpath(build) + "\\thbrk.tri", words))
        # A folder in Thai letters, which the code page cannot hold: reached by its short
        # name. A folder without the dictionary: none, and no breaker either (libthai has
        # no folder of its own on Windows).
        for folder, dictionary, want in (("ทดสอบ", True, words), ("bare", False, "(no breaker)")):
            with self.subTest(folder=folder):
                target = os.path.join(self.dir, folder)
                os.mkdir(target)
                names = ["text_check.exe", "SDL3.dll", "libthai-0.dll", "libdatrie-1.dll"]
                for name in names + ["thbrk.tri"] * dictionary:
                    shutil.copy(os.path.join(build, name), target)
                r = wine.run_wine([os.path.join(target, "text_check.exe"), "thai"], cwd=self.dir)
                path, breaks = r.stdout.replace("\r", "").split("\n")[:2]
                self.assertEqual(breaks, want, r.stderr)
                if dictionary:
                    self.assertTrue(path.isascii() and path.endswith("\\thbrk.tri"), path)
                else:
                    self.assertEqual(path, "(none)")

    def test_harfbuzz_shapes_as_hb_shape_does(self):
        # Thai marks stacked, Arabic's lam-alef ligature, a Devanagari conjunct.
        cases = [("/usr/share/fonts/truetype/tlwg/Garuda.ttf", "ที่นี่"),
                 ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "لا سلام"),
                 ("/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf", "क्षत्रिय")]
        args, want = [], []
        for i, (font, text) in enumerate(cases):
            path = os.path.join(self.dir, "%d.txt" % i)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            args += [wine.winpath(font), wine.winpath(path)]
            want.append(subprocess.run(["hb-shape", "--no-glyph-names", "--utf8-clusters", font, "--text-file", path],
                                       capture_output=True, text=True, check=True).stdout.strip())
        r = wine.run_wine([self.check, "shape"] + args)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.replace("\r", "").splitlines(), want)
        self.assertIn("|", want[0])  # several glyphs, not an empty run

    def test_freetype_draws_a_font_and_refuses_a_truncated_copy(self):
        roboto = os.path.join(wine.SOURCE, "runtime", "ui", "fonts", "Roboto-Medium.ttf")
        with open(roboto, "rb") as f:
            data = f.read()
        cut = os.path.join(self.dir, "cut.ttf")
        with open(cut, "wb") as f:
            f.write(data[:len(data) // 3])
        r = wine.run_wine([self.check, "load", wine.winpath(roboto), wine.winpath(cut)])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertRegex(r.stdout.replace("\r", ""), r"^drawn [1-9][0-9]*\nrefused\n$")


if __name__ == "__main__":
    unittest.main()
