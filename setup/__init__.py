"""Tarnwell's stand-in backend, run by the setup window as ``python -m setup``.

The setup window (``setup/gui``) does no build work itself: it starts this
package with command-line arguments and reads one JSON object per line from
its standard output. The real backend, the program that turns a copy of
Hollow Lantern into Tarnwell, lives outside this project. This package speaks
the same command lines and messages; its checks of the game copy, the install
folder, the build tools, the graphics card and the free space are real, while
its heavy build steps only take time and report progress.

Command lines::

    python -m setup --info [--display WxH]
    python -m setup --json --game PATH --dest DIR [--quality ID] [--desktop-entry]
    python -m setup --install-packages --json

Exit codes: 0 a finished job or info reply, 1 a failed job, 2 bad arguments
or a bad scenario variable, 3 a cancelled job.

Environment variables (all optional; they steer demos and tests):

TARNWELL_STANDIN_SECONDS
    Seconds that the heavy stand-in steps take together (default 60; a
    decimal number, 0 allowed). Tests use a fraction of a second.
TARNWELL_STANDIN_FAIL
    A step id: the build fails half-way through that step with an "error"
    message and ends with the result "failed".
TARNWELL_STANDIN_FAIL_TEXT, TARNWELL_STANDIN_FAIL_DETAIL, TARNWELL_STANDIN_FAIL_COMMAND
    Replace the "text", "detail" and "command" of that error message.
TARNWELL_STANDIN_CRASH
    A step id: the process dies half-way through that step with exit code
    70 and without an "end" message.
TARNWELL_STANDIN_IGNORE_CANCEL
    "1": the build neither watches nor removes the cancel marker (one left
    over from an earlier run is still removed when the job starts), and a
    termination signal ends the process at once, without "end".
TARNWELL_STANDIN_LOG_FLOOD
    A count: the first heavy step that runs sends that many "log" messages
    as fast as it can.
TARNWELL_STANDIN_NOISE
    "1": a line that is not a JSON object follows every message of a job
    and surrounds the info reply.
TARNWELL_STANDIN_INFO_DELAY
    Seconds to wait before the info reply is printed.
TARNWELL_STANDIN_TOOLS
    The build tools looked up on PATH, separated by commas; a tool may name
    alternatives with "|" ("c++|g++|clang++"), and is reported by its first
    name. Empty: no tools are needed.
TARNWELL_STANDIN_MISSING
    Tools reported missing whatever PATH holds. The installation job
    pretends to install them and remembers them, so that the next info
    reply no longer reports them.
TARNWELL_STANDIN_INSTALL_COMMAND
    Replaces the "install_command" of the info reply (empty: none known).
TARNWELL_STANDIN_CAN_INSTALL
    "1" or "0": replaces "can_install" in the info reply.
TARNWELL_STANDIN_GPU
    Replaces the graphics card found (empty: none).
TARNWELL_STANDIN_FREE_GB
    Replaces the free space measured on the install drive, in GB.
TARNWELL_STANDIN_ARGV_LOG
    A file: every run appends one JSON line {"argv": [...], "cwd": ...}
    with its arguments, before they are examined.
TARNWELL_STANDIN_PLAYED
    Read by the stand-in game that a build installs: when set, the game
    appends the line "played quality=ID" to that file.

STANDIN.md beside this file says the same for people running demos.
"""

__version__ = "1.0.0-standin"
