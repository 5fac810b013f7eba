"""The steps of a build and of an installation of build tools.

The weights follow the share of time each step takes in a real build; the
setup window weighs its overall progress the same way. Heavy steps are the
stand-ins: they only take their share of TARNWELL_STANDIN_SECONDS and report
plausible progress.
"""

from .translate import _


class Step:
    def __init__(self, id, title, weight, heavy=False, always=False, by_quality=False,
                 total=0, texts=()):
        self.id = id
        self.title = title
        self.weight = weight
        self.heavy = heavy            # a stand-in that takes time
        self.always = always          # cheap and run on every build, never skipped
        self.by_quality = by_quality  # its result depends on the quality level
        self.total = total            # units of work the progress counts
        self.texts = texts            # progress texts, used in turn

    def text(self, i):
        """Progress text for unit i (0-based) of this step."""
        if not self.texts:
            return self.title
        template, item = self.texts[i % len(self.texts)]
        return template.format(n=i + 1, total=self.total, item=item.format(n=i + 1))

    def message(self):
        return {"id": self.id, "title": self.title}


def _items(template, *items):
    """Progress texts that name one thing each, in turn."""
    return tuple((template, item) for item in items)


BUILD_STEPS = [
    Step("check", _("Check your copy of the game"), 1),
    Step("folder", _("Prepare the install folder"), 3),
    Step("tools", _("Look for the build tools"), 1),
    Step("sources", _("Fetch the Tarnwell sources"), 1, heavy=True, total=48, texts=_items(
        _("Fetching {item}"), "engine/core", "engine/render", "engine/audio", "game/world", "game/actors",
        "tools/convert")),
    Step("unpack", _("Unpack the game files"), 12, heavy=True, total=420, texts=_items(
        _("Unpacking {item}"), "romfs/Stage/Hollow_{n:03d}.arc", "romfs/Model/Lantern_{n:03d}.bfres",
        "romfs/Sound/Resource_{n:03d}.bars", "romfs/Event/Scene_{n:03d}.bfevfl")),
    Step("code", _("Translate the game code"), 10, heavy=True, total=96, texts=_items(
        _("Translating function group {n} of {total}"), "")),
    Step("textures", _("Convert the textures"), 8, heavy=True, by_quality=True, total=310, texts=_items(
        _("Converting textures {n} of {total}"), "")),
    Step("shaders", _("Convert the shaders"), 6, heavy=True, by_quality=True, total=180, texts=_items(
        _("Converting shader {item}"), "water_{n:03d}", "foliage_{n:03d}", "lantern_glow_{n:03d}",
        "sky_{n:03d}")),
    Step("compile", _("Compile Tarnwell"), 30, heavy=True, total=240, texts=_items(
        _("Compiling {item}"), "src/render/water_{n:03d}.cpp", "src/world/stage_{n:03d}.cpp",
        "src/actors/actor_{n:03d}.cpp", "src/audio/stream_{n:03d}.cpp")),
    Step("pack", _("Pack the game data"), 12, heavy=True, by_quality=True, total=64, texts=_items(
        _("Packing {item}"), "data/world_{n:02d}.pak", "data/sound_{n:02d}.pak")),
    Step("cache", _("Warm up the shader cache"), 25, heavy=True, by_quality=True, total=500, texts=_items(
        _("Warming up pipeline {n} of {total}"), "")),
    Step("icon", _("Take the icon from your game"), 1, always=True),
    Step("finish", _("Add the launcher and shortcuts"), 1, always=True),
]

INSTALL_STEPS = [
    Step("install", _("Install the build tools"), 1),
]


def _stretched(text, length):
    """text lengthened with a plausible tail to exactly length characters."""
    tail = ", every part of it checked twice against the list of known good copies first"
    return (text + tail * (1 + length // len(tail)))[:length]


def long_build_steps(count=40, title_length=80):
    """The steps of the long scenario: the real ones with small heavy extras after the
    tool check, every title exactly title_length characters long. The extras come first
    so that a build soon runs a step far down the list."""
    extras = [Step("extra%02d" % n, _("Extra stand-in step {n}").format(n=n), 1, heavy=True, total=10)
              for n in range(1, count - len(BUILD_STEPS) + 1)]
    steps = BUILD_STEPS[:3] + extras + BUILD_STEPS[3:]
    return [Step(s.id, _stretched(s.title, title_length), s.weight, s.heavy, s.always,
                 s.by_quality, s.total, s.texts) for s in steps]


def long_log_line(length=10000):
    """One log line of the long scenario: a tool's command line that never ends."""
    head = "cc -c src/render/water.cpp"
    flags = "".join(" -Iinclude/module_%04d" % n for n in range(length // 20 + 1))
    return (head + flags)[:length]


def long_detail(lines=60):
    """The error detail of the long scenario: a traceback of the given number of lines."""
    frames = ["Traceback (most recent call last):"]
    n = 0
    while len(frames) < lines - 1:
        frames.append('  File "tools/convert/stage_%02d.py", line %d, in convert_stage' % (n, 100 + n))
        frames.append("    texture = decode(archive.read(entry), level=%d)" % n)
        n += 1
    frames.append("ValueError: the texture archive ends before its last entry")
    return "\n".join(frames[:lines])


def build_steps(scenario):
    return long_build_steps() if scenario.long else BUILD_STEPS


def heavy_weight(steps):
    return sum(s.weight for s in steps if s.heavy)


BUILD_IDS = [s.id for s in BUILD_STEPS]
ALL_IDS = BUILD_IDS + [s.id for s in INSTALL_STEPS] + [
    s.id for s in long_build_steps() if s.id not in BUILD_IDS]
