"""Small JSON files that outlive a run: the user's remembered choices, and a
build's record of its finished steps.

Files are replaced atomically (written beside, then renamed over), so a run
that is killed half-way leaves either the old or the new content, never a
torn file. A file that cannot be read counts as empty.
"""

import json
import os

from . import system

CONFIG_NAME = "setup.json"
RECORD_DIR = ".setup"
RECORD_NAME = "state.json"


def read_json(path):
    try:
        with open(path, encoding="utf-8") as f:
            value = json.load(f)
    except (OSError, ValueError):
        return {}
    return value if isinstance(value, dict) else {}


def write_json(path, value):
    """Writes value to path atomically; raises OSError when that fails."""
    folder = os.path.dirname(path)
    os.makedirs(folder, exist_ok=True)
    temp = "%s.%d.tmp" % (path, os.getpid())
    try:
        with open(temp, "w", encoding="utf-8") as f:
            json.dump(value, f, indent=1)
            f.write("\n")
            f.flush()
            os.fsync(f.fileno())
        os.replace(temp, path)
    except BaseException:
        try:
            os.remove(temp)
        except OSError:
            pass
        raise


def config_path():
    return os.path.join(system.config_dir(), CONFIG_NAME)


def load_config():
    return read_json(config_path())


def update_config(**changes):
    """Merges changes into the remembered settings. Returns False when they could
    not be saved (the build itself still counts as done)."""
    config = load_config()
    config.update(changes)
    try:
        write_json(config_path(), config)
    except OSError:
        return False
    return True


def setup_dir(dest):
    return os.path.join(dest, RECORD_DIR)


def record_path(dest):
    return os.path.join(setup_dir(dest), RECORD_NAME)


def load_record(dest):
    return read_json(record_path(dest))


def save_record(dest, record):
    write_json(record_path(dest), record)
