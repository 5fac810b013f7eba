"""The install script's choice of a Debian source version, against a faked index and pool:
fake apt-cache, apt-get and dpkg-source on PATH, no network."""

import os
import subprocess
import tempfile
import textwrap
import unittest

SOURCE = os.environ.get("TARNWELL_SOURCE") or os.path.abspath(
    os.path.join(os.path.dirname(__file__), "..", ".."))

INDEX = ["1.90.1+ds-1", "1.92.2b+ds-1", "1.92.5+ds-1", "1.92.10+ds-2", "1.93.0+ds-1"]


def read(path):
    with open(path) as f:
        return f.read().strip()


class FetchSource(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)
        self.bin = os.path.join(self.dir.name, "bin")
        os.makedirs(self.bin)
        self.tried = os.path.join(self.dir.name, "tried")
        self.tool("apt-cache", """
            [ "$1" = showsrc ] || exit 1
            for v in %s; do printf 'Package: %%s\\nVersion: %%s\\n\\n' "$2" "$v"; done
            """ % " ".join(INDEX))
        # The pool lacks every version named in $GONE; the others download as a .dsc.
        self.tool("apt-get", """
            wanted=${@: -1}
            echo "$wanted" >> '%s'
            case " $GONE " in *" ${wanted#*=} "*) echo "404  Not Found" >&2; exit 100;; esac
            echo "${wanted#*=}" > "${wanted%%=*}.dsc"
            """ % self.tried)
        self.tool("dpkg-source", 'mkdir "$3" && cp ./*.dsc "$3/VERSION"')

    def tool(self, name, body):
        path = os.path.join(self.bin, name)
        with open(path, "w") as f:
            f.write("#!/bin/bash\n" + textwrap.dedent(body).lstrip())
        os.chmod(path, 0o755)

    def fetch(self, gone):
        dest = os.path.join(self.dir.name, "imgui")
        script = ('ensure_sources() { :; }; . "%s/scripts/sources.sh"; '
                  "fetch_source imgui 1.92.2b+ds-1 '1\\.92\\.' '%s'" % (SOURCE, dest))
        env = dict(os.environ, PATH=self.bin + os.pathsep + os.environ["PATH"], GONE=" ".join(gone))
        r = subprocess.run(["bash", "-c", script], capture_output=True, text=True, env=env, timeout=60)
        unpacked = read(os.path.join(dest, "VERSION")) if r.returncode == 0 else None
        tried = read(self.tried).split() if os.path.exists(self.tried) else []
        if tried:
            os.remove(self.tried)
        return r, unpacked, tried

    def test_the_pinned_version_is_taken_while_the_pool_has_it(self):
        r, unpacked, tried = self.fetch(gone=[])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.strip(), "1.92.2b+ds-1")
        self.assertEqual(unpacked, "1.92.2b+ds-1")
        self.assertEqual(tried, ["imgui=1.92.2b+ds-1"])

    def test_a_pinned_version_gone_from_the_pool_gives_way_to_the_newest_of_its_series(self):
        r, unpacked, tried = self.fetch(gone=["1.92.2b+ds-1"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(unpacked, "1.92.10+ds-2", "newest 1.92, in version order, not 1.93")
        self.assertIn("1.92.2b+ds-1 is gone from Debian's pool; took 1.92.10+ds-2 instead", r.stderr)
        self.assertEqual(tried, ["imgui=1.92.2b+ds-1", "imgui=1.92.10+ds-2"])
        # The newest missing too: the next one down.
        r, unpacked, tried = self.fetch(gone=["1.92.2b+ds-1", "1.92.10+ds-2"])
        self.assertEqual(unpacked, "1.92.5+ds-1", r.stderr)

    def test_nothing_of_the_series_left_fails_and_says_so(self):
        r, unpacked, tried = self.fetch(gone=["1.92.2b+ds-1", "1.92.10+ds-2", "1.92.5+ds-1"])
        self.assertNotEqual(r.returncode, 0)
        self.assertIsNone(unpacked)
        self.assertIn("no version of imgui", r.stderr)
        self.assertNotIn("imgui=1.93.0+ds-1", tried)
        self.assertNotIn("imgui=1.90.1+ds-1", tried)


if __name__ == "__main__":
    unittest.main()
