"""A running job: its messages, its log, and the ways it can be asked to stop.

A job stops cleanly, between two slices of work of at most `SLICE` seconds,
when one of these happens:
- the cancel marker appears (the setup window's Cancel),
- the process gets SIGTERM or SIGINT (the window stopping it another way),
- standard output is gone (the window closed or crashed).
"""

import os
import signal
import sys
import time
import traceback

from .output import LogFile
from .steps import long_detail
from .translate import _

SLICE = 0.05          # seconds between two looks at the cancel marker
PROGRESS_EVERY = 0.1  # seconds between two progress messages of a stand-in step


class Cancelled(Exception):
    """The job was asked to stop."""


class StepFailed(Exception):
    """A step cannot go on; carries the texts of the "error" message."""

    def __init__(self, text, detail="", command=""):
        Exception.__init__(self, text)
        self.text, self.detail, self.command = text, detail, command


class Job:
    def __init__(self, out, scenario, log_path, markers=()):
        self.out = out
        self.scenario = scenario
        self.log_path = log_path
        self.logfile = LogFile(log_path)
        self.markers = list(markers)
        self.stop_signal = None
        if not scenario.ignore_cancel:
            for name in ("SIGTERM", "SIGINT"):
                if hasattr(signal, name):
                    try:
                        signal.signal(getattr(signal, name), self._on_signal)
                    except (ValueError, OSError):
                        pass

    def _on_signal(self, number, frame):
        self.stop_signal = number

    # Messages. Each one also goes to the log file, so the log tells the whole story.

    def start(self, steps):
        self.out.send({"type": "start", "log": self.log_path,
                       "steps": [s.message() for s in steps]})

    def step(self, step, state):
        self.logfile.write("%s: %s" % ("Started" if state == "started" else "Finished", step.title))
        self.out.send({"type": "step", "step": step.id, "state": state})

    def progress(self, text, done, total):
        self.out.send({"type": "progress", "text": text, "done": done, "total": total})

    def log(self, line):
        self.logfile.write(line)
        self.out.send({"type": "log", "line": line})

    def warning(self, text):
        self.logfile.write("warning: " + text)
        self.out.send({"type": "warning", "text": text})

    def icon(self, path):
        self.logfile.write("Icon: " + path)
        self.out.send({"type": "icon", "path": path})

    def error(self, text, detail="", command=""):
        self.logfile.write("error: " + text)
        if detail:
            self.logfile.write("error detail: " + detail)
        if command:
            self.logfile.write("error command: " + command)
        self.out.send({"type": "error", "text": text, "detail": detail, "command": command})

    def end(self, result, play=""):
        self.logfile.write("Result: " + result + (" (launcher %s)" % play if play else ""))
        message = {"type": "end", "result": result}
        if play:
            message["play"] = play
        # The marker goes first: once "end" is read, the window may start the
        # next job at once.
        self.remove_markers()
        self.out.send(message)
        self.logfile.close()

    # Stopping.

    def cancel_requested(self):
        if self.out.broken or self.stop_signal is not None:
            return True
        if self.scenario.ignore_cancel:
            return False
        return any(os.path.exists(m) for m in self.markers)

    def check(self):
        if self.cancel_requested():
            raise Cancelled()

    def wait(self, seconds):
        """Sleeps for seconds, looking at the cancel marker every SLICE."""
        deadline = time.monotonic() + seconds
        while True:
            self.check()
            left = deadline - time.monotonic()
            if left <= 0:
                return
            time.sleep(min(SLICE, left))

    def remove_markers(self, stale=False):
        """Removes the cancel marker. A stale one, left by an earlier run, is
        removed even when the job is set to ignore the marker."""
        if self.scenario.ignore_cancel and not stale:
            return
        for marker in self.markers:
            try:
                os.remove(marker)
            except FileNotFoundError:
                pass
            except OSError as e:
                self.logfile.write("The cancel marker %s could not be removed: %s" % (marker, e))

    # The common end of every job.

    def finish(self, body, resumable=True):
        """Runs body() and turns its outcome into the "end" message and an exit code:
        0 done, 1 failed, 3 cancelled."""
        try:
            play = body()
        except Cancelled:
            reason = ("Stopped because the setup window no longer reads this job's output."
                      if self.out.broken
                      else "Stopped by a stop signal." if self.stop_signal is not None
                      else "Stopped at the user's request.")
            if resumable:
                reason += " The next build goes on from the last finished step."
            self.log(reason)
            self.end("cancelled")
            return 3
        except StepFailed as e:
            self.error(e.text, e.detail, e.command)
            self.end("failed")
            return 1
        except Exception:
            # A fault of the backend itself is still reported as a failure, never as a
            # silent end; its reason, in the program's own words, goes to the log.
            for line in traceback.format_exc().rstrip().splitlines():
                self.logfile.write(line)
            self.error(_("Setup ran into a problem it did not expect."), _("The log holds the details."))
            self.end("failed")
            return 1
        self.end("ok", play or "")
        return 0

    # Stand-in work.

    def stand_in(self, step, seconds, fail_half=None):
        """Spends seconds on step, sending progress and log lines as the work
        advances. fail_half, when given, is called once half of the work is done
        (the failure and crash scenarios)."""
        total = max(1, step.total)
        begin = time.monotonic()
        sent, sent_at = -1, 0.0
        half = total // 2
        while True:
            self.check()
            now = time.monotonic()
            if seconds > 0:
                done = min(total, int(total * (now - begin) / seconds))
            else:
                done = total
            if fail_half is not None and done >= half:
                self._report(step, half, total)
                fail_half()
                fail_half = None
            if done != sent and (done == total or sent < 0 or now - sent_at >= PROGRESS_EVERY):
                self._report(step, done, total)
                sent, sent_at = done, now
            if done >= total:
                return
            time.sleep(min(SLICE, max(0.0, begin + seconds - now)))

    def _report(self, step, done, total):
        i = min(done, total - 1)
        text = step.text(i)
        self.progress(text, done, total)
        self.log("[%*d/%d] %s" % (len(str(total)), done, total, text))

    def flood(self, count):
        """Sends count log lines as fast as possible (the log flood scenario)."""
        for i in range(count):
            if i % 200 == 0:
                self.check()
            self.log("flood line %d of %d: the build tool is very talkative today" % (i + 1, count))


def scenario_failure(scenario, step):
    """The failure that TARNWELL_STANDIN_FAIL asks for in step, with its texts."""
    text = scenario.fail_text if scenario.fail_text is not None else \
        _('Setup stopped at "{step}".').format(step=step.title)
    if scenario.fail_detail is not None:
        detail = scenario.fail_detail
    elif scenario.long:
        detail = long_detail()
    else:
        detail = (_("The stand-in backend was asked to fail here ({setting}).").format(
            setting="TARNWELL_STANDIN_FAIL=" + step.id) + "\n" + _("The log holds the details."))
    command = scenario.fail_command if scenario.fail_command is not None else ""
    return StepFailed(text, detail, command)


def crash(step):
    """Ends the process at once, without an "end" message (the crash scenario)."""
    sys.stderr.write("setup: stand-in crash in step %r (TARNWELL_STANDIN_CRASH)\n" % step.id)
    sys.stderr.flush()
    os._exit(70)
