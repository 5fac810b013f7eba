"""The command line: what is refused with exit code 2, and how output is written."""

import os
import unittest

import backend


class Refused(backend.SandboxTest):
    def assertRefused(self, args, words):
        r = self.box.run(args)
        self.assertEqual(r.code, 2, (args, r.stderr))
        self.assertEqual(r.lines, [], "nothing on standard output")
        first = r.stderr.splitlines()[0]
        self.assertTrue(first.startswith("setup: "), first)
        self.assertIn(words, first)
        self.assertIn("usage: python -m setup --info", r.stderr)

    def test_unknown_and_malformed_arguments(self):
        cases = [
            ([], "say what to do"),
            (["--bogus"], "unknown argument: --bogus"),
            (["--info", "--verbose"], "unknown argument: --verbose"),
            (["--inf"], "unknown argument: --inf"),
            (["--info", "--display=1920x1080"], "unknown argument: --display=1920x1080"),
            (["-i"], "unknown argument: -i"),
            (["--json", "--game", "g", "--dest"], "--dest needs a value"),
            (["--json", "--game", "g"], "a build needs --dest"),
            (["--json", "--dest", "d"], "a build needs --game"),
            (["--info", "--json"], "choose one of"),
            (["--info", "--install-packages", "--json"], "choose one of"),
            (["--install-packages"], "--install-packages needs --json"),
            (["--json", "--game", "g", "--dest", "d", "--display", "1x1"],
             "--display belongs to --info"),
            (["--info", "--game", "g"], "--game belongs to a build"),
            (["--install-packages", "--json", "--desktop-entry"], "--desktop-entry belongs to a build"),
        ]
        for args, words in cases:
            with self.subTest(args=args):
                self.assertRefused(args, words)

    def test_help_prints_the_usage_and_succeeds(self):
        r = self.box.run(["--help"])
        self.assertEqual(r.code, 0)
        self.assertTrue(r.text.startswith("usage: python -m setup"))
        self.assertIn("--install-packages --json", r.text)


class Accepted(backend.SandboxTest):
    def test_values_may_look_like_options(self):
        # A value is the next argument whatever it looks like.
        game = self.box.nup("--odd.nup")
        dest = self.box.path("--json")
        r = self.box.run(["--json", "--game", game, "--dest", dest])
        self.assertEqual(r.code, 0, r.stderr)
        self.assertEqual(r.end()["play"], os.path.join(dest, "tarnwell.sh"))

    def test_options_in_any_order_and_the_last_value_wins(self):
        game = self.box.game_folder()
        r = self.box.run(["--quality", "full", "--dest", self.box.path("first"), "--game", game,
                          "--desktop-entry", "--dest", self.box.dest, "--json"])
        self.assertEqual(r.code, 0, r.stderr)
        self.assertEqual(r.end()["play"], os.path.join(self.box.dest, "tarnwell.sh"))
        self.assertFalse(os.path.exists(self.box.path("first")))


class Flushing(backend.SandboxTest):
    def test_each_message_arrives_while_the_job_still_runs(self):
        live = self.box.start(["--json", "--game", self.box.game_folder(), "--dest",
                               self.box.dest], SECONDS="3000")
        self.addCleanup(live.stop)
        for kind in ("start", "step", "progress"):
            message, _ = live.next(timeout=20)
            while message["type"] != kind:
                message, _ = live.next(timeout=20)
            self.assertIsNone(live.proc.poll(), "%s arrived only at the end" % kind)

    def test_info_reply_is_one_line_ended_by_a_newline(self):
        r = self.box.run(["--info"])
        self.assertTrue(r.stdout.endswith(b"}\n"))
        self.assertEqual(r.stdout.count(b"\n"), 1)


if __name__ == "__main__":
    unittest.main()
