"""Every view in the pseudo-language (every text accented, 40 % longer, bracketed) and in
every shipped language at the smallest window: each text the window draws stays within
its box and the column, and none covers another. The window notes where it drew each
text (TARNWELL_LAYOUT). A language chosen once is remembered for the next start."""

import concurrent.futures
import math
import os
import re
import sys
import tempfile
import unittest

import flow
import harness

SIZE = "960x540"
PSEUDO_RTL = "qps_plocm"
# A click on the install field where no dialog can open: the browser, in the install folder.
DEST_FIELD = "%d,%d" % flow.Layout(960, 540).dest_field()
# The views and what brings them up: extra arguments, stand-in variables, when to look.
VIEWS = {
    "form": ([], {}, 3),
    "progress": (["--autobuild"], {"TARNWELL_STANDIN_SECONDS": "120"}, 6),
    "stopped": (["--autobuild"], {"TARNWELL_STANDIN_FAIL": "unpack"}, 7),
    "done": (["--autobuild"], {"TARNWELL_STANDIN_SECONDS": "0.3", "TARNWELL_STANDIN_FREE_GB": "1"}, 8),
    "missing": (["--autobuild"], {"TARNWELL_STANDIN_MISSING": "cmake,ninja-build"}, 5),
    "browser": (["--click", DEST_FIELD], {"SDL_FILE_DIALOG_DRIVER": "none"}, 3),
}


def pseudo_of(english):
    """The start of a text in the pseudo-language, as the window makes it."""
    accents = dict(zip("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
                       "åƀçðéƒĝĥîĵķļɱñöþǫŕšţûṽŵẋýžÅƁÇÐÉƑĜĤÎĴĶĻṀÑÖÞǪŔŠŢÛṼŴẊÝŽ"))
    return "[" + "".join(accents.get(c, c) for c in english)


def notes(path):
    out = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            kind, *numbers, text = line.rstrip("\n").split("\t")
            out.append((kind, [float(n) for n in numbers], text))
    return out


def mirrored_click(args, width):
    """The view's arguments with its scripted click where a right-to-left window has it."""
    out = list(args)
    if "--click" in out:
        i = out.index("--click") + 1
        x, y = (int(v) for v in out[i].split(","))
        out[i] = "%d,%d" % (width - x, y)
    return out


def shot(view, lang, size=SIZE, home=None, **more):
    """Runs the window on `view` in `lang`; returns its notes and the shot's path. In a
    window laid out right to left the view's click is mirrored."""
    args, variables, at = VIEWS[view]
    if more.get("TARNWELL_UI_DIRECTION", "rtl" if lang == PSEUDO_RTL else "ltr") == "rtl":
        args = mirrored_click(args, int(size.split("x")[0]))
    home = home or tempfile.mkdtemp(prefix="lang-")
    game = os.path.join(home, "game")
    for sub in ("exefs", "romfs"):
        os.makedirs(os.path.join(game, sub), exist_ok=True)
    layout, png = os.path.join(home, view + ".tsv"), os.path.join(home, view + ".png")
    e = harness.env(TARNWELL_LAYOUT=layout, XDG_CONFIG_HOME=os.path.join(home, "config"),
                    XDG_DATA_HOME=os.path.join(home, "data"), TARNWELL_STANDIN_GPU="", **variables, **more)
    r = harness.run(harness.base_args() + ["--lang", lang, "--size", size, "--shot", png, "--shot-at",
                                           str(at), "--game", game, "--dest", os.path.join(home, "dest")]
                    + args, env=e, timeout=90, cwd=harness.SOURCE)
    assert r.returncode == 0, r.stderr
    return notes(layout), png


# Words of English sentences that no German text has.
ENGLISH = re.compile(r"\b(the|could|not|denied|such|directory|failed|error|unexpected|reason|given|cannot|"
                     r"permission|asked|here|holds|details|exist)\b", re.I)


def shipped():
    """The languages of the table that have their catalog, English first."""
    sys.path.insert(0, os.path.join(harness.SOURCE, "setup"))
    import languages
    rows = languages.read_table(os.path.join(harness.SOURCE, "locale", "languages.tsv"))
    return [r["code"] for r in rows
            if r["code"] == "en" or os.path.exists(os.path.join(harness.SOURCE, "locale", r["code"] + ".po"))]


class PseudoLanguage(unittest.TestCase):
    def check_fits(self, found, view):
        self.assertGreater(len(found), 5, view)
        for kind, (x0, y0, x1, y1, rx0, ry0, rx1, ry1), text in found:
            with self.subTest(view=view, text=text):
                self.assertTrue(x0 >= rx0 - 1 and x1 <= rx1 + 1 and y0 >= ry0 - 1 and y1 <= ry1 + 1,
                                "%s %r drawn at %s, room %s" % (kind, text, (x0, y0, x1, y1),
                                                              (rx0, ry0, rx1, ry1)))
        for i, (_, a, ta) in enumerate(found):
            for _, b, tb in found[i + 1:]:
                overlap = min(a[2], b[2]) - max(a[0], b[0]) > 1 and min(a[3], b[3]) - max(a[1], b[1]) > 1
                self.assertFalse(overlap, "%s: %r covers %r" % (view, ta, tb))

    def test_every_view_fits(self):
        for view in VIEWS:
            home = tempfile.mkdtemp(prefix="lang-")
            found, _ = shot(view, "qps", home=home)
            # The pseudo-language reached the window's own texts and the backend's.
            self.assertTrue(any(t.startswith("[") and t.endswith("]") for _, _, t in found), view)
            self.check_fits(found, view)
            if view == "done":  # then the form of an installed game: "Play" and "Build again"
                found, _ = shot("form", "qps", home=home)
                self.assertTrue(any(t.startswith(pseudo_of("Build again")) for _, _, t in found))
                self.check_fits(found, "installed")

    def test_every_view_is_mirrored_in_the_right_to_left_pseudo_language(self):
        # The same texts laid out both ways: each box of the mirrored window stands where
        # the left-to-right one's mirror image does (x' = W - x - w). A paragraph whose lines
        # differ keeps its starting edge (left to right, a right-to-left text still wraps in
        # display order); a text that changed between the two runs (a time, a folder's name)
        # one of its edges. A command keeps its own direction in its box. The browser's rows
        # leave room for the box's scrollbar, which stays on its right either way.
        width = int(SIZE.split("x")[0])
        U = flow.Layout(width, int(SIZE.split("x")[1])).U
        for view in VIEWS:
            ltr, _ = shot(view, PSEUDO_RTL, TARNWELL_UI_DIRECTION="ltr")
            rtl, _ = shot(view, PSEUDO_RTL)
            with self.subTest(view=view):
                self.assertTrue(any("\u05d0" <= c <= "\u05ea" for _, _, t in rtl for c in t), view)
                self.check_fits(rtl, view + " mirrored")
                self.assertEqual([k for k, _, _ in ltr], [k for k, _, _ in rtl])
            for (kind, a, text), (_, b, other) in zip(ltr, rtl):
                start, end = abs(b[2] - (width - a[0])), abs(b[0] - (width - a[2]))
                if kind == "command":
                    start = end = abs(b[0] - a[0] + (a[4] - b[4]))  # where it stands in its box
                if kind == "row":
                    scrollbar = max(4, math.ceil(6 * U)) + 6 * U
                    start, end = abs(start - scrollbar), abs(end - scrollbar)
                with self.subTest(view=view, kind=kind, text=text):
                    message = "%s: %s left to right, %s mirrored" % (kind, a[:4], b[:4])
                    if text != other:
                        self.assertLessEqual(min(start, end), 2, message)
                    elif abs((a[2] - a[0]) - (b[2] - b[0])) > 2:
                        self.assertLessEqual(start, 2, message)
                    else:
                        self.assertLessEqual(max(start, end), 2, message)

    def test_every_view_fits_in_every_language(self):
        # A window covered by another draws nothing, so the languages are shared out among
        # displays of their own, one window at a time on each.
        displays = [harness.private_display(self) for _ in range(3)]
        langs = shipped()

        def run_share(display, share):
            return [(lang, view, shot(view, lang, DISPLAY=display)[0]) for lang in share for view in VIEWS]

        with concurrent.futures.ThreadPoolExecutor(len(displays)) as pool:
            shares = pool.map(run_share, displays, [langs[i::len(displays)] for i in range(len(displays))])
            results = [r for share in shares for r in share]
        self.assertEqual(len(results), len(langs) * len(VIEWS))
        for lang, view, found in results:
            with self.subTest(lang=lang, view=view):
                self.check_fits(found, "%s %s" % (lang, view))

    def test_the_language_chosen_before_is_taken_and_lang_wins(self):
        home = tempfile.mkdtemp(prefix="lang-")
        os.makedirs(os.path.join(home, "config", "tarnwell"))
        with open(os.path.join(home, "config", "tarnwell", "language"), "w") as f:
            f.write("fr\n")
        e = harness.env(XDG_CONFIG_HOME=os.path.join(home, "config"), TARNWELL_REPORT_LANGUAGE="1",
                        LANGUAGE="", LC_ALL="", LANG="de_DE.UTF-8")
        for extra, want in (([], "fr"), (["--lang", "ja"], "ja")):
            r = harness.run(harness.base_args() + ["--size", "960x540", "--shot", os.path.join(home, "s.png"),
                                                   "--shot-at", "0.5"] + extra, env=e, timeout=60, cwd=harness.SOURCE)
            self.assertIn("language: %s\n" % want, r.stdout)

    def test_no_english_on_a_german_screen(self):
        # A failed build, a crash, and a folder that cannot be read (home is missing: the
        # browser lists it and says why not), in German with the window's and the stand-in's
        # own reasons.
        home = tempfile.mkdtemp(prefix="lang-")
        cases = {
            "failed build": ("stopped", {}),
            "crash": ("stopped", {"TARNWELL_STANDIN_CRASH": "unpack", "TARNWELL_STANDIN_FAIL": ""}),
        }
        for name, (view, variables) in cases.items():
            args, base, at = VIEWS[view]
            VIEWS["case"] = (args, dict(base, **variables), at)
            try:
                found, _ = shot("case", "de")
            finally:
                del VIEWS["case"]
            texts = [t for _, _, t in found]
            with self.subTest(name):
                self.assertTrue(any(k == "title" for k, _, _ in found), texts)
                self.assertEqual([t for t in texts if ENGLISH.search(t)], [], texts)
        layout = os.path.join(home, "browser.tsv")
        e = harness.env(TARNWELL_LAYOUT=layout, HOME=os.path.join(home, "missing"), SDL_FILE_DIALOG_DRIVER="none",
                        XDG_CONFIG_HOME=os.path.join(home, "config"), TARNWELL_STANDIN_GPU="")
        r = harness.run(harness.base_args() + ["--lang", "de", "--size", SIZE, "--shot", os.path.join(home, "b.png"),
                                               "--shot-at", "3", "--click", DEST_FIELD], env=e, timeout=60,
                        cwd=harness.SOURCE)
        self.assertEqual(r.returncode, 0, r.stderr)
        texts = [t for _, _, t in notes(layout)]
        with self.subTest("unreadable folder"):
            self.assertTrue(any("existiert nicht" in t for t in texts), texts)
            self.assertEqual([t for t in texts if ENGLISH.search(t)], [], texts)

    def test_the_backend_speaks_the_language_chosen(self):
        # Chosen by name against the system's; the stand-in learns it from the window.
        found, _ = shot("form", "de", LANGUAGE="", LC_ALL="", LANG="C.UTF-8")
        texts = [t for _, _, t in found]
        self.assertIn("Spiel bauen", texts)
        self.assertIn("Ausgewogen", texts)
        self.check_fits(found, "form")


if __name__ == "__main__":
    unittest.main()
