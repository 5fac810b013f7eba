"""The monospaced font under Wine: C:\\Windows\\Fonts\\consola.ttf when it is there, and
Roboto Medium when it is not, as in a fresh prefix. The install command of the
missing-tools view is drawn in that font, so its letters show which font was used."""

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


if __name__ == "__main__":
    unittest.main()
