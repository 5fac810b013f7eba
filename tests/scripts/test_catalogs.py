"""The catalogs against the texts in the sources: every language has every message, with
the English placeholders and its own number of plural forms, and gettext's own tools
take each file."""

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
LANGUAGES = ["de", "es", "fr", "it", "ja", "ko", "pl", "pt_BR", "ru", "tr", "uk", "zh_CN", "zh_TW"]


class Catalogs(unittest.TestCase):
    def test_every_language_has_every_message(self):
        locale = os.path.join(SOURCE, "locale")
        self.assertEqual(sorted(f[:-3] for f in os.listdir(locale) if f.endswith(".po")), LANGUAGES)
        r = subprocess.run(CHECK, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        for code in LANGUAGES:
            r = subprocess.run(["msgfmt", "--check", "-o", os.devnull, os.path.join(locale, code + ".po")],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)

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


if __name__ == "__main__":
    unittest.main()
