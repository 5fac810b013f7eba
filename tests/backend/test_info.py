"""The info reply: its members, the quality suggestion, the graphics card as found
by nvidia-smi or lspci, the build tools, and the remembered installation."""

import json
import os
import re
import stat
import subprocess
import sys
import unittest

import backend

MEMBERS = {
    "version": str, "game": str, "dest": str, "gpu": str, "desktop": bool, "installed": bool,
    "install_command": str, "can_install": bool, "missing": list, "levels": list,
    "suggested": str, "suggested_why": str, "quality": str,
}

LSPCI = """00:00.0 Host bridge: Intel Corporation 12th Gen Core Processor Host Bridge (rev 02)
00:02.0 VGA compatible controller: Intel Corporation Alder Lake-P GT2 [Iris Xe Graphics] (rev 0c)
01:00.0 VGA compatible controller: NVIDIA Corporation GA104 [GeForce RTX 3070] (rev a1)
01:00.1 Audio device: NVIDIA Corporation GA104 High Definition Audio Controller (rev a1)
"""


class Reply(backend.SandboxTest):
    def test_one_line_with_every_member_of_its_type(self):
        r = self.box.run(["--info"])
        self.assertEqual(r.code, 0, r.stderr)
        self.assertEqual(len(r.lines), 1)
        reply = r.objects()[0]
        self.assertEqual(set(reply), set(MEMBERS))
        for name, kind in MEMBERS.items():
            self.assertIsInstance(reply[name], kind, name)
        self.assertTrue(reply["version"])
        ids = [level["id"] for level in reply["levels"]]
        self.assertGreaterEqual(len(ids), 2)
        self.assertEqual(len(ids), len(set(ids)))
        for level in reply["levels"]:
            self.assertEqual(set(level), {"id", "name", "about"})
            self.assertTrue(all(level.values()))
        self.assertIn(reply["suggested"], ids)
        self.assertIn(reply["quality"], ids)
        self.assertTrue(reply["suggested_why"])

    def test_fresh_user_has_nothing_installed_or_remembered(self):
        reply = self.box.info()
        self.assertEqual((reply["game"], reply["dest"], reply["installed"]), ("", "", False))
        self.assertIs(reply["desktop"], False, "no desktop folder, no shortcut offered")
        os.makedirs(self.box.desktop)
        self.assertIs(self.box.info()["desktop"], True)


class Suggestion(backend.SandboxTest):
    def test_without_nvidia_card_the_light_level(self):
        reply = self.box.info(["--display", "1920x1080"], GPU="")
        self.assertEqual((reply["gpu"], reply["suggested"], reply["quality"]), ("", "light", "light"))
        self.assertIn("No NVIDIA graphics card", reply["suggested_why"])

    def test_card_and_display_size_choose_the_level(self):
        gpu = "NVIDIA GeForce RTX 3070"
        cases = (("1920x1080", "full"), ("2560x1440", "full"), ("3840x2160", "balanced"))
        for display, level in cases:
            with self.subTest(display=display):
                reply = self.box.info(["--display", display], GPU=gpu)
                self.assertEqual(reply["gpu"], gpu)
                self.assertEqual(reply["suggested"], level)
                self.assertIn(gpu, reply["suggested_why"])
                self.assertIn(display, reply["suggested_why"])

    def test_display_that_is_not_wxh_is_left_out_but_the_reply_comes(self):
        for bad in ("big", "1920x", "0x1080", "-5x3", "1920x1080x2"):
            with self.subTest(display=bad):
                r = self.box.run(["--info", "--display", bad], GPU="NVIDIA GeForce GTX 1060")
                self.assertEqual(r.code, 0)
                reply = r.objects()[0]
                self.assertEqual(reply["suggested"], "full")
                self.assertNotIn(" at ", reply["suggested_why"])
                self.assertIn("--display", r.stderr)


class GraphicsCard(backend.SandboxTest):
    """The card is found by running the real probes; here they are small scripts
    placed first on PATH."""

    def fake_tools(self, **scripts):
        folder = self.box.path("bin")
        os.makedirs(folder, exist_ok=True)
        for name, body in scripts.items():
            path = os.path.join(folder, name.replace("_", "-"))
            with open(path, "w") as f:
                f.write("#!/bin/sh\n" + body)
            os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
        return folder

    def info_with(self, folder):
        env = self.box.env(GPU=None)
        env["PATH"] = folder + os.pathsep + os.environ.get("PATH", "")
        done = subprocess.run([sys.executable, "-m", "setup", "--info"], cwd=backend.SOURCE,
                              env=env, capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        return json.loads(done.stdout)

    def test_nvidia_smi_names_the_card(self):
        folder = self.fake_tools(nvidia_smi='echo "NVIDIA GeForce RTX 4080"\necho "NVIDIA T400"\n')
        reply = self.info_with(folder)
        self.assertEqual(reply["gpu"], "NVIDIA GeForce RTX 4080")
        self.assertEqual(reply["suggested"], "full")

    def test_lspci_is_asked_when_nvidia_smi_fails(self):
        folder = self.fake_tools(nvidia_smi="exit 9\n", lspci="cat <<'EOF'\n%sEOF\n" % LSPCI)
        self.assertEqual(self.info_with(folder)["gpu"], "NVIDIA GeForce RTX 3070")

    def test_lspci_without_nvidia_card(self):
        only_intel = "\n".join(LSPCI.splitlines()[:2]) + "\n"
        folder = self.fake_tools(nvidia_smi="exit 9\n", lspci="cat <<'EOF'\n%sEOF\n" % only_intel)
        reply = self.info_with(folder)
        self.assertEqual((reply["gpu"], reply["suggested"]), ("", "light"))


class BuildTools(backend.SandboxTest):
    def test_tools_absent_from_path_are_missing_by_their_first_name(self):
        reply = self.box.info(TOOLS="sh, no-such-tool-one, no-such-tool-two|sh, "
                                    "no-such-three|no-such-four")
        self.assertEqual(reply["missing"], ["no-such-tool-one", "no-such-three"])
        if reply["install_command"]:
            self.assertIn("no-such-tool-one", reply["install_command"])
        else:
            self.assertIs(reply["can_install"], False)

    def test_debian_gets_an_apt_get_command(self):
        try:
            with open("/etc/os-release") as f:
                release = f.read()
        except OSError:
            release = ""
        if not re.search(r"^ID(_LIKE)?=.*\b(debian|ubuntu)\b", release, re.M):
            self.skipTest("not Debian or Ubuntu")
        reply = self.box.info(TOOLS="ninja-missing-x,c++-missing-y")
        self.assertEqual(reply["install_command"],
                         "sudo apt-get install -y ninja-missing-x c++-missing-y")

    def test_nothing_missing_means_no_command(self):
        reply = self.box.info(TOOLS="")
        self.assertEqual((reply["missing"], reply["install_command"], reply["can_install"]),
                         ([], "", False))

    def test_pretended_missing_tools_with_an_install_command(self):
        reply = self.box.info(MISSING="git,cmake", INSTALL_COMMAND="sudo apt-get install -y git cmake",
                              CAN_INSTALL="1")
        self.assertEqual(reply["missing"], ["git", "cmake"])
        self.assertEqual(reply["install_command"], "sudo apt-get install -y git cmake")
        self.assertIs(reply["can_install"], True)

    def test_pretended_missing_tools_without_an_install_command(self):
        reply = self.box.info(MISSING="ninja", INSTALL_COMMAND="")
        self.assertEqual((reply["missing"], reply["install_command"], reply["can_install"]),
                         (["ninja"], "", False))

    def test_build_stops_at_the_tool_step_with_the_command(self):
        r = self.box.build(self.box.game_folder(), MISSING="git,ninja",
                           INSTALL_COMMAND="sudo apt-get install -y git ninja-build",
                           CAN_INSTALL="0")
        self.assertEqual(r.code, 1)
        self.assertEqual(r.steps()[-1], ("tools", "started"))
        error = r.messages("error")[0]
        self.assertEqual(error["text"], "This PC needs a few build tools first.")
        self.assertEqual(error["detail"],
                         "Missing: git, ninja\nRun this in a terminal, then build again:")
        self.assertEqual(error["command"], "sudo apt-get install -y git ninja-build")
        self.assertEqual(r.end()["result"], "failed")


class Remembered(backend.SandboxTest):
    def test_game_copy_that_vanished_is_not_suggested(self):
        game = self.box.nup()
        self.assertEqual(self.box.build(game).code, 0)
        self.assertEqual(self.box.info()["game"], game)
        os.remove(game)
        reply = self.box.info()
        self.assertEqual(reply["game"], "")
        self.assertEqual(reply["dest"], self.box.dest, "the folder is still suggested")
        self.assertIs(reply["installed"], True, "the built game does not need the copy")

    def test_desktop_folder_from_user_dirs_file(self):
        os.makedirs(self.box.config)
        with open(os.path.join(self.box.config, "user-dirs.dirs"), "w") as f:
            f.write('# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR="$HOME/Schreibtisch"\n')
        r = self.box.build(self.box.game_folder(), extra=["--desktop-entry"])
        self.assertEqual(r.code, 0, r.stderr)
        self.assertTrue(os.path.isfile(os.path.join(self.box.desktop, "tarnwell.desktop")),
                        "XDG_DESKTOP_DIR in the environment comes first")
        env = self.box.env()
        del env["XDG_DESKTOP_DIR"]
        done = subprocess.run(
            [sys.executable, "-m", "setup", "--json", "--game", self.box.game_folder(),
             "--dest", self.box.dest, "--desktop-entry"],
            cwd=backend.SOURCE, env=env, capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(os.path.isfile(os.path.join(self.box.home, "Schreibtisch",
                                                    "tarnwell.desktop")))


if __name__ == "__main__":
    unittest.main()


class Language(backend.SandboxTest):
    """The stand-in speaks the language of its environment, through gettext's catalogs."""

    def catalogs(self, broken=False):
        """The German catalog compiled as the build compiles it; `broken` renames a
        placeholder in one translation."""
        with open(os.path.join(backend.SOURCE, "locale", "de.po"), encoding="utf-8") as f:
            text = f.read()
        if broken:
            text = text.replace("Unter {path} ist nichts.", "Unter {pfad} ist nichts.")
        po, locale = self.box.path("de.po"), self.box.path("locale")
        with open(po, "w", encoding="utf-8") as f:
            f.write(text)
        os.makedirs(os.path.join(locale, "de", "LC_MESSAGES"))
        subprocess.run(["msgfmt", "-o", os.path.join(locale, "de", "LC_MESSAGES", "tarnwell.mo"), po], check=True)
        return locale

    def test_levels_steps_and_errors_in_the_environments_language(self):
        locale = self.catalogs()
        # By name, by the locale, and by the player's locale behind a runtime's C locale.
        for variables in ({"LANGUAGE": "de"}, {"LANGUAGE": "", "LC_ALL": "", "LANG": "de_DE.UTF-8"},
                          {"LANGUAGE": "", "LC_ALL": "C", "HOST_LC_ALL": "de_AT.UTF-8", "LANG": "fr_FR.UTF-8"}):
            reply = self.box.info(environ=dict(variables, TARNWELL_LOCALEDIR=locale))
            self.assertEqual([level["name"] for level in reply["levels"]], ["Leicht", "Ausgewogen", "Voll"])
            self.assertIn("keine NVIDIA-Grafikkarte", reply["suggested_why"])
        r = self.box.build(self.box.path("nowhere"), environ={"LANGUAGE": "de", "TARNWELL_LOCALEDIR": locale})
        titles = [step["title"] for step in r.messages("start")[0]["steps"]]
        self.assertEqual(titles[0], "Deine Kopie des Spiels prüfen")
        error = r.messages("error")[0]
        self.assertEqual(error["text"], "Deine Kopie des Spiels wurde nicht gefunden.")
        self.assertTrue(error["detail"].startswith("Unter %s ist nichts.\n" % self.box.path("nowhere")))
        # English without a catalog, and the pseudo-language made from the English.
        self.assertEqual(self.box.info(environ={"LANGUAGE": "fr", "TARNWELL_LOCALEDIR": locale})
                         ["levels"][0]["name"], "Light")
        pseudo = self.box.info(environ={"LANGUAGE": "qps"})["levels"][0]
        self.assertRegex(pseudo["name"], r"^\[Ļîĝĥţ .+\]$")
        # and its right-to-left sister, a Hebrew letter for each Latin one
        self.assertEqual(self.box.info(environ={"LANGUAGE": "qps_plocm"})["levels"][0]["name"], "לטזחר")

    def test_translation_with_other_placeholders_is_not_used(self):
        locale = self.catalogs(broken=True)
        r = self.box.build(self.box.path("nowhere"), environ={"LANGUAGE": "de", "TARNWELL_LOCALEDIR": locale})
        error = r.messages("error")[0]
        self.assertEqual(error["text"], "Deine Kopie des Spiels wurde nicht gefunden.")
        self.assertTrue(error["detail"].startswith("Nothing is at %s.\n" % self.box.path("nowhere")), error)
