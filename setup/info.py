"""The info reply: what this PC offers and what is already installed."""

import os
import re
import time

from . import __version__, store, system, shortcuts
from .steps import build_steps
from .translate import _

LEVELS = [
    {"id": "light", "name": _("Light"),
     "about": _("Simpler shadows and water, for laptops and older graphics cards.")},
    {"id": "balanced", "name": _("Balanced"),
     "about": _("Full textures with lighter effects: smooth on most gaming PCs.")},
    {"id": "full", "name": _("Full"),
     "about": _("Every effect at full detail, for a strong graphics card.")},
]
LEVEL_IDS = [level["id"] for level in LEVELS]
LONG_GPU = ("NVIDIA GeForce RTX 4090 Laptop GPU with Max-Q Design, 16 GB GDDR6X, "
            "driver 560.94 (Studio), PCI Express 4.0 x16 bus, rev a1")[:120]


def levels(scenario):
    """The quality levels offered; the long scenario has eight, each named in exactly 25
    characters, the three real ones first."""
    if not scenario.long:
        return LEVELS
    names = ["Light", "Balanced", "Full"] + ["Extra %d" % n for n in range(4, 9)]
    ids = LEVEL_IDS + ["extra%d" % n for n in range(4, 9)]
    abouts = [level["about"] for level in LEVELS] + ["A level of the long scenario."] * 5
    return [{"id": i, "name": (name + " with a very long name")[:25].ljust(25, "."), "about": about}
            for i, name, about in zip(ids, names, abouts)]


def long_command(missing, length=600):
    """An install command of the long scenario: the real one, made length characters long."""
    base = system.install_command(missing) or "sudo apt-get install"
    extra = "".join(" lib%s-dev" % w for w in ("tarnwell-support-%03d" % n for n in range(length // 25 + 1)))
    return (base + extra)[:length]

DISPLAY_RE = re.compile(r"^([1-9][0-9]{0,5})x([1-9][0-9]{0,5})$")


def parse_display(text):
    """(width, height) of a "WxH" text, or None when it is not one."""
    m = DISPLAY_RE.match(text or "")
    return (int(m.group(1)), int(m.group(2))) if m else None


def suggest(gpu, display):
    """The level suggested for this PC and the reason, in the player's words."""
    if not gpu:
        return "light", _("No NVIDIA graphics card was found, so the light level keeps the game smooth.")
    if display and display[0] * display[1] > 2560 * 1600:
        return "balanced", _("{gpu} keeps a steady frame rate at {width}x{height} with the balanced level.").format(
            gpu=gpu, width=display[0], height=display[1])
    if display:
        return "full", _("{gpu} handles every effect at {width}x{height}.").format(
            gpu=gpu, width=display[0], height=display[1])
    return "full", _("{gpu} handles every effect.").format(gpu=gpu)


def pretend_installed():
    """Tools that the installation job pretended to install (see TARNWELL_STANDIN_MISSING)."""
    value = store.load_config().get("standin_installed")
    return [name for name in value if isinstance(name, str)] if isinstance(value, list) else []


def missing_tools(scenario):
    """Missing tools: the pretended ones not yet 'installed', then those absent from PATH."""
    done = set(pretend_installed())
    names = [t for t in scenario.pretend_missing if t not in done]
    for name in system.missing_on_path(scenario):
        if name not in names:
            names.append(name)
    return names


def tools_status(scenario):
    """(missing tools, the command that installs them, whether setup can run it).
    With nothing missing the command is empty and can_install false."""
    missing = missing_tools(scenario)
    if not missing:
        return [], "", False
    if scenario.install_command is not None:
        command = scenario.install_command.strip()
    elif scenario.long:
        command = long_command(missing)
    else:
        command = system.install_command(missing)
    if scenario.can_install is not None:
        can_install = scenario.can_install
    else:
        # Pretended tools are always installable by the stand-in; real ones only
        # where a package manager can be run with the user's consent.
        real = [t for t in missing if t not in scenario.pretend_missing]
        can_install = bool(command) and (not real or system.install_argv_list(real) is not None)
    return missing, command, can_install


def tools_hint(command, can_install):
    """The sentence after the list of missing tools, on a line of its own."""
    if not command:
        return "\n" + _("Install them with the system's package manager, then build again.")
    if can_install:
        return "\n" + _("Setup can install them (it asks for your password), or run this in a terminal:")
    return "\n" + _("Run this in a terminal, then build again:")


def build_complete(dest, scenario):
    """True when the build in dest finished every step and its launcher is there."""
    if not dest:
        return False
    finished = store.load_record(dest).get("finished")
    return (isinstance(finished, list) and finished == [s.id for s in build_steps(scenario)]
            and os.path.isfile(shortcuts.launcher_path(dest)))


def reply(scenario, display=None):
    """The info reply object."""
    config = store.load_config()
    dest = config.get("dest") if isinstance(config.get("dest"), str) else ""
    game = config.get("game") if isinstance(config.get("game"), str) else ""
    if game and not os.path.exists(game):
        game = ""

    gpu = LONG_GPU if scenario.long and scenario.gpu is None else system.find_gpu(scenario)
    suggested, why = suggest(gpu, display)
    offered = levels(scenario)
    quality = config.get("quality")
    if quality not in [level["id"] for level in offered]:
        quality = suggested

    desktop = config.get("desktop")
    if not isinstance(desktop, bool):
        desktop = os.path.isdir(system.desktop_dir())

    missing, command, can_install = tools_status(scenario)

    return {
        "version": __version__,
        "game": game,
        "dest": dest,
        "gpu": gpu,
        "desktop": desktop,
        "installed": build_complete(dest, scenario),
        "install_command": command,
        "can_install": can_install,
        "missing": missing,
        "levels": offered,
        "suggested": suggested,
        "suggested_why": why,
        "quality": quality,
    }


def run(out, scenario, display=None):
    if scenario.info_delay > 0:
        time.sleep(scenario.info_delay)
    message = reply(scenario, display)
    if scenario.noise:
        out.chatter()
    out.send(message)
    return 0
