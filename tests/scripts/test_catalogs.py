"""The catalogs against the texts in the sources: every language has every message, with
the English placeholders and its own number of plural forms, and gettext's own tools
take each file."""

import gettext
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = [sys.executable, os.path.join(SOURCE, "scripts", "catalogs.py"), "--check"]
sys.path.insert(0, os.path.join(SOURCE, "setup"))
import languages  # noqa: E402  (the table's reader, shared with the stand-in)

TABLE = languages.read_table(os.path.join(SOURCE, "locale", "languages.tsv"))
# The catalogs at hand: every one a row of the table, the thirteen first ones among them.
LANGUAGES = sorted(f[:-3] for f in os.listdir(os.path.join(SOURCE, "locale")) if f.endswith(".po"))


class Catalogs(unittest.TestCase):
    def test_every_language_has_every_message(self):
        locale = os.path.join(SOURCE, "locale")
        self.assertEqual(len(TABLE), 30)
        self.assertLessEqual(set(LANGUAGES), {row["code"] for row in TABLE})
        self.assertLessEqual({"de", "es", "fr", "it", "ja", "ko", "pl", "pt_BR", "ru", "tr", "uk", "zh_CN", "zh_TW"},
                             set(LANGUAGES))
        r = subprocess.run(CHECK, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        for code in LANGUAGES:
            r = subprocess.run(["msgfmt", "--check", "-o", os.devnull, os.path.join(locale, code + ".po")],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)

    def test_the_stand_in_counts_as_the_window_does(self):
        # The stand-in's gettext takes the plural rule of the catalog's header, the window the
        # table's: both give every count the same form (Arabic's six among them).
        rows = {row["code"]: row for row in TABLE}
        for code in LANGUAGES:
            with open(os.path.join(SOURCE, "locale", code + ".po"), encoding="utf-8") as f:
                rule = re.search(r"plural=(.*?);?\\n", f.read()).group(1)
            header, table = gettext.c2py(rule), gettext.c2py(rows[code]["plural"])
            self.assertEqual([n for n in range(1000) if header(n) != table(n)], [], code)
        arabic = gettext.c2py(rows["ar"]["plural"])
        self.assertEqual([arabic(n) for n in (0, 1, 2, 3, 10, 11, 99, 100, 101, 102, 103, 111)],
                         [0, 1, 2, 3, 3, 4, 4, 5, 5, 5, 3, 4])

    def test_the_stand_in_maps_system_codes_as_the_window_does(self):
        cases = {"de_AT.UTF-8": "de", "zh-Hant-CN": "zh_TW", "zh_HK": "zh_TW", "zh-Hans-TW": "zh_CN", "zh_SG": "zh_CN",
                 "pt": "pt_BR", "pt_PT.UTF-8": "pt_PT", "es_ES": "es", "es_MX": "es_419", "es-419": "es_419",
                 "nn_NO": "nb", "no": "nb", "sv_SE": "sv", "th_TH": "th", "ar_EG.UTF-8": "ar", "ar-MA": "ar",
                 "he_IL": "", "C": "en"}
        self.assertEqual({tag: languages.code_for(tag, TABLE) for tag in cases}, cases)
        self.assertEqual(languages.preferred({"LC_ALL": "C", "HOST_LC_ALL": "cs_CZ.UTF-8", "HOST_LANG": "de_DE"}),
                         ["cs_CZ.UTF-8"])
        self.assertEqual(languages.preferred({"LANGUAGE": "fr:de", "LANG": "it_IT", "HOST_LANG": "de_DE"}),
                         ["fr", "de", "it_IT"])

    def test_a_missing_message_or_other_placeholder_fails(self):
        with tempfile.TemporaryDirectory() as copy:
            for code in ("de", "fr"):
                shutil.copy(os.path.join(SOURCE, "locale", code + ".po"), copy)
            with open(os.path.join(copy, "de.po"), encoding="utf-8") as f:
                text = f.read()
            text = text.replace('msgstr "Schritt {step} von {total}"', 'msgstr "Schritt {schritt} von {total}"')
            text = re.sub(r'msgid "Cancel"\nmsgstr "[^"]*"\n', "", text)
            with open(os.path.join(copy, "de.po"), "w", encoding="utf-8") as f:
                f.write(text)
            r = subprocess.run(CHECK + ["--locale", copy], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("de.po: no translation of 'Cancel'", r.stderr)
        self.assertIn("de.po: 'Step {step} of {total}': the placeholders", r.stderr)
        self.assertNotIn("fr.po", r.stderr)

    def check_copy(self, change):
        """The check's complaints about a copy of the catalogs after `change(folder)`."""
        with tempfile.TemporaryDirectory() as copy:
            for name in os.listdir(os.path.join(SOURCE, "locale")):
                if name.endswith((".po", ".tsv")):
                    shutil.copy(os.path.join(SOURCE, "locale", name), copy)
            if os.path.isdir(os.path.join(SOURCE, "locale", "glossary")):
                shutil.copytree(os.path.join(SOURCE, "locale", "glossary"), os.path.join(copy, "glossary"))
            change(copy)
            r = subprocess.run(CHECK + ["--locale", copy], capture_output=True, text=True)
        return r.returncode, r.stderr

    def test_the_table_of_languages_and_the_catalogs_agree(self):
        def edit(folder, name, old, new):
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            self.assertIn(old, text)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text.replace(old, new, 1))

        # A catalog of a language that the table does not have.
        rc, err = self.check_copy(lambda d: shutil.copy(os.path.join(d, "de.po"), os.path.join(d, "de_CH.po")))
        self.assertEqual(rc, 1)
        self.assertIn("de_CH.po: the language is not in locale/languages.tsv", err)
        # A row whose catalog went missing once its glossary is in.
        def lose_catalog(d):
            os.makedirs(os.path.join(d, "glossary"), exist_ok=True)
            open(os.path.join(d, "glossary", "pl.tsv"), "a").close()
            os.remove(os.path.join(d, "pl.po"))
        rc, err = self.check_copy(lose_catalog)
        self.assertEqual(rc, 1)
        self.assertIn("pl: in the table of languages and with a glossary, but no catalog", err)
        # Three forms in the table, two in the catalog: the count and every counted message.
        rc, err = self.check_copy(lambda d: edit(d, "languages.tsv", "\nde\tDeutsch\t2\t", "\nde\tDeutsch\t3\t"))
        self.assertEqual(rc, 1)
        self.assertIn("de.po: Plural-Forms has nplurals=2, the table of languages 3", err)
        self.assertIn("has 2 forms, not 3", err)

    def test_a_glossary_term_translated_two_ways_fails(self):
        def glossary(d):
            os.makedirs(os.path.join(d, "glossary"), exist_ok=True)
            for code in LANGUAGES:  # every catalog has its glossary once the folder is there
                path = os.path.join(d, "glossary", code + ".tsv")
                if not os.path.exists(path):
                    open(path, "w").close()
            with open(os.path.join(d, "glossary", "de.tsv"), "a", encoding="utf-8") as f:
                f.write("# term\tsay\tavoid\n\\bdesktop\\b\tDesktop\tSchreibtisch\n\\bbuild\\b(?!\\s+tools)\tbau|Build\t\n")
            with open(os.path.join(d, "de.po"), "a", encoding="utf-8") as f:
                f.write('\nmsgid "Old text"\nmsgstr "Verknüpfung auf dem Schreibtisch"\n')
        rc, err = self.check_copy(glossary)
        self.assertEqual(rc, 1, err)
        self.assertIn("'Schreibtisch', which the glossary avoids", err)
        self.assertNotIn("fr.po", err)
        self.assertNotIn("does not say 'bau|Build'", err)  # every German "build" is one of those


if __name__ == "__main__":
    unittest.main()
