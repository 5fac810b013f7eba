#!/usr/bin/env python3
"""The translation catalogs (locale/<code>.po) against the texts in the sources.

    scripts/catalogs.py --pot      writes locale/tarnwell.pot from the sources
    scripts/catalogs.py --check [--locale DIR]
                                   fails when the .pot is not current; when a catalog
                                   lacks a message, has another number of plural forms
                                   than the table of languages gives, or changes a
                                   message's placeholders; when a catalog is not in the
                                   table, or a language of the table has a glossary but
                                   no catalog; when a glossary term is translated
                                   otherwise than its glossary accepts

The languages are the rows of locale/languages.tsv, shared with the window and the
stand-in. A row whose catalog has not come yet is only noted (the window shows it in
English and leaves it out of its language list); once its glossary is in, the catalog
must be too.

A glossary, locale/glossary/<code>.tsv (UTF-8, '#' starts a comment line), holds one
term a line: english_regex<TAB>accepted_regex<TAB>avoid_regex (Python regular
expressions, case-insensitive; avoid may be empty). Every translation (each plural form)
of a message whose English matches english_regex must match accepted_regex, and no
translation in the catalog may match avoid_regex. Once locale/glossary/ is there, every
catalog has its glossary.

Texts are found in the window's C++ as tr("...") and trn("...", "...", n), and in the
stand-in backend's Python as _("...") and ngettext("...", "...", n); adjacent string
literals join as the compilers join them. Placeholders are names in braces: "{time}".
"""

import ast
import importlib.util
import io
import os
import re
import sys
import tokenize

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
LOCALE = os.path.join(TOP, "locale")
POT = os.path.join(LOCALE, "tarnwell.pot")


C_CALL = re.compile(r"\b(tr|trn)\(")
C_LITERAL = re.compile(r'\s*"((?:[^"\\]|\\.)*)"')
NO_GLOSSARY = ("en", "qps")


def table(locale=LOCALE):
    """The rows of the table of languages (setup/languages.py reads it for the stand-in)."""
    module_spec = importlib.util.spec_from_file_location("languages", os.path.join(TOP, "setup", "languages.py"))
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    path = os.path.join(locale, "languages.tsv")
    return module.read_table(path if os.path.exists(path) else os.path.join(LOCALE, "languages.tsv"))


def c_unescape(s):
    return re.sub(r"\\(.)", lambda m: "\n" if m.group(1) == "n" else m.group(1), s)


def c_strings(text, pos, count):
    """`count` string arguments from `pos` on, each of adjacent literals."""
    out = []
    for _ in range(count):
        parts = []
        while True:
            m = C_LITERAL.match(text, pos)
            if not m:
                break
            parts.append(c_unescape(m.group(1)))
            pos = m.end()
        if not parts:
            return None
        out.append("".join(parts))
        m = re.compile(r"\s*,").match(text, pos)
        if m:
            pos = m.end()
    return tuple(out)


def scan_cpp(path):
    text = open(path, encoding="utf-8").read()
    text = re.sub(r"//[^\n]*", "", text)
    for m in C_CALL.finditer(text):
        found = c_strings(text, m.end(), 1 if m.group(1) == "tr" else 2)
        if found:
            yield found


def scan_py(path):
    toks = [t for t in tokenize.generate_tokens(io.StringIO(open(path, encoding="utf-8").read()).readline)
            if t.type not in (tokenize.NL, tokenize.NEWLINE, tokenize.COMMENT)]
    for i, t in enumerate(toks[:-1]):
        if t.type == tokenize.NAME and t.string in ("_", "ngettext") and toks[i + 1].string == "(":
            args, parts, j = [], [], i + 2
            while j < len(toks) and toks[j].type == tokenize.STRING:
                parts.append(ast.literal_eval(toks[j].string))
                j += 1
                if toks[j].string == ",":
                    args.append("".join(parts))
                    parts = []
                    j += 1
            if parts:
                args.append("".join(parts))
            want = 1 if t.string == "_" else 2
            if len(args) >= want:
                yield tuple(args[:want])


def source_messages():
    found = []
    for folder, _, files in sorted(os.walk(os.path.join(TOP, "setup"))):
        for name in sorted(files):
            path = os.path.join(folder, name)
            if name.endswith((".cpp", ".h")):
                found += scan_cpp(path)
            elif name.endswith(".py"):
                found += scan_py(path)
    seen, out = set(), []
    for m in found:
        if m[0] not in seen:
            seen.add(m[0])
            out.append(m)
    return out


def po_quote(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def pot_text(messages):
    lines = ['msgid ""', 'msgstr ""', '"Content-Type: text/plain; charset=UTF-8\\n"',
             '"Plural-Forms: nplurals=2; plural=(n != 1);\\n"', ""]
    for m in messages:
        lines.append("msgid " + po_quote(m[0]))
        if len(m) == 2:
            lines += ["msgid_plural " + po_quote(m[1]), 'msgstr[0] ""', 'msgstr[1] ""']
        else:
            lines.append('msgstr ""')
        lines.append("")
    return "\n".join(lines)


def read_po(path):
    """{msgid: (msgid_plural or None, [msgstr...])} and the header's nplurals."""
    entries, cur, key = {}, None, None

    def close():
        if cur and cur["id"] is not None:
            entries[cur["id"]] = (cur["plural"], [cur["strs"][k] for k in sorted(cur["strs"])], cur["fuzzy"])

    fuzzy = False
    for line in open(path, encoding="utf-8").read().split("\n") + [""]:
        line = line.strip()
        if line.startswith("#,") and "fuzzy" in line:
            fuzzy = True
        elif line.startswith("msgid_plural "):
            cur["plural"] = ast.literal_eval(line[13:])
            key = "plural"
        elif line.startswith("msgid "):
            close()
            cur = {"id": ast.literal_eval(line[6:]), "plural": None, "strs": {}, "fuzzy": fuzzy}
            fuzzy, key = False, "id"
        elif line.startswith("msgstr"):
            m = re.match(r"msgstr(?:\[(\d+)\])?\s+(.*)", line)
            key = int(m.group(1) or 0)
            cur["strs"][key] = ast.literal_eval(m.group(2))
        elif line.startswith('"') and cur:
            if key in ("id", "plural"):
                cur[key] += ast.literal_eval(line)
            else:
                cur["strs"][key] += ast.literal_eval(line)
    close()
    header = entries.pop("", (None, [""], False))[1][0]
    m = re.search(r"nplurals\s*=\s*(\d+)", header)
    return entries, int(m.group(1)) if m else None


def names(text):
    return sorted(re.findall(r"\{([^{}]*)\}", text))


def read_glossary(path):
    """[(line number, english, accepted, avoid)] of a glossary file."""
    terms = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            parts = line.split("\t")
            while len(parts) < 3:
                parts.append("")
            terms.append((number, parts[0], parts[1], parts[2]))
    return terms


def check_glossary(po, entries, current, path):
    problems = []
    try:
        terms = read_glossary(path)
    except OSError as e:
        return ["%s: its glossary cannot be read: %s" % (po, e)]
    for number, english, accepted, avoid in terms:
        try:
            english_re = re.compile(english, re.I)
            accepted_re = re.compile(accepted, re.I)
            avoid_re = re.compile(avoid, re.I) if avoid else None
        except re.error as e:
            problems.append("%s:%d: %s" % (os.path.basename(path), number, e))
            continue
        for msgid, (_, strs, fuzzy) in sorted(entries.items()):
            for s in strs:
                if not s:
                    continue
                if msgid in current and english_re.search(msgid) and not accepted_re.search(s):
                    problems.append("%s: %r: %r does not say %r as the glossary has it (line %d)"
                                    % (po, msgid, s, accepted, number))
                if avoid_re and avoid_re.search(s):
                    problems.append("%s: %r: %r says %r, which the glossary avoids (line %d)"
                                    % (po, msgid, s, avoid_re.search(s).group(0), number))
    return problems


def check(messages, locale=LOCALE):
    problems = []
    if not os.path.exists(POT) or open(POT, encoding="utf-8").read() != pot_text(messages):
        problems.append("locale/tarnwell.pot is not current: run scripts/catalogs.py --pot")
    rows = {row["code"]: row for row in table(locale)}
    if "en" not in rows:
        problems.append("locale/languages.tsv: no table of languages with English in it")
    pos = sorted(f for f in os.listdir(locale) if f.endswith(".po"))
    if not pos:
        problems.append("no catalogs in locale/")
    glossaries = os.path.join(locale, "glossary")
    for code in rows:
        if code in NO_GLOSSARY or code + ".po" in pos:
            continue
        if os.path.exists(os.path.join(glossaries, code + ".tsv")):
            problems.append("%s: in the table of languages and with a glossary, but no catalog" % code)
        else:
            print("catalogs: %s: no catalog yet (shown in English)" % code)
    for po in pos:
        code = po[:-3]
        if code not in rows:
            problems.append("%s: the language is not in locale/languages.tsv" % po)
            continue
        entries, nplurals = read_po(os.path.join(locale, po))
        wanted = rows[code]["nplurals"]
        if nplurals != wanted:
            problems.append("%s: Plural-Forms has nplurals=%s, the table of languages %d" % (po, nplurals, wanted))
        for m in messages:
            e = entries.get(m[0])
            if not e or e[2] or not all(e[1]):
                problems.append("%s: no translation of %r" % (po, m[0]))
                continue
            forms = wanted if len(m) == 2 else 1
            if len(e[1]) != forms:
                problems.append("%s: %r has %d forms, not %d" % (po, m[0], len(e[1]), forms))
            for s in e[1]:
                if names(s) != names(m[0]):
                    problems.append("%s: %r: the placeholders of %r differ" % (po, m[0], s))
        glossary = os.path.join(glossaries, code + ".tsv")
        if os.path.exists(glossary):
            problems += check_glossary(po, entries, {m[0] for m in messages}, glossary)
        elif code not in NO_GLOSSARY and os.path.isdir(glossaries):
            problems.append("%s: no glossary locale/glossary/%s.tsv" % (po, code))
    return problems


def main():
    messages = source_messages()
    if "--pot" in sys.argv:
        os.makedirs(LOCALE, exist_ok=True)
        with open(POT, "w", encoding="utf-8") as f:
            f.write(pot_text(messages))
        print("catalogs: %d messages in %s" % (len(messages), POT))
        return 0
    locale = sys.argv[sys.argv.index("--locale") + 1] if "--locale" in sys.argv else LOCALE
    problems = check(messages, locale)
    for p in problems:
        print("catalogs: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
