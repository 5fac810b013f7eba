"""The scenario switches that demos and the setup window's tests rely on."""

import json
import os
import time
import unittest

import backend

BUILD_IDS = ["check", "folder", "tools", "sources", "unpack", "code", "textures", "shaders",
             "compile", "pack", "cache", "icon", "finish"]


class LongTexts(backend.SandboxTest):
    """The long scenario sends the longest texts the window is tested with."""

    def test_every_long_input_has_its_length_and_still_builds(self):
        info = self.box.info(LONG="1", MISSING="cmake", GPU=None)
        self.assertEqual(len(info["gpu"]), 120)
        self.assertEqual([len(level["name"]) for level in info["levels"]], [25] * 8)
        self.assertEqual(len(info["install_command"]), 600)
        self.assertTrue(info["install_command"].startswith("sudo apt-get install"))

        game = self.box.game_folder()
        r = self.box.build(game, extra=["--quality", "extra8"], LONG="1")
        steps = r.messages("start")[0]["steps"]
        self.assertEqual([len(s["title"]) for s in steps], [80] * 40)
        self.assertEqual(max(len(m["line"]) for m in r.messages("log")), 10000)
        self.assertEqual(r.end()["result"], "ok")
        self.assertIs(self.box.info(LONG="1")["installed"], True)

        r = self.box.build(game, LONG="1", FAIL="extra20")
        self.assertEqual(r.messages("error")[0]["detail"].count("\n"), 59)


class Failure(backend.SandboxTest):
    def test_failure_at_a_heavy_step_with_default_texts(self):
        r = self.box.build(self.box.game_folder(), FAIL="compile")
        self.assertEqual(r.code, 1)
        self.assertSequence(r, BUILD_IDS)
        started = [s for s, state in r.steps() if state == "started"]
        self.assertEqual(started, BUILD_IDS[:BUILD_IDS.index("compile") + 1])
        self.assertEqual(r.steps()[-1], ("compile", "started"))
        error = r.messages("error")
        self.assertEqual(len(error), 1)
        self.assertEqual(error[0]["text"], 'Setup stopped at "Compile Tarnwell".')
        self.assertIn("TARNWELL_STANDIN_FAIL=compile", error[0]["detail"])
        self.assertEqual(error[0]["command"], "")
        self.assertEqual(r.end(), {"type": "end", "result": "failed"})
        # The error comes right before the end, after half the step's progress.
        kinds = [m["type"] for m in r.objects()]
        self.assertEqual(kinds[-2:], ["error", "end"])
        progress = [m for m in r.messages("progress") if m["text"].startswith("Compiling")]
        self.assertEqual((progress[-1]["done"], progress[-1]["total"]), (120, 240))

    def test_failure_texts_can_be_chosen(self):
        r = self.box.build(self.box.game_folder(), FAIL="unpack", FAIL_TEXT="Disk on fire.",
                           FAIL_DETAIL="Line one\nline two", FAIL_COMMAND="fire --out")
        self.assertEqual(r.messages("error"), [{"type": "error", "text": "Disk on fire.",
                                                "detail": "Line one\nline two",
                                                "command": "fire --out"}])
        self.assertEqual(r.end()["result"], "failed")

    def test_failure_at_a_real_step_after_its_check(self):
        r = self.box.build(self.box.game_folder(), FAIL="folder")
        self.assertEqual(r.steps()[-1], ("folder", "started"))
        self.assertTrue(os.path.isdir(self.box.dest), "the folder's own work was done first")
        self.assertEqual(r.end()["result"], "failed")

    def test_named_step_runs_even_when_an_earlier_build_finished_it(self):
        game = self.box.game_folder()
        self.assertEqual(self.box.build(game).code, 0)
        r = self.box.build(game, FAIL="code")
        self.assertIn(("code", "started"), r.steps())
        self.assertEqual(r.end()["result"], "failed")
        # The failed step is no longer counted as finished.
        with open(os.path.join(self.box.dest, ".setup", "state.json")) as f:
            self.assertEqual(json.load(f)["finished"], BUILD_IDS[:BUILD_IDS.index("code")])
        self.assertIs(self.box.info()["installed"], False)

    def test_unknown_step_name_is_refused_before_anything_starts(self):
        r = self.box.build(self.box.game_folder(), FAIL="compiel")
        self.assertEqual(r.code, 2)
        self.assertEqual(r.lines, [])
        self.assertIn("TARNWELL_STANDIN_FAIL names no step: 'compiel'", r.stderr)
        self.assertIn("compile", r.stderr)
        self.assertFalse(os.path.exists(self.box.dest))


class Crash(backend.SandboxTest):
    def test_crash_ends_the_process_without_an_end_message(self):
        r = self.box.build(self.box.game_folder(), CRASH="shaders")
        self.assertEqual(r.code, 70)
        self.assertEqual(r.messages("end"), [])
        self.assertEqual(r.steps()[-1], ("shaders", "started"))
        self.assertIn("crash", r.stderr)
        # Every line written before the crash arrived whole.
        self.assertEqual(len(r.objects()), len(r.lines))


class Flood(backend.SandboxTest):
    def test_flood_sends_exactly_the_asked_number_of_extra_log_lines(self):
        flooded = self.box.build(self.box.game_folder(), LOG_FLOOD="5000")
        self.assertEqual(flooded.end()["result"], "ok")
        flood = [m for m in flooded.messages("log") if m["line"].startswith("flood line")]
        self.assertEqual(len(flood), 5000)
        self.assertEqual(flood[-1]["line"].split(":")[0], "flood line 5000 of 5000")
        self.assertSequence(flooded, BUILD_IDS)
        with open(flooded.messages("start")[0]["log"], encoding="utf-8") as f:
            self.assertEqual(sum("flood line" in line for line in f), 5000)
        # The flood comes in the first heavy step, before its progress.
        kinds = [(m["type"], m.get("step"), m.get("line", "")[:10]) for m in flooded.objects()]
        first_flood = kinds.index(("log", None, "flood line"))
        self.assertEqual(kinds[first_flood - 1], ("step", "sources", ""))

    def test_flood_can_still_be_cancelled(self):
        live = self.box.start(["--json", "--game", self.box.game_folder(), "--dest",
                               self.box.dest], LOG_FLOOD="100000000")
        self.addCleanup(live.stop)
        live.until(lambda m: m["type"] == "log" and m["line"].startswith("flood line"))
        open(self.box.marker(), "w").close()
        end, _ = live.until(lambda m: m["type"] == "end", timeout=20)
        self.assertEqual(end["result"], "cancelled")


class Noise(backend.SandboxTest):
    def test_build_output_mixes_non_json_lines_between_whole_messages(self):
        quiet = self.box.build(self.box.game_folder(), dest=self.box.path("a"))
        noisy = self.box.build(self.box.game_folder(), dest=self.box.path("b"), NOISE="1")
        self.assertEqual(noisy.end()["result"], "ok")
        objects = noisy.objects()
        others = [line for line in noisy.lines if backend._object(line) is None]
        self.assertEqual(len(others), len(objects), "one noise line after every message")
        self.assertIn(b"", others, "an empty line is among the noise")
        self.assertTrue(any(line.endswith(b"\r") for line in others))
        self.assertTrue(any(line.startswith(b"[") for line in others))
        # The messages themselves are the same as without noise (progress and log
        # lines follow the clock, so they are left out of the comparison).
        def shape(result):
            return [(m["type"], m.get("step"), m.get("state")) for m in result.objects()
                    if m["type"] not in ("progress", "log")]
        self.assertEqual(shape(noisy), shape(quiet))

    def test_info_reply_is_surrounded_by_noise_and_still_one_object(self):
        r = self.box.run(["--info"], NOISE="1")
        self.assertEqual(r.code, 0)
        self.assertEqual(len(r.objects()), 1)
        self.assertEqual(len(r.lines), 3)
        self.assertIsNone(backend._object(r.lines[0]))
        self.assertIsNone(backend._object(r.lines[2]))


class SlowInfo(backend.SandboxTest):
    def test_delay_holds_back_the_reply(self):
        live = self.box.start(["--info"], INFO_DELAY="1.5")
        self.addCleanup(live.stop)
        begin = time.monotonic()
        reply, at = live.next(timeout=20)
        self.assertGreaterEqual(at - begin, 1.4)
        self.assertEqual(reply["version"], "1.0.0-standin")
        self.assertEqual(live.wait(10), 0)


class ArgvLog(backend.SandboxTest):
    def test_every_run_appends_its_arguments(self):
        log = self.box.path("argv.jsonl")
        game = self.box.game_folder()
        self.box.run(["--info", "--display", "1920x1080"], ARGV_LOG=log)
        self.box.run(["--bogus", "x y"], ARGV_LOG=log)
        self.box.build(game, extra=["--quality", "light", "--desktop-entry"], ARGV_LOG=log)
        with open(log) as f:
            records = [json.loads(line) for line in f]
        self.assertEqual([r["argv"] for r in records], [
            ["--info", "--display", "1920x1080"],
            ["--bogus", "x y"],
            ["--json", "--game", game, "--dest", self.box.dest, "--quality", "light",
             "--desktop-entry"],
        ])
        self.assertEqual(records[0]["cwd"], backend.SOURCE)


class BadScenarioValues(backend.SandboxTest):
    def test_values_that_cannot_be_read_are_refused_with_exit_2(self):
        for name, value in (("SECONDS", "fast"), ("SECONDS", "-1"), ("LOG_FLOOD", "2.5"),
                            ("NOISE", "maybe"), ("INFO_DELAY", "inf"), ("FREE_GB", "lots")):
            with self.subTest(name=name, value=value):
                r = self.box.run(["--info"], **{name: value})
                self.assertEqual(r.code, 2)
                self.assertEqual(r.lines, [])
                self.assertIn("TARNWELL_STANDIN_" + name, r.stderr)


if __name__ == "__main__":
    unittest.main()
