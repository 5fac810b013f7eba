"""The monospaced font under Wine: C:\\Windows\\Fonts\\consola.ttf when it is there, and
Roboto Medium when it is not, as in a fresh prefix. The install command of the
missing-tools view is drawn in that font, so its letters show which font was used. And a
folder name in Chinese: drawn with the CJK font the system's font links name, once the
Fonts folder holds it. And the window in Arabic: mirrored, its letters joined from the
system's UI font."""

import os
import shutil
import tempfile
import unittest

import wine
from wine import harness

COMMAND_TEXT = (219, 230, 179)
CONSOLAS = wine.drive_c("windows", "Fonts", "consola.ttf")
ROBOTO = os.path.join(wine.SOURCE, "runtime", "ui", "fonts", "Roboto-Medium.ttf")
DEJAVU_MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
# A CJK font in the place of SimSun, which Wine's font link chains for Tahoma and
# Microsoft Sans Serif name, as Windows' do.
SIMSUN = wine.drive_c("windows", "Fonts", "simsun.ttc")
# A font with Arabic letters in the place of Segoe UI, the first face the window falls back on.
SEGOE = wine.drive_c("windows", "Fonts", "segoeui.ttf")
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
WQY = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"


class MonospacedFont(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.ensure_prefix()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="wine-font-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def command_letters(self, consolas=None):
        """Puts consolas (a font file, or nothing) in place of Consolas, shows the
        missing-tools view, and returns the pixels of the command's letters as a set."""
        if consolas:
            os.makedirs(os.path.dirname(CONSOLAS), exist_ok=True)
            shutil.copyfile(consolas, CONSOLAS)
            self.addCleanup(lambda: os.path.exists(CONSOLAS) and os.remove(CONSOLAS))
        wine.park_pointer()
        shot = os.path.join(self.dir, "tools-%s.png" % os.path.basename(consolas or "none"))
        e = wine.env(TARNWELL_STANDIN_MISSING="cmake", TARNWELL_STANDIN_TOOLS="",
                     TARNWELL_STANDIN_INSTALL_COMMAND="sudo apt-get install cmake ninja-build g++ git",
                     **wine.private_home(self))
        r = wine.run(wine.base_args() + ["--size", "1620x1080", "--game", "g", "--dest", "d", "--autobuild",
                                         "--shot", wine.winpath(shot), "--shot-at", "6"], env=e)
        self.assertEqual(r.returncode, 0, r.stderr)
        img = harness.read_png(shot)
        letters = {(x, y) for y in range(0, 1080) for x in range(960, 1620)
                   if all(abs(a - b) <= 14 for a, b in zip(img.pixel(x, y)[:3], COMMAND_TEXT))}
        self.assertGreater(len(letters), 100, "no install command in %s" % shot)
        return letters

    def test_without_consolas_the_log_font_is_roboto_medium(self):
        self.assertFalse(os.path.exists(CONSOLAS), "a fresh prefix has no Consolas")
        fallback = self.command_letters()
        roboto = self.command_letters(consolas=ROBOTO)
        os.remove(CONSOLAS)
        mono = self.command_letters(consolas=DEJAVU_MONO)
        # The same letters as with Roboto Medium in Consolas' place...
        self.assertEqual(fallback, roboto)
        # ...and the file is really read when it is there: another font, other letters.
        self.assertNotEqual(fallback, mono)
        width = lambda px: max(x for x, _ in px) - min(x for x, _ in px)
        self.assertGreater(abs(width(mono) - width(fallback)), 20, (width(mono), width(fallback)))


    def name_shapes(self, name):
        """The install field with a folder of that name: the shapes of ink of the name's
        four characters, one per run of inked columns, the last four in the field."""
        dest = os.path.join(self.dir, name)
        os.makedirs(dest)
        shot = os.path.join(self.dir, "field.png")
        wine.park_pointer()
        r = wine.run(wine.base_args() + ["--size", "1620x1080", "--dest", wine.winpath(dest),
                                         "--shot", wine.winpath(shot), "--shot-at", "4"],
                     env=wine.env(**wine.private_home(self)))
        self.assertEqual(r.returncode, 0, r.stderr)
        img = harness.read_png(shot)
        ink = {(x, y) for y in range(513, 561) for x in range(1016, 1400) if sum(img.pixel(x, y)[:3]) > 450}
        columns = sorted({x for x, _ in ink})
        shapes, start = [], None
        for i, x in enumerate(columns):
            start = x if start is None else start
            if i + 1 == len(columns) or columns[i + 1] != x + 1:
                shapes.append(frozenset((px - start, py) for px, py in ink if start <= px <= x))
                start = None
        self.assertGreater(len(shapes), 4, shot)
        return shapes[-4:]

    def test_a_cjk_folder_name_is_drawn_with_the_linked_cjk_font(self):
        self.assertFalse(os.path.exists(SIMSUN), "a fresh prefix has no CJK font")
        marks = self.name_shapes("\ufffd" * 4)
        name = "\u904a\u6232\u8cc7\u6599"
        # Without a font for them: the same four replacement marks.
        self.assertEqual(self.name_shapes(name), marks)
        shutil.copyfile(WQY, SIMSUN)
        self.addCleanup(lambda: os.path.exists(SIMSUN) and os.remove(SIMSUN))
        shutil.rmtree(os.path.join(self.dir, name))
        # With it: four characters of their own, none of them the mark.
        shapes = self.name_shapes(name)
        self.assertTrue(all(shape != mark for shape, mark in zip(shapes, marks)))
        self.assertEqual(len(set(shapes)), 4)

    def arabic_window(self, name):
        """The form in Arabic at 1620 x 1080: its picture. The backend speaks Arabic too:
        the quality level's description it sends is not the English one."""
        shot = os.path.join(self.dir, name + ".png")
        notes = os.path.join(self.dir, name + ".tsv")
        wine.park_pointer()
        r = wine.run(wine.base_args() + ["--size", "1620x1080", "--lang", "ar", "--shot", wine.winpath(shot),
                                         "--shot-at", "5"],
                     env=wine.env(TARNWELL_LAYOUT=wine.winpath(notes), **wine.private_home(self)))
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(notes, encoding="utf-8") as f:
            texts = f.read()
        self.assertIn("\u0627", texts)  # alef: the window's own texts
        self.assertNotIn("Simpler shadows", texts)
        return harness.read_png(shot)

    def test_the_arabic_window_is_mirrored_and_joined_from_the_system_font(self):
        self.assertFalse(os.path.exists(SEGOE), "a fresh prefix has no Segoe UI")
        # The title's off-white, in the rows it stands on.
        title = (245, 235, 214)
        ink = lambda img, x0, x1: sum(1 for y in range(100, 200, 2) for x in range(x0, x1, 2)
                                      if all(abs(a - b) <= 20 for a, b in zip(img.pixel(x, y)[:3], title)))
        without = self.arabic_window("without-font")
        shutil.copyfile(DEJAVU, SEGOE)
        self.addCleanup(lambda: os.path.exists(SEGOE) and os.remove(SEGOE))
        joined = self.arabic_window("with-font")
        # The column stands on the left: its text is there, the right half holds the backdrop.
        self.assertGreater(ink(joined, 80, 640), 200)
        self.assertEqual(ink(joined, 980, 1620), 0)
        # The letters come from the font: the column reads otherwise than with marks only.
        differ = sum(1 for y in range(150, 1000, 2) for x in range(80, 640, 2)
                     if joined.pixel(x, y)[:3] != without.pixel(x, y)[:3])
        self.assertGreater(differ, 2000)


if __name__ == "__main__":
    unittest.main()
