"""What a finished build leaves for the player: the launcher script in the install
folder, the stand-in game it starts, and the shortcuts on the desktop and in the
application menu.

The launchers never contain the install folder's path: they find the game next
to themselves, so a folder name with spaces, quotes or other shell characters
cannot break them, and the folder may be moved.
"""

import os
import stat

from . import system

GAME_DIR = "game"


def launcher_name():
    return "tarnwell.bat" if system.WINDOWS else "tarnwell.sh"


def launcher_path(dest):
    return os.path.join(dest, launcher_name())


def _write(path, text, executable=False, crlf=False):
    if crlf:
        text = text.replace("\n", "\r\n")
    temp = path + ".tmp"
    with open(temp, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    if executable:
        mode = os.stat(temp).st_mode
        os.chmod(temp, mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    os.replace(temp, path)


SH_LAUNCHER = """#!/bin/sh
# Starts Tarnwell from the folder that holds this script.
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd) || exit 1
cd "$here" || exit 1
exec "$here/game/tarnwell" "$@"
"""

SH_GAME = """#!/bin/sh
# Stand-in for the game that a real Tarnwell build places here.
echo "Tarnwell (stand-in build, quality {quality}) started."
if [ -n "$TARNWELL_STANDIN_PLAYED" ]; then
  printf '%s\\n' "played quality={quality}" >> "$TARNWELL_STANDIN_PLAYED"
fi
"""

BAT_LAUNCHER = """@echo off
rem Starts Tarnwell from the folder that holds this script.
cd /d "%~dp0"
call "%~dp0game\\tarnwell.bat" %*
"""

BAT_GAME = """@echo off
rem Stand-in for the game that a real Tarnwell build places here.
echo Tarnwell (stand-in build, quality {quality}) started.
if defined TARNWELL_STANDIN_PLAYED (>>"%TARNWELL_STANDIN_PLAYED%" echo played quality={quality})
"""


def write_launcher(dest, quality):
    """Writes the stand-in game and the launcher; returns the launcher's path.

    quality is one of the known level ids (letters only), so it is safe to place
    in the scripts as it is.
    """
    game = os.path.join(dest, GAME_DIR)
    os.makedirs(game, exist_ok=True)
    if system.WINDOWS:
        _write(os.path.join(game, "tarnwell.bat"), BAT_GAME.format(quality=quality), crlf=True)
        _write(launcher_path(dest), BAT_LAUNCHER, crlf=True)
    else:
        _write(os.path.join(game, "tarnwell"), SH_GAME.format(quality=quality), executable=True)
        _write(launcher_path(dest), SH_LAUNCHER, executable=True)
    return launcher_path(dest)


def _desktop_string(value):
    """Escapes a value of type string in a desktop entry file."""
    return (value.replace("\\", "\\\\").replace("\n", "\\n")
            .replace("\t", "\\t").replace("\r", "\\r"))


def desktop_exec_argument(path):
    """One argument of an Exec key, quoted and escaped as desktop entries require:
    inside double quotes, the characters " ` $ and backslash take a backslash;
    a percent sign is doubled; then the string escaping applies on top."""
    quoted = '"' + "".join("\\" + ch if ch in '"`$\\' else ch for ch in path) + '"'
    return _desktop_string(quoted.replace("%", "%%"))


def desktop_entry_text(dest, icon):
    launcher = launcher_path(dest)
    return "\n".join([
        "[Desktop Entry]",
        "Type=Application",
        "Version=1.0",
        "Name=Tarnwell",
        "Comment=Hollow Lantern, built on this PC from your own copy of the game",
        "Exec=" + desktop_exec_argument(launcher),
        "Path=" + _desktop_string(dest),
        "Icon=" + _desktop_string(icon),
        "Terminal=false",
        "Categories=Game;",
        "",
    ])


def _bat_quote(path):
    # Inside double quotes only the percent sign still means something to cmd.
    return '"' + path.replace("%", "%%") + '"'


def write_shortcut(folder, dest, icon):
    """Puts a shortcut to the launcher into folder (created when missing) and
    returns its path; raises OSError when that cannot be done."""
    os.makedirs(folder, exist_ok=True)
    if system.WINDOWS:
        path = os.path.join(folder, "Tarnwell.bat")
        _write(path, "@echo off\ncall %s %%*\n" % _bat_quote(launcher_path(dest)), crlf=True)
    else:
        path = os.path.join(folder, "tarnwell.desktop")
        # Desktops only start entries that are marked executable.
        _write(path, desktop_entry_text(dest, icon), executable=True)
    return path
