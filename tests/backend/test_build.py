"""The build job from start to end: the message sequence, the files it leaves,
what the info reply says afterwards, resuming, and bad inputs."""

import json
import os
import re
import stat
import subprocess
import sys
import unittest

import backend

BUILD_IDS = ["check", "folder", "tools", "sources", "unpack", "code", "textures", "shaders",
             "compile", "pack", "cache", "icon", "finish"]
ALWAYS = ["icon", "finish"]


class WholeBuild(backend.SandboxTest):
    def setUp(self):
        super().setUp()
        self.game = self.box.game_folder()
        self.result = self.box.build(self.game, extra=["--quality", "balanced", "--desktop-entry"])

    def test_sequence_runs_every_step_and_ends_ok_with_the_launcher(self):
        r = self.result
        self.assertEqual(r.code, 0, r.stderr)
        ids = self.assertSequence(r, BUILD_IDS)
        self.assertEqual(r.steps(), [(i, s) for i in ids for s in ("started", "finished")])
        end = r.end()
        self.assertEqual(end["result"], "ok")
        self.assertEqual(end["play"], os.path.join(self.box.dest, "tarnwell.sh"))
        self.assertEqual(r.messages("error"), [])
        self.assertEqual(r.messages("warning"), [])
        # Every heavy step reports its progress up to its total.
        finals = {}
        current = None
        for m in r.objects():
            if m["type"] == "step" and m["state"] == "started":
                current = m["step"]
            elif m["type"] == "progress":
                finals[current] = (m["done"], m["total"])
        for step in BUILD_IDS:
            done, total = finals[step]
            self.assertEqual(done, total, step)

    def test_log_file_holds_every_log_line_with_a_timestamp(self):
        start = self.result.messages("start")[0]
        self.assertEqual(start["log"], os.path.join(self.box.dest, ".setup", "setup.log"))
        with open(start["log"], encoding="utf-8") as f:
            logged = f.read().splitlines()
        stamp = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  ")
        self.assertTrue(logged)
        for line in logged:
            self.assertRegex(line, stamp)
        bodies = [stamp.sub("", line) for line in logged]
        for m in self.result.messages("log"):
            self.assertIn(m["line"], bodies)

    def test_icon_message_names_a_square_rgba_png(self):
        icons = self.result.messages("icon")
        self.assertEqual(len(icons), 1)
        path = icons[0]["path"]
        self.assertEqual(os.path.dirname(path), os.path.join(self.box.dest, ".setup"))
        width, height, _, rows = backend.read_png(path)
        self.assertEqual((width, height), (256, 256))
        self.assertEqual(rows[0][3], 0, "the corner lies outside the badge")
        centre = rows[height // 2][(width // 2) * 4:(width // 2) * 4 + 4]
        self.assertEqual(centre[3], 255)
        self.assertGreater(centre[0], 150, "the flame in the middle is bright")
        # The icon arrives while its step runs, not before.
        kinds = [(m["type"], m.get("step"), m.get("state")) for m in self.result.objects()]
        at = kinds.index(("icon", None, None))
        self.assertLess(kinds.index(("step", "icon", "started")), at)
        self.assertLess(at, kinds.index(("step", "icon", "finished")))

    def test_launcher_runs_the_installed_game(self):
        played = self.box.path("played.txt")
        launcher = self.result.end()["play"]
        self.assertTrue(os.stat(launcher).st_mode & stat.S_IXUSR)
        env = dict(os.environ, TARNWELL_STANDIN_PLAYED=played)
        # Started from elsewhere, as the setup window does.
        done = subprocess.run([launcher], cwd=self.box.home, env=env, capture_output=True,
                              text=True, timeout=20)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("Tarnwell", done.stdout)
        with open(played) as f:
            self.assertEqual(f.read(), "played quality=balanced\n")

    def test_shortcuts_point_at_the_launcher(self):
        launcher = self.result.end()["play"]
        for folder in (self.box.desktop, os.path.join(self.box.data, "applications")):
            with open(os.path.join(folder, "tarnwell.desktop"), encoding="utf-8") as f:
                entry = f.read()
            self.assertIn("[Desktop Entry]", entry)
            self.assertIn('Exec="%s"\n' % launcher, entry)
            self.assertIn("Icon=%s\n" % os.path.join(self.box.dest, ".setup", "icon.png"), entry)

    def test_info_afterwards_suggests_this_build_and_reports_it_installed(self):
        reply = self.box.info()
        self.assertEqual(reply["dest"], self.box.dest)
        self.assertEqual(reply["game"], self.game)
        self.assertIs(reply["installed"], True)
        self.assertEqual(reply["quality"], "balanced")
        self.assertIs(reply["desktop"], True)
        # A build that is no longer complete is not reported installed.
        os.remove(self.result.end()["play"])
        self.assertIs(self.box.info()["installed"], False)

    def test_second_build_finds_everything_done_and_renews_only_the_cheap_steps(self):
        r = self.box.build(self.game, extra=["--quality", "balanced"])
        self.assertEqual(r.code, 0, r.stderr)
        self.assertSequence(r, BUILD_IDS)
        expected = []
        for step in BUILD_IDS:
            if step not in ALWAYS:
                expected.append((step, "finished"))
            else:
                expected += [(step, "started"), (step, "finished")]
        self.assertEqual(r.steps(), expected)
        self.assertEqual(r.end()["result"], "ok")
        self.assertEqual(len(r.messages("icon")), 1, "the icon is sent again")

    def test_other_quality_goes_on_from_the_first_step_that_depends_on_it(self):
        r = self.box.build(self.game, extra=["--quality", "full"])
        self.assertEqual(r.code, 0, r.stderr)
        started = [s for s, state in r.steps() if state == "started"]
        self.assertEqual(started, BUILD_IDS[BUILD_IDS.index("textures"):])
        self.assertTrue(any("quality level changed" in m["line"] for m in r.messages("log")))

    def test_another_game_copy_starts_over(self):
        other = self.box.nup("other.nup")
        r = self.box.build(other, extra=["--quality", "balanced"])
        self.assertEqual(r.code, 0, r.stderr)
        started = [s for s, state in r.steps() if state == "started"]
        self.assertEqual(started, BUILD_IDS)


class Inputs(backend.SandboxTest):
    def test_nup_file_and_relative_paths_are_accepted_and_made_absolute(self):
        os.makedirs(self.box.path("work"))
        self.box.nup(os.path.join("work", "copy.NUP"))
        # Relative to the backend's working folder, which is the source root here.
        rel_game = os.path.relpath(self.box.path("work", "copy.NUP"), backend.SOURCE)
        rel_dest = os.path.relpath(self.box.path("work", "out"), backend.SOURCE)
        r = self.box.run(["--json", "--game", rel_game, "--dest", rel_dest])
        self.assertEqual(r.code, 0, r.stderr)
        self.assertEqual(r.end()["play"], self.box.path("work", "out", "tarnwell.sh"))
        self.assertTrue(os.path.isfile(self.box.path("work", "out", "tarnwell.sh")))

    def test_unknown_quality_is_an_error_message(self):
        r = self.box.build(self.box.game_folder(), extra=["--quality", "ultra"])
        self.assertEqual(r.code, 1)
        self.assertSequence(r)
        error = r.messages("error")[0]
        self.assertIn('"ultra"', error["text"])
        self.assertIn("Balanced", error["detail"])
        self.assertEqual(r.end()["result"], "failed")
        self.assertEqual(r.steps(), [])

    def test_without_quality_the_remembered_or_suggested_level_is_used(self):
        game = self.box.game_folder()
        r = self.box.build(game, GPU="NVIDIA GeForce RTX 4070")
        self.assertEqual(r.code, 0, r.stderr)
        self.assertIn("Quality: full", [m["line"] for m in r.messages("log")])
        self.box.build(game, extra=["--quality", "light"])
        r = self.box.build(game, GPU="NVIDIA GeForce RTX 4070")
        self.assertIn("Quality: light", [m["line"] for m in r.messages("log")])

    def test_paths_with_shell_characters_build_and_launch(self):
        dest = self.box.path("in$tall 'it' \"here\" %HOME% `x`")
        r = self.box.build(self.box.game_folder("game & co"), dest=dest, extra=["--desktop-entry"])
        self.assertEqual(r.code, 0, r.stderr)
        played = self.box.path("played.txt")
        done = subprocess.run([r.end()["play"]], cwd="/", capture_output=True, timeout=20,
                              env=dict(os.environ, TARNWELL_STANDIN_PLAYED=played))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(os.path.isfile(played))
        with open(os.path.join(self.box.desktop, "tarnwell.desktop"), encoding="utf-8") as f:
            exec_line = [l for l in f.read().splitlines() if l.startswith("Exec=")][0]
        # Desktop entry quoting: string escapes first (\\ stands for one backslash),
        # then inside the quotes a backslash escapes " ` $ and itself; % is doubled.
        value = exec_line[len("Exec="):].replace("\\\\", "\\")
        self.assertTrue(value.startswith('"') and value.endswith('"'), value)
        inner = re.sub(r'\\(["`$\\])', r"\1", value[1:-1]).replace("%%", "%")
        self.assertEqual(inner, os.path.join(dest, "tarnwell.sh"))

    def test_icon_of_an_unpacked_copy_is_taken_from_the_game(self):
        game = self.box.game_folder()
        picture = backend.png_bytes(4, 4, (10, 200, 30, 255))
        with open(os.path.join(game, "Icon_AmericanEnglish.png"), "wb") as f:
            f.write(picture)
        # A file that only has the name is not taken.
        with open(os.path.join(game, "icon.png"), "wb") as f:
            f.write(b"not a picture")
        r = self.box.build(game)
        with open(r.messages("icon")[0]["path"], "rb") as f:
            self.assertEqual(f.read(), picture)

    def test_icon_that_cannot_be_saved_is_a_warning(self):
        os.makedirs(os.path.join(self.box.dest, ".setup", "icon.png.tmp"))
        r = self.box.build(self.box.game_folder())
        self.assertEqual(r.end()["result"], "ok")
        self.assertEqual(r.messages("icon"), [])
        self.assertEqual(len(r.messages("warning")), 1)
        self.assertTrue(r.messages("warning")[0]["text"].startswith("The icon could not be saved"))

    def test_launcher_that_cannot_be_written_fails_the_build(self):
        os.makedirs(os.path.join(self.box.dest, "tarnwell.sh.tmp"))
        r = self.box.build(self.box.game_folder())
        self.assertEqual(r.code, 1)
        self.assertEqual(r.steps()[-1], ("finish", "started"))
        error = r.messages("error")[0]
        self.assertEqual(error["text"], "The launcher could not be written.")
        self.assertIn(os.path.join(self.box.dest, "tarnwell.sh"), error["detail"])
        self.assertEqual(r.end(), {"type": "end", "result": "failed"})
        self.assertEqual(self.box.info()["dest"], "", "a failed build is not remembered")

    def test_text_goes_out_as_utf8_not_as_escapes(self):
        game = self.box.path("Spiele \u2013 \u00fcber \U0001f3ee.nup")
        r = self.box.build(game)
        line = [l for l in r.lines if b'"type":"error"' in l][0]
        self.assertIn(game.encode("utf-8"), line)
        self.assertNotIn(b"\\u", line)

    def test_file_names_that_are_not_utf8_come_back_byte_for_byte(self):
        raw = os.fsencode(self.box.root) + b"/caf\xe9-missing.nup"
        r = self.box.build(os.fsdecode(raw))
        self.assertEqual(r.code, 1)
        error_line = [l for l in r.lines if b'"type":"error"' in l][0]
        self.assertIn(raw, error_line)


class BadGameCopies(backend.SandboxTest):
    def check_refused(self, game, text, fresh=True):
        r = self.box.build(game)
        self.assertEqual(r.code, 1, r.stderr)
        self.assertSequence(r, BUILD_IDS)
        errors = r.messages("error")
        self.assertEqual(len(errors), 1)
        self.assertEqual(errors[0]["text"], text)
        if game:
            self.assertIn(game, errors[0]["detail"])
        end = r.end()
        self.assertEqual(end["result"], "failed")
        self.assertNotIn("play", end)
        self.assertEqual(r.steps(), [("check", "started")])
        if fresh:
            self.assertFalse(os.path.exists(os.path.join(self.box.dest, "tarnwell.sh")))
        return r

    def test_missing_path(self):
        self.check_refused(self.box.path("nowhere.nup"), "Your copy of the game was not found.")

    def test_empty_path(self):
        self.check_refused("", "No copy of the game was chosen.")

    def test_file_that_is_not_a_nup(self):
        self.check_refused(self.box.nup("lantern.zip"), "This file is not a .nup file.")

    def test_empty_nup(self):
        self.check_refused(self.box.nup("empty.nup", b""), "Your .nup file is empty.")

    def test_folder_without_either(self):
        self.check_refused(self.box.game_folder("plain", exefs=False, romfs=False),
                           "This folder does not hold exefs and romfs.")

    def test_folder_with_only_romfs(self):
        self.check_refused(self.box.game_folder("half", exefs=False),
                           "This folder holds romfs but no exefs.")

    def test_folder_with_exefs_as_a_file(self):
        game = self.box.game_folder("odd", exefs=False)
        open(os.path.join(game, "exefs"), "w").close()
        self.check_refused(game, "This folder holds romfs but no exefs.")

    @unittest.skipUnless(hasattr(os, "mkfifo"), "needs named pipes")
    def test_something_that_is_neither_file_nor_folder(self):
        pipe = self.box.path("lantern.nup")
        os.mkfifo(pipe)
        self.check_refused(pipe, "This is neither a .nup file nor a folder.")

    def test_letter_case_of_the_subfolders_does_not_matter(self):
        game = self.box.game_folder("caps", exefs=False, romfs=False)
        os.makedirs(os.path.join(game, "ExeFS"))
        os.makedirs(os.path.join(game, "RomFS"))
        r = self.box.build(game)
        self.assertEqual(r.end()["result"], "ok", r.messages("error"))

    def test_a_failed_check_is_not_resumed_past(self):
        game = self.box.game_folder()
        self.assertEqual(self.box.build(game).code, 0)
        os.rmdir(os.path.join(game, "romfs"))
        self.check_refused(game, "This folder holds exefs but no romfs.", fresh=False)
        self.assertIs(self.box.info()["installed"], False)


class InstallFolder(backend.SandboxTest):
    def failed_folder_step(self, dest):
        r = self.box.build(self.box.game_folder(), dest=dest)
        self.assertEqual(r.code, 1)
        self.assertSequence(r, BUILD_IDS)
        self.assertEqual(r.steps(), [("check", "started"), ("check", "finished"),
                                     ("folder", "started")])
        self.assertEqual(r.end()["result"], "failed")
        # The log still lies somewhere that can be opened.
        self.assertTrue(os.path.isfile(r.messages("start")[0]["log"]))
        return r.messages("error")[0]

    def test_folder_is_created_with_parents(self):
        dest = self.box.path("a", "b", "c")
        r = self.box.build(self.box.game_folder(), dest=dest)
        self.assertEqual(r.code, 0, r.stderr)
        self.assertTrue(os.path.isdir(os.path.join(dest, ".setup")))

    def test_dest_that_is_a_file(self):
        dest = self.box.nup("a-file")
        error = self.failed_folder_step(dest)
        self.assertEqual(error["text"], "The install folder is a file.")
        self.assertIn(dest, error["detail"])

    def test_dest_below_a_file_cannot_be_created(self):
        dest = os.path.join(self.box.nup("blocker"), "Tarnwell")
        error = self.failed_folder_step(dest)
        self.assertEqual(error["text"], "The install folder could not be created.")
        self.assertIn(dest, error["detail"])

    @unittest.skipIf(hasattr(os, "geteuid") and os.geteuid() == 0, "root may write anywhere")
    def test_dest_without_write_permission(self):
        dest = self.box.path("locked")
        os.makedirs(os.path.join(dest, ".setup"))
        os.chmod(dest, 0o555)
        self.addCleanup(os.chmod, dest, 0o755)
        error = self.failed_folder_step(dest)
        self.assertEqual(error["text"], "Setup cannot write to the install folder.")

    def test_little_free_space_is_a_warning_not_a_failure(self):
        r = self.box.build(self.box.game_folder(), FREE_GB="12.5")
        self.assertEqual(r.end()["result"], "ok")
        warnings = r.messages("warning")
        self.assertEqual([w["text"] for w in warnings],
                         ["Only 12.5 GB are free on the install drive; "
                          "the build needs about 36 GB."])
        with open(r.messages("start")[0]["log"], encoding="utf-8") as f:
            self.assertIn("warning: Only 12.5 GB", f.read())

    def test_enough_free_space_gives_no_warning(self):
        r = self.box.build(self.box.game_folder(), FREE_GB="36")
        self.assertEqual(r.messages("warning"), [])


class Remembering(backend.SandboxTest):
    def test_failed_build_is_not_remembered(self):
        self.box.build(self.box.game_folder(), FAIL="compile")
        reply = self.box.info()
        self.assertEqual((reply["dest"], reply["installed"]), ("", False))

    def test_config_is_written_under_xdg_config_home(self):
        self.box.build(self.box.game_folder())
        with open(os.path.join(self.box.config, "tarnwell", "setup.json")) as f:
            self.assertEqual(json.load(f)["dest"], self.box.dest)

    def test_config_falls_back_to_dot_config_in_home(self):
        game = self.box.game_folder()
        env = self.box.env()
        del env["XDG_CONFIG_HOME"]
        del env["XDG_DESKTOP_DIR"]
        done = subprocess.run([sys.executable, "-m", "setup", "--json", "--game", game,
                               "--dest", self.box.dest, "--desktop-entry"],
                              cwd=backend.SOURCE, env=env, capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(os.path.isfile(os.path.join(self.box.home, ".config", "tarnwell",
                                                    "setup.json")))
        self.assertTrue(os.path.isfile(os.path.join(self.box.home, "Desktop",
                                                    "tarnwell.desktop")))


if __name__ == "__main__":
    unittest.main()
