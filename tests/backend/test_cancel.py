"""Stopping a running build: the cancel marker, a stop signal, a closed output, and
resuming afterwards from the last finished step."""

import json
import os
import signal
import subprocess
import sys
import time
import unittest

import backend

# Long enough that the first heavy step alone would take about half a minute.
LONG = "3000"
DONE_BEFORE_HEAVY = ["check", "folder", "tools"]


def in_heavy_step(message):
    return message["type"] == "progress" and message["text"].startswith("Fetching")


class Marker(backend.SandboxTest):
    def start_long_build(self, **scenario):
        self.game = self.box.game_folder()
        live = self.box.start(["--json", "--game", self.game, "--dest", self.box.dest],
                              SECONDS=LONG, **scenario)
        self.addCleanup(live.stop)
        live.until(in_heavy_step)
        return live

    def write_marker(self):
        open(self.box.marker(), "w").close()
        return time.monotonic()

    def test_marker_ends_the_job_as_cancelled_within_half_a_second(self):
        live = self.start_long_build()
        asked = self.write_marker()
        end, at = live.until(lambda m: m["type"] == "end", timeout=10)
        self.assertEqual(end, {"type": "end", "result": "cancelled"})
        # Generous margin over the half second; the step would take ~30 s more.
        self.assertLess(at - asked, 3.0)
        self.assertEqual(live.wait(10), 3)
        self.assertFalse(os.path.exists(self.box.marker()), "the marker is removed")
        self.assertIsNone(live.next(5)[0], "nothing follows end")
        # The step that was stopped never reported itself finished.
        steps = [(m["step"], m["state"]) for m in live.seen if m["type"] == "step"]
        self.assertEqual(steps[-1], ("sources", "started"))

    def test_build_after_cancel_goes_on_from_the_last_finished_step(self):
        live = self.start_long_build()
        self.write_marker()
        live.until(lambda m: m["type"] == "end")
        live.wait(10)
        r = self.box.build(self.game)
        self.assertEqual(r.code, 0, r.stderr)
        self.assertSequence(r)
        steps = r.steps()
        self.assertEqual(steps[:3], [(s, "finished") for s in DONE_BEFORE_HEAVY])
        self.assertEqual(steps[3], ("sources", "started"))
        self.assertEqual(r.end()["result"], "ok")

    def test_stale_marker_is_removed_when_a_job_starts(self):
        os.makedirs(os.path.dirname(self.box.marker()))
        open(self.box.marker(), "w").close()
        r = self.box.build(self.box.game_folder())
        self.assertEqual(r.end()["result"], "ok")
        self.assertFalse(os.path.exists(self.box.marker()))

    def test_ignore_cancel_keeps_running_and_leaves_the_marker(self):
        live = self.start_long_build(IGNORE_CANCEL="1")
        self.write_marker()
        time.sleep(1.5)
        self.assertIsNone(live.proc.poll(), "the job ignored the marker")
        self.assertTrue(os.path.exists(self.box.marker()))
        self.assertFalse(any(m["type"] == "end" for m in live.seen))
        # A stop signal still ends it at once, without an end message.
        live.proc.send_signal(signal.SIGTERM)
        self.assertEqual(live.wait(10), -signal.SIGTERM)
        while True:
            message, _ = live.next(5)
            if message is None:
                break
            self.assertNotEqual(message["type"], "end")


@unittest.skipIf(os.name == "nt", "POSIX signals")
class OtherWaysToStop(backend.SandboxTest):
    def test_sigterm_is_a_clean_cancel(self):
        game = self.box.game_folder()
        live = self.box.start(["--json", "--game", game, "--dest", self.box.dest], SECONDS=LONG)
        self.addCleanup(live.stop)
        live.until(in_heavy_step)
        asked = time.monotonic()
        live.proc.send_signal(signal.SIGTERM)
        end, at = live.until(lambda m: m["type"] == "end")
        self.assertEqual(end["result"], "cancelled")
        self.assertLess(at - asked, 3.0)
        self.assertEqual(live.wait(10), 3)

    def test_closed_output_stops_the_build_and_keeps_its_progress(self):
        game = self.box.game_folder()
        proc = subprocess.Popen([sys.executable, "-m", "setup", "--json", "--game", game,
                                 "--dest", self.box.dest], cwd=backend.SOURCE,
                                env=self.box.env(SECONDS=LONG), stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        while True:
            line = proc.stdout.readline()
            self.assertTrue(line, "output ended early")
            if b"Fetching" in line:
                break
        proc.stdout.close()
        self.assertEqual(proc.wait(10), 3)
        self.assertEqual(proc.stderr.read(), b"", "no complaint about the closed pipe")
        proc.stderr.close()
        with open(os.path.join(self.box.dest, ".setup", "state.json")) as f:
            self.assertEqual(json.load(f)["finished"], DONE_BEFORE_HEAVY)
        with open(os.path.join(self.box.dest, ".setup", "setup.log")) as f:
            self.assertIn("Stopped because the setup window no longer reads", f.read())


if __name__ == "__main__":
    unittest.main()
