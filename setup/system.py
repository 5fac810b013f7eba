"""Facts about this PC: build tools, package manager, graphics card, folders, free space."""

import os
import re
import shutil
import subprocess
import sys

WINDOWS = os.name == "nt"

# The tools a Tarnwell build runs. A compiler may be any of several names.
DEFAULT_TOOLS = (["git", "cmake", "ninja", "g++|clang++|cl"] if WINDOWS
                 else ["git", "cmake", "ninja", "c++|g++|clang++"])

# Package names where they differ from the tool's name.
APT_PACKAGES = {"ninja": "ninja-build", "c++": "g++", "clang++": "clang"}
WINGET_PACKAGES = {
    "git": "Git.Git",
    "cmake": "Kitware.CMake",
    "ninja": "Ninja-build.Ninja",
    "g++": "BrechtSanders.WinLibs.POSIX.UCRT",
    "clang++": "LLVM.LLVM",
}

PROBE_TIMEOUT = 5.0


def tool_names(scenario):
    """The tools to look for, each a list of alternative program names."""
    tools = DEFAULT_TOOLS if scenario.tools is None else scenario.tools
    return [[name.strip() for name in tool.split("|") if name.strip()] for tool in tools]


def missing_on_path(scenario):
    """Names (the first alternative) of the tools none of whose names is on PATH."""
    return [names[0] for names in tool_names(scenario)
            if names and not any(shutil.which(name) for name in names)]


def os_release(path="/etc/os-release"):
    """The key=value pairs of the os-release file, unquoted; empty where there is none."""
    fields = {}
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                key, sep, value = line.strip().partition("=")
                if sep:
                    fields[key] = value.strip().strip("\"'")
    except OSError:
        pass
    return fields


def is_debian_like():
    fields = os_release()
    words = (fields.get("ID", "") + " " + fields.get("ID_LIKE", "")).lower().split()
    return "debian" in words or "ubuntu" in words


def package_manager():
    """'apt' on Debian and Ubuntu, 'winget' on Windows, None where no command is known."""
    if WINDOWS:
        return "winget"
    if sys.platform.startswith("linux") and is_debian_like():
        return "apt"
    return None


def install_command(tools):
    """The command a person would type to install the named tools; empty when none is known."""
    if not tools:
        return ""
    manager = package_manager()
    if manager == "apt":
        return "sudo apt-get install -y " + " ".join(APT_PACKAGES.get(t, t) for t in tools)
    if manager == "winget":
        return " && ".join("winget install -e --id " + WINGET_PACKAGES.get(t, t) for t in tools)
    return ""


def install_argv_list(tools):
    """The commands that install the tools with the user's consent (pkexec asks for
    the password; winget asks through Windows itself), or None when this PC offers
    no such way."""
    manager = package_manager()
    if manager == "apt" and shutil.which("pkexec") and shutil.which("apt-get"):
        return [["pkexec", "apt-get", "install", "-y"] + [APT_PACKAGES.get(t, t) for t in tools]]
    if manager == "winget" and shutil.which("winget"):
        return [["winget", "install", "-e", "--id", WINGET_PACKAGES.get(t, t),
                 "--accept-package-agreements", "--accept-source-agreements"] for t in tools]
    return None


def _run(argv):
    try:
        done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL, timeout=PROBE_TIMEOUT)
    except (OSError, subprocess.SubprocessError):
        return None
    if done.returncode != 0:
        return None
    return done.stdout.decode("utf-8", "replace")


def gpu_from_lspci(text):
    """The first NVIDIA display controller in lspci's listing, as a readable name."""
    for line in text.splitlines():
        if not re.search(r"VGA compatible controller|3D controller|Display controller", line):
            continue
        if "nvidia" not in line.lower():
            continue
        device = line.split(": ", 1)[-1]
        device = re.sub(r"\s*\(rev [0-9a-fA-F]+\)\s*$", "", device).strip()
        brackets = re.findall(r"\[([^\]]+)\]", device)
        if brackets and brackets[-1].lower() not in ("nvidia", "nvidia corporation"):
            return "NVIDIA " + brackets[-1]
        return re.sub(r"\bCorporation\b\s*", "", device).strip()
    return ""


def find_gpu(scenario):
    """The name of the NVIDIA graphics card, or empty when there is none."""
    if scenario.gpu is not None:
        return scenario.gpu.strip()
    if shutil.which("nvidia-smi"):
        out = _run(["nvidia-smi", "--query-gpu=name", "--format=csv,noheader"])
        if out and out.strip():
            name = out.strip().splitlines()[0].strip()
            return name if name.lower().startswith("nvidia") else "NVIDIA " + name
    if shutil.which("lspci"):
        out = _run(["lspci"])
        if out:
            return gpu_from_lspci(out)
    return ""


def home():
    return os.path.expanduser("~")


def config_dir():
    """The folder where the setup remembers its last build."""
    if WINDOWS:
        base = os.environ.get("APPDATA") or os.path.join(home(), "AppData", "Roaming")
        return os.path.join(base, "Tarnwell")
    base = os.environ.get("XDG_CONFIG_HOME") or os.path.join(home(), ".config")
    return os.path.join(base, "tarnwell")


def _user_dirs_desktop():
    """XDG_DESKTOP_DIR from the user-dirs.dirs file, with $HOME expanded."""
    base = os.environ.get("XDG_CONFIG_HOME") or os.path.join(home(), ".config")
    try:
        with open(os.path.join(base, "user-dirs.dirs"), encoding="utf-8") as f:
            for line in f:
                key, sep, value = line.strip().partition("=")
                if sep and key == "XDG_DESKTOP_DIR":
                    value = value.strip().strip('"')
                    if value.startswith("$HOME"):
                        value = home() + value[len("$HOME"):]
                    if os.path.isabs(value):
                        return value
    except OSError:
        pass
    return ""


def desktop_dir():
    """The user's desktop folder (it may not exist yet)."""
    if WINDOWS:
        return os.path.join(os.environ.get("USERPROFILE") or home(), "Desktop")
    return (os.environ.get("XDG_DESKTOP_DIR") or _user_dirs_desktop()
            or os.path.join(home(), "Desktop"))


def menu_dir():
    """The folder whose entries make up the desktop's application menu."""
    if WINDOWS:
        base = os.environ.get("APPDATA") or os.path.join(home(), "AppData", "Roaming")
        return os.path.join(base, "Microsoft", "Windows", "Start Menu", "Programs")
    base = os.environ.get("XDG_DATA_HOME") or os.path.join(home(), ".local", "share")
    return os.path.join(base, "applications")


def free_gb(path, scenario):
    """Free space in GB (10^9 bytes) on the drive that holds path, or None when unknown."""
    if scenario.free_gb is not None:
        return scenario.free_gb
    probe = os.path.abspath(path)
    while not os.path.exists(probe):
        parent = os.path.dirname(probe)
        if parent == probe:
            return None
        probe = parent
    try:
        return shutil.disk_usage(probe).free / 1e9
    except OSError:
        return None
