"""The look of the running program: screenshots of the real window at two sizes, read
back and probed where the backdrop's layers must show (the dark panel on the right,
the warm haze around the centre, the emblem at its place), and a root without the
icon and the font file, which shows the fallback disc and still draws."""

import math
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import harness

ICON = os.path.join(harness.SOURCE, "assets", "icon.png")

# Points of the emblem picture (512 x 512) in flat, opaque regions: the dark field, the
# gold rim, the lantern's body.
EMBLEM_PROBES = [(120, 256), (256, 100), (150, 400), (12, 256), (500, 256), (256, 12),
                 (200, 250), (256, 370)]


class Geometry:
    """Where the backdrop puts things in a W x H window."""

    def __init__(self, W, H):
        self.W, self.H = W, H
        self.U = W / 1620.0 if W / H < 1.5 else H / 1080.0
        self.C = (0.305 * W, 0.52 * H)
        self.S = 330 * self.U
        # The emblem bobs 6 x U up and down around 8 x U above the centre.
        self.E0 = (self.C[0], self.C[1] - 8 * self.U)
        self.bob = 6 * self.U


def channel_gap(a, b):
    return max(abs(int(x) - int(y)) for x, y in zip(a[:3], b[:3]))


def emblem_fit(shot, geo, picture):
    """The best agreement of the emblem probes with the screenshot over the possible bob:
    (number of probes within 32 of the picture, offset)."""
    best = (-1, None)
    reach = int(math.ceil(geo.bob)) + 2
    for dy in range(-reach, reach + 1):
        good = 0
        for u, v in EMBLEM_PROBES:
            x = geo.E0[0] + (u / 512.0 - 0.5) * geo.S
            y = geo.E0[1] + dy + (v / 512.0 - 0.5) * geo.S
            good += channel_gap(shot.pixel(x, y), picture.pixel(u, v)) <= 32
        best = max(best, (good, dy))
    return best


class Look(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="look-")
        # A backend that stays quiet for the whole run, so the view and the glow stay as
        # they are at start.
        quiet = harness.write_script(cls.dir, "quiet.py", "import time\ntime.sleep(4)\n")
        cls.backend = ["--backend", "%s %s" % (harness.PYTHON, quiet)]
        cls.picture = harness.read_png(ICON)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def shoot(self, name, size, root=harness.SOURCE, extra=()):
        path = os.path.join(self.dir, name)
        r = harness.run(["--root", root, "--python", harness.PYTHON] + self.backend +
                        ["--size", size, "--shot", path, "--shot-at", "1"] + list(extra))
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, "shot: %s\n" % path)
        self.assertNotIn("Assert", r.stderr)
        self.assertNotIn("imgui-error", r.stdout + r.stderr)
        shot = harness.read_png(path)
        w, h = map(int, size.split("x"))
        self.assertEqual((shot.width, shot.height), (w, h))
        return shot, Geometry(w, h)

    def check_layers(self, shot, geo):
        W, H = geo.W, geo.H
        # The dark panel: the strip right of the column's content, away from the top and
        # bottom bands, is nearly black and still warm.
        panel = harness.average(shot, 0.955 * W, 0.35 * H, 0.995 * W, 0.65 * H)
        self.assertLess(max(panel), 30, panel)
        self.assertGreaterEqual(panel[0], panel[2], panel)
        # The haze: left of the emblem, among the step rings, warm (red over green over
        # blue) and far brighter than the panel and than the shaded left edge.
        cx, cy = geo.C
        haze = harness.average(shot, cx - 300 * geo.U, cy - 40 * geo.U, cx - 220 * geo.U, cy + 40 * geo.U, 2)
        self.assertGreater(haze[0], haze[1], haze)
        self.assertGreater(haze[1], haze[2], haze)
        self.assertGreater(haze[0], 2.5 * max(panel[0], 4), (haze, panel))
        edge = harness.average(shot, 0, cy - 40 * geo.U, 0.03 * W, cy + 40 * geo.U, 2)
        self.assertGreater(haze[0], edge[0] + 15, (haze, edge))
        # The top band darkens the top row of pixels against the middle.
        top = harness.average(shot, 0.1 * W, 0, 0.5 * W, 4, 2)
        mid = harness.average(shot, 0.1 * W, 0.5 * H - 2, 0.5 * W, 0.5 * H + 2, 2)
        self.assertLess(top[0], mid[0], (top, mid))

    def field_glyphs(self, folder_name):
        """The install field showing a folder of that name: the shapes of ink, one per
        run of inked columns, as (first column, width, set of inked pixels); the name's
        glyphs are the last ones."""
        dest = os.path.join(self.dir, "names", folder_name)
        os.makedirs(dest, exist_ok=True)
        shot, geo = self.shoot("name.png", "1620x1080", extra=["--dest", dest])
        x0, x1 = int(0.615 * geo.W + 20), int(0.615 * geo.W + 0.335 * geo.W - 120)
        y0, y1 = int(0.475 * geo.H), int(0.52 * geo.H)
        ink = {(x, y) for y in range(y0, y1) for x in range(x0, x1) if sum(shot.pixel(x, y)[:3]) > 450}
        columns = sorted({x for x, _ in ink})
        glyphs, start = [], None
        for i, x in enumerate(columns):
            start = x if start is None else start
            if i + 1 == len(columns) or columns[i + 1] != x + 1:
                glyphs.append((start, x + 1 - start, {(px - start, py) for px, py in ink if start <= px <= x}))
                start = None
        return glyphs

    def test_folder_names_in_other_scripts_draw_with_real_glyphs(self):
        # Four characters each, against four replacement characters drawn where a font
        # has no glyph; the path before the name is the same in every shot.
        marks = self.field_glyphs("\ufffd" * 4)
        prefix = len(marks) - 4
        names = {"ja": "\u30b2\u30fc\u30e0\u30ba", "ko": "\uac8c\uc784\ud3f4\ub354",
                 "ko2": "\uc800\uc7a5\ud3f4\ub354", "th": "\u0e01\u0e02\u0e04\u0e07",
                 "zh": "\u904a\u6232\u8cc7\u6599"}
        seen = {}
        for key, name in names.items():
            glyphs = self.field_glyphs(name)
            self.assertGreaterEqual(len(glyphs), prefix + 1, key)
            shapes = [g[2] for g in glyphs[prefix:]]
            self.assertTrue(shapes != [g[2] for g in marks[prefix:]], "%s drawn as replacement marks" % key)
            self.assertFalse(any(shape in [g[2] for g in marks[prefix:]] for shape in shapes), key)
            seen[key] = shapes
        self.assertTrue(seen["ko"] != seen["ko2"], "two Korean names drawn alike")
        # Hebrew reads right to left: the narrow yod written first stands last.
        for name, yod_last in (("\u05d9\u05e9\u05e9\u05e9", True), ("\u05e9\u05e9\u05e9\u05d9", False)):
            glyphs = self.field_glyphs(name)[prefix:]
            self.assertEqual(len(glyphs), 4, name)
            narrowest = min(range(4), key=lambda i: glyphs[i][1])
            self.assertEqual(narrowest, 3 if yod_last else 0, [g[1] for g in glyphs])
        # Arabic is joined: four behs make one shape, not four.
        glyphs = self.field_glyphs("\u0628\u0628\u0628\u0628")[prefix:]
        self.assertEqual(len(glyphs), 1, [g[1] for g in glyphs])
        self.assertGreater(glyphs[0][1], 1.5 * max(g[1] for g in marks[prefix:]))

    def test_backdrop_at_the_design_size(self):
        shot, geo = self.shoot("design.png", "1620x1080")
        self.check_layers(shot, geo)
        good, dy = emblem_fit(shot, geo, self.picture)
        self.assertGreaterEqual(good, len(EMBLEM_PROBES) - 1, "emblem not found (best offset %s)" % dy)

    def test_backdrop_at_1440p(self):
        shot, geo = self.shoot("large.png", "2560x1440")
        self.check_layers(shot, geo)
        good, dy = emblem_fit(shot, geo, self.picture)
        self.assertGreaterEqual(good, len(EMBLEM_PROBES) - 1, "emblem not found (best offset %s)" % dy)

    def test_a_live_resize_rescales_the_backdrop_and_rebuilds_the_fonts(self):
        path = os.path.join(self.dir, "resized.png")
        p = harness.start(harness.base_args() + self.backend +
                          ["--size", "1620x1080", "--shot", path, "--shot-at", "3"])
        try:
            window = None
            for _ in range(200):  # up to 20 s: a loaded machine can be slow to map it
                r = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(p.pid)],
                                   capture_output=True, text=True, env=harness.env())
                if r.stdout.split():
                    window = r.stdout.split()[0]
                    break
                if p.poll() is not None and p.stderr.read().startswith("SDL: "):
                    # The display turned the window away, as it now and then does: again.
                    p = harness.start(harness.base_args() + self.backend +
                                      ["--size", "1620x1080", "--shot", path, "--shot-at", "3"])
                time.sleep(0.1)
            self.assertIsNotNone(window, "no window")
            time.sleep(0.5)  # some frames at the first size
            subprocess.run(["xdotool", "windowsize", window, "1280", "720"], check=True, env=harness.env())
            out, err = p.communicate(timeout=30)
        finally:
            if p.poll() is None:
                p.kill()
        self.assertEqual(p.returncode, 0, err)
        self.assertEqual(out, "shot: %s\n" % path)
        shot = harness.read_png(path)
        self.assertEqual((shot.width, shot.height), (1280, 720))
        geo = Geometry(1280, 720)
        self.check_layers(shot, geo)
        good, dy = emblem_fit(shot, geo, self.picture)
        self.assertGreaterEqual(good, len(EMBLEM_PROBES) - 1, "emblem not found (best offset %s)" % dy)

    def test_missing_icon_and_font_show_the_fallback_disc_and_still_draw(self):
        root = os.path.join(self.dir, "bare-root")
        os.makedirs(root, exist_ok=True)
        shot, geo = self.shoot("bare.png", "1620x1080", root)
        self.check_layers(shot, geo)
        good, _ = emblem_fit(shot, geo, self.picture)
        self.assertLessEqual(good, 2)  # no emblem picture
        # The two tilted ellipses: the golden bar across the middle, the brown disc below.
        ex, ey = geo.E0
        bar = shot.pixel(ex, ey)
        self.assertLessEqual(channel_gap(bar, (255, 199, 64)), 24, bar)
        disc = [shot.pixel(ex, ey + dy + 0.2 * geo.S) for dy in (-geo.bob, 0, geo.bob)]
        for px in disc:
            self.assertLessEqual(channel_gap(px, (115, 74, 41)), 24, disc)
        # The screens still draw their text with the built-in font: light pixels in the
        # column.
        W, H = geo.W, geo.H
        light = sum(1 for y in range(int(0.09 * H), int(0.9 * H), 2)
                    for x in range(int(0.615 * W), int(0.95 * W), 2)
                    if min(shot.pixel(x, y)[:3]) > 150)
        self.assertGreater(light, 20)


if __name__ == "__main__":
    unittest.main()
