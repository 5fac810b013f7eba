"""Writing messages: one JSON object per line on standard output, and the log file.

Lines are written as UTF-8 bytes straight to the binary stream and flushed one
by one, so the setup window sees each message as soon as it is made, whatever
the console code page (Windows pipes would otherwise use the ANSI code page).
"""

import json
import os
import sys
import time

# Lines a chatty build tool might print between messages; none of them is a
# JSON object, so the window shows them as raw log lines.
NOISE = (
    "[ 42%] Building CXX object src/render/CMakeFiles/render.dir/water.cpp.o",
    "{ this line only looks like JSON",
    "",
    "[1, 2, 3]",
    '"a JSON string, not an object"',
    "progress 17/240\r",
    "\u00e9tape termin\u00e9e \u2014 caf\u00e9",
)


def encode_line(text):
    """The bytes of one output line. File names that are not valid UTF-8 (held
    as surrogate escapes) go out as their original bytes, so a path that comes
    back from the window names the same file; other unpaired surrogates become
    replacement marks."""
    try:
        data = text.encode("utf-8", "surrogateescape")
    except UnicodeEncodeError:
        data = text.encode("utf-8", "replace")
    return data + b"\n"


class Output:
    """Standard output as a stream of JSON lines.

    When the reader has gone away (the window closed or crashed), `broken`
    becomes true and later lines are dropped; the job notices and stops the way
    it does on cancel, so the next run can resume.
    """

    def __init__(self, stream=None, noise=False):
        self.stream = stream if stream is not None else sys.stdout.buffer
        self.noise = noise
        self.broken = False
        self._noise_next = 0

    def raw(self, text):
        if self.broken:
            return
        try:
            self.stream.write(encode_line(text))
            self.stream.flush()
        except (BrokenPipeError, ConnectionError, ValueError, OSError):
            self.broken = True
            _silence_stdout()

    def send(self, message):
        self.raw(json.dumps(message, ensure_ascii=False, separators=(",", ":")))
        if self.noise:
            self.chatter()

    def chatter(self):
        """One line of non-JSON noise, cycling through a fixed set."""
        self.raw(NOISE[self._noise_next % len(NOISE)])
        self._noise_next += 1


def _silence_stdout():
    # Point descriptor 1 at the null device so that the interpreter's own
    # flush at exit does not complain about the closed pipe.
    try:
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.close(null)
    except OSError:
        pass


class LogFile:
    """The job's log file: every line with a timestamp, appended and flushed.

    A log that grew past `ROTATE_BYTES` is moved aside to "<name>.old" before a
    job starts, so repeated runs do not fill the disk. A log that cannot be
    written is not a reason to stop a build: writing errors are swallowed.
    """

    ROTATE_BYTES = 4 * 1024 * 1024

    def __init__(self, path):
        self.path = path
        self._file = None
        try:
            if os.path.getsize(path) > self.ROTATE_BYTES:
                os.replace(path, path + ".old")
        except OSError:
            pass
        try:
            self._file = open(path, "a", encoding="utf-8", errors="replace", newline="\n")
        except OSError:
            self._file = None

    @property
    def ok(self):
        return self._file is not None

    def write(self, line):
        if self._file is None:
            return
        now = time.time()
        stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(now))
        stamp += ".%03d" % int((now % 1) * 1000)
        try:
            for part in str(line).splitlines() or [""]:
                self._file.write("%s  %s\n" % (stamp, part))
            self._file.flush()
        except (OSError, ValueError):
            pass

    def close(self):
        if self._file is not None:
            try:
                self._file.close()
            except OSError:
                pass
            self._file = None
