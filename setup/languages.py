"""The table of languages (locale/languages.tsv), which the window, scripts/catalogs.py and
the stand-in share: each language's code, its name in its own language, its plural rule,
how it writes numbers and lists, and the system codes that choose it."""

import os

FIELDS = ("code", "name", "nplurals", "plural", "decimal", "group", "percent", "gigabytes",
          "megabytes", "list", "rtl", "system")


def _unescape(field):
    return field.replace("\\s", " ").replace("\\h", "\u00a0")


def read_table(path):
    """The rows of the table at `path`, in order: a dict each; [] when it cannot be read."""
    rows = []
    try:
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
    except OSError:
        return rows
    for line in lines:
        line = line.rstrip("\r")
        if not line or line.startswith("#"):
            continue
        parts = line.split("\t")
        if len(parts) < len(FIELDS) or parts[0] == "code":
            continue
        row = {k: _unescape(v) for k, v in zip(FIELDS, parts)}
        row["nplurals"] = int(parts[2])
        row["rtl"] = parts[10] == "1"
        row["system"] = [] if parts[11] == "-" else parts[11].split()
        rows.append(row)
    return rows


def code_for(tag, rows):
    """The code of the row that a locale name or language tag chooses ("de_AT.UTF-8" -> "de",
    "es-MX" -> "es_419", "nn" -> "nb"); "" when none does."""
    t = tag.split(".")[0].split("@")[0].replace("-", "_").lower()
    if not t:
        return ""
    parts = t.split("_")
    tries = [parts[0] + "_" + p for p in parts[1:] if len(p) == 4]
    tries += [parts[0] + "_" + p for p in parts[1:] if len(p) != 4]
    tries.append(parts[0])
    for name in tries:
        for row in rows:
            if name == row["code"].lower() or name in row["system"]:
                return row["code"]
    return ""


def _is_c(value):
    return not value or value in ("C", "POSIX") or value.startswith("C.")


def preferred(environ):
    """The environment's languages, most wanted first: LANGUAGE's entries, then the first
    set of LC_ALL, LC_MESSAGES and LANG; where that is C or POSIX, HOST_LC_ALL or HOST_LANG."""
    out = [p for p in environ.get("LANGUAGE", "").split(":") if p]
    locale = next((environ[n] for n in ("LC_ALL", "LC_MESSAGES", "LANG") if environ.get(n)), "")
    if _is_c(locale):
        locale = next((environ[n] for n in ("HOST_LC_ALL", "HOST_LANG") if not _is_c(environ.get(n))), locale)
    if locale:
        out.append(locale)
    return out
