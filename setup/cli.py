"""The command line of the backend.

Options match exactly (no abbreviations, no --name=value). An option that takes
a value takes the next argument whatever it looks like, so a path that starts
with a dash still works. Later occurrences win over earlier ones.
"""

import json
import os
import sys
import time

from . import build, info, install
from .output import Output
from .scenario import Scenario, ScenarioError

USAGE = """usage: python -m setup --info [--display WxH]
       python -m setup --json --game PATH --dest DIR [--quality ID] [--desktop-entry]
       python -m setup --install-packages --json
"""

FLAGS = ("--info", "--json", "--install-packages", "--desktop-entry")
VALUES = ("--display", "--game", "--dest", "--quality")
BUILD_ONLY = ("--game", "--dest", "--quality", "--desktop-entry")


class UsageError(Exception):
    pass


def parse(args):
    """The options as a dict: flags map to True, value options to their text."""
    opts = {}
    i = 0
    while i < len(args):
        arg = args[i]
        if arg in FLAGS:
            opts[arg] = True
        elif arg in VALUES:
            if i + 1 >= len(args):
                raise UsageError("%s needs a value" % arg)
            i += 1
            opts[arg] = args[i]
        else:
            raise UsageError("unknown argument: %s" % arg)
        i += 1

    modes = [m for m in ("--info", "--install-packages") if m in opts]
    if not modes and "--json" not in opts:
        raise UsageError("say what to do: --info, a build with --json, or --install-packages --json")
    if len(modes) > 1 or ("--info" in opts and "--json" in opts):
        raise UsageError("choose one of --info, a build (--json --game --dest) or --install-packages")
    if "--install-packages" in opts and "--json" not in opts:
        raise UsageError("--install-packages needs --json")
    if "--display" in opts and "--info" not in opts:
        raise UsageError("--display belongs to --info")
    if modes:
        for name in BUILD_ONLY:
            if name in opts:
                raise UsageError("%s belongs to a build (--json --game PATH --dest DIR), not to %s"
                                 % (name, modes[0]))
    else:
        for name in ("--game", "--dest"):
            if name not in opts:
                raise UsageError("a build needs %s" % name)
    return opts


def record_argv(args):
    """Appends this run's arguments to the file named by TARNWELL_STANDIN_ARGV_LOG, so
    that tests of the setup window can see how it started its backend."""
    path = os.environ.get("TARNWELL_STANDIN_ARGV_LOG")
    if not path:
        return
    line = json.dumps({"argv": list(args), "cwd": os.getcwd(), "pid": os.getpid(),
                       "time": time.time()}) + "\n"
    try:
        # One write of one line in append mode, so that runs that overlap
        # (the info query and a build) do not mix their lines.
        fd = os.open(path, os.O_WRONLY | os.O_APPEND | os.O_CREAT, 0o644)
        try:
            os.write(fd, line.encode("utf-8"))
        finally:
            os.close(fd)
    except OSError as e:
        sys.stderr.write("setup: could not record the arguments in %s: %s\n" % (path, e))


def main(args):
    record_argv(args)
    if args in (["--help"], ["-h"]):
        sys.stdout.write(USAGE)
        return 0
    try:
        opts = parse(args)
    except UsageError as e:
        sys.stderr.write("setup: %s\n%s" % (e, USAGE))
        return 2
    try:
        scenario = Scenario()
    except ScenarioError as e:
        sys.stderr.write("setup: %s\n" % e)
        return 2

    out = Output(noise=scenario.noise)
    try:
        if "--info" in opts:
            display = None
            if "--display" in opts:
                display = info.parse_display(opts["--display"])
                if display is None:
                    # The reply matters more than the size: carry on without it.
                    sys.stderr.write("setup: --display %r is not WxH; it is left out\n"
                                     % opts["--display"])
            return info.run(out, scenario, display)
        if "--install-packages" in opts:
            return install.run(out, scenario)
        return build.run(out, scenario, opts["--game"], opts["--dest"],
                         opts.get("--quality"), opts.get("--desktop-entry", False))
    except ScenarioError as e:
        sys.stderr.write("setup: %s\n" % e)
        return 2
