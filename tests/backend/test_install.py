"""The installation job: `--install-packages --json`."""

import os
import signal
import subprocess
import sys
import unittest

import backend

ARGS = ["--install-packages", "--json"]


class Install(backend.SandboxTest):
    def test_pretended_tools_are_installed_and_then_no_longer_missing(self):
        scenario = dict(MISSING="git,cmake", INSTALL_COMMAND="sudo apt-get install -y git cmake",
                        CAN_INSTALL="1")
        self.assertEqual(self.box.info(**scenario)["missing"], ["git", "cmake"])
        r = self.box.run(ARGS, **scenario)
        self.assertEqual(r.code, 0, r.stderr)
        self.assertSequence(r, ["install"])
        self.assertEqual(r.steps(), [("install", "started"), ("install", "finished")])
        self.assertEqual(r.end(), {"type": "end", "result": "ok"}, "no launcher to play")
        self.assertEqual(r.messages("start")[0]["log"],
                         os.path.join(self.box.config, "tarnwell", "install.log"))
        lines = [m["line"] for m in r.messages("log")]
        self.assertTrue(any("Setting up git" in line for line in lines))
        self.assertTrue(any("Setting up cmake" in line for line in lines))
        reply = self.box.info(**scenario)
        self.assertEqual((reply["missing"], reply["install_command"], reply["can_install"]),
                         ([], "", False))

    def test_nothing_missing_ends_ok_at_once(self):
        r = self.box.run(ARGS, TOOLS="sh")
        self.assertEqual(r.code, 0)
        self.assertEqual(r.end()["result"], "ok")
        self.assertIn("All build tools are already installed.",
                      [m["line"] for m in r.messages("log")])

    def test_real_tools_without_a_way_to_install_them_fail_with_the_command(self):
        # An empty PATH: no pkexec, no package manager that could be run.
        env = self.box.env(TOOLS="no-such-tool-xyz")
        env["PATH"] = self.box.path("empty-bin")
        os.makedirs(env["PATH"])
        done = subprocess.run([sys.executable, "-m", "setup"] + ARGS, cwd=backend.SOURCE,
                              env=env, capture_output=True, timeout=60)
        r = backend.Result(done.returncode, done.stdout, done.stderr.decode())
        self.assertEqual(r.code, 1)
        self.assertSequence(r, ["install"])
        error = r.messages("error")[0]
        self.assertEqual(error["text"], "Setup cannot install the build tools on this PC.")
        self.assertTrue(error["detail"].startswith("Missing: no-such-tool-xyz\n"))
        self.assertEqual(r.end()["result"], "failed")

    def test_failure_and_crash_scenarios_apply_to_the_installation(self):
        r = self.box.run(ARGS, MISSING="git", FAIL="install")
        self.assertEqual(r.code, 1)
        self.assertEqual(r.messages("error")[0]["text"],
                         'Setup stopped at "Install the build tools".')
        self.assertEqual(r.end()["result"], "failed")
        r = self.box.run(ARGS, MISSING="git", CRASH="install")
        self.assertEqual(r.code, 70)
        self.assertEqual(r.messages("end"), [])

    @unittest.skipIf(os.name == "nt", "POSIX signals")
    def test_a_stop_signal_cancels_a_pretended_installation(self):
        live = self.box.start(ARGS, MISSING="git", SECONDS="3000")
        self.addCleanup(live.stop)
        live.until(lambda m: m["type"] == "log" and "Unpacking git" in m["line"])
        live.proc.send_signal(signal.SIGTERM)
        end, _ = live.until(lambda m: m["type"] == "end")
        self.assertEqual(end["result"], "cancelled")
        self.assertEqual(live.wait(10), 3)
        self.assertEqual(self.box.info(MISSING="git")["missing"], ["git"])


if __name__ == "__main__":
    unittest.main()
