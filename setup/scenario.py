"""The scenario switches: environment variables that steer the stand-in.

Every variable is read once, when a run starts, into a `Scenario`. A value
that cannot be understood is a mistake of whoever set up the demo or test, so
it is refused with a clear message (exit code 2) instead of being guessed at.
"""

import os

PREFIX = "TARNWELL_STANDIN_"
DEFAULT_SECONDS = 60.0


class ScenarioError(Exception):
    """A scenario variable holds a value that cannot be used."""


def _number(env, name, default, minimum=0.0):
    raw = env.get(PREFIX + name)
    if raw is None or raw.strip() == "":
        return default
    try:
        value = float(raw)
    except ValueError:
        raise ScenarioError("%s%s must be a number, not %r" % (PREFIX, name, raw))
    if not value >= minimum or value == float("inf"):
        raise ScenarioError("%s%s must be a finite number of at least %g, not %r"
                            % (PREFIX, name, minimum, raw))
    return value


def _flag(env, name):
    raw = env.get(PREFIX + name, "").strip().lower()
    if raw in ("", "0", "no", "false", "off"):
        return False
    if raw in ("1", "yes", "true", "on"):
        return True
    raise ScenarioError("%s%s must be 1 or 0, not %r" % (PREFIX, name, raw))


def _optional(env, name):
    """The value, or None when the variable is not set at all (empty counts as set)."""
    return env.get(PREFIX + name)


def _names(raw):
    return [part.strip() for part in raw.split(",") if part.strip()]


class Scenario:
    """What the environment asks of this run."""

    def __init__(self, env=None):
        env = os.environ if env is None else env
        self.seconds = _number(env, "SECONDS", DEFAULT_SECONDS)
        self.info_delay = _number(env, "INFO_DELAY", 0.0)
        flood = _number(env, "LOG_FLOOD", 0.0)
        if flood != int(flood):
            raise ScenarioError("%sLOG_FLOOD must be a whole number" % PREFIX)
        self.log_flood = int(flood)
        self.noise = _flag(env, "NOISE")
        self.ignore_cancel = _flag(env, "IGNORE_CANCEL")
        self.long = _flag(env, "LONG")

        self.fail_step = (env.get(PREFIX + "FAIL") or "").strip()
        self.fail_text = _optional(env, "FAIL_TEXT")
        self.fail_detail = _optional(env, "FAIL_DETAIL")
        self.fail_command = _optional(env, "FAIL_COMMAND")
        self.crash_step = (env.get(PREFIX + "CRASH") or "").strip()

        tools = _optional(env, "TOOLS")
        self.tools = None if tools is None else _names(tools)
        self.pretend_missing = _names(env.get(PREFIX + "MISSING", ""))
        self.install_command = _optional(env, "INSTALL_COMMAND")
        can = _optional(env, "CAN_INSTALL")
        self.can_install = None if can is None else _flag(env, "CAN_INSTALL")
        self.gpu = _optional(env, "GPU")
        free = _optional(env, "FREE_GB")
        self.free_gb = None if free is None else _number(env, "FREE_GB", 0.0)

    def check_steps(self, step_ids):
        """Refuses a failure or crash switch that names no step of this job."""
        for name, value in (("FAIL", self.fail_step), ("CRASH", self.crash_step)):
            if value and value not in step_ids:
                raise ScenarioError("%s%s names no step: %r; the steps are %s"
                                    % (PREFIX, name, value, ", ".join(step_ids)))
