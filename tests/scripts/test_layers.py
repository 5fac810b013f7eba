"""The rooms of setup/gui include one way: a file includes headers of its own room and of
the rooms below it only, the frame loop on top and the state at the bottom.
Run directly with --list to print every include that runs another way."""

import os
import re
import sys
import unittest

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))
GUI = os.path.join(SOURCE, "setup", "gui")

# Each room and the rooms it may include besides its own.
BELOW = {
    "state": [],
    "text": ["state"],
    "platform": ["state", "text"],
    "access": ["state", "text", "platform"],
    "look": ["state", "text", "platform"],
    "backend": ["state", "text", "platform"],
    "widgets": ["state", "text", "platform", "access", "look", "backend"],
    "screens": ["state", "text", "platform", "access", "look", "backend", "widgets"],
    "app": ["state", "text", "platform", "access", "look", "backend", "widgets", "screens"],
}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"', re.M)


def wrong_way():
    """(includes looked at, ["file: include" for each one that runs another way])."""
    seen, wrong = 0, []
    for folder, _, files in sorted(os.walk(GUI)):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, GUI).replace(os.sep, "/")
            room = rel.split("/")[0] if "/" in rel else None
            if room not in BELOW:
                wrong.append("%s: in no room" % rel)
                continue
            for m in INCLUDE.finditer(open(path, encoding="utf-8").read()):
                seen += 1
                if m.group(1) != room and m.group(1) in BELOW and m.group(1) not in BELOW[room]:
                    wrong.append("%s: %s" % (rel, m.group(0).strip()))
    return seen, wrong


class Layers(unittest.TestCase):
    def test_every_include_runs_down(self):
        seen, wrong = wrong_way()
        self.assertGreater(seen, 100)  # the sources were found
        self.assertEqual(wrong, [])


if __name__ == "__main__":
    if "--list" in sys.argv:
        seen, wrong = wrong_way()
        print("\n".join(wrong + ["layers: %d of %d includes run upward or sideways" % (len(wrong), seen)]))
        sys.exit(1 if wrong else 0)
    unittest.main()
