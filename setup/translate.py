"""The stand-in's texts in the player's language, through gettext.

The language comes from the environment, as for any gettext program: LANGUAGE, LC_ALL,
LC_MESSAGES, LANG, and HOST_LC_ALL or HOST_LANG where the locale is C (the setup window
puts its own choice into LANGUAGE); the table of languages (languages.tsv) maps a system
code to the catalog that serves it, and says how the language writes numbers and lists.
The compiled catalogs (<code>/LC_MESSAGES/tarnwell.mo) are found in TARNWELL_LOCALEDIR,
which the window names, else in locale/ beside this package. "qps" is the tests' pseudo-language:
every text accented, 40 % longer and bracketed; "qps_plocm" its right-to-left sister: every
Latin letter a Hebrew one. A translation whose placeholders ({name})
differ from the English ones is not used.
"""

import errno
import gettext
import locale
import os
import re

from . import languages

DOMAIN = "tarnwell"
PSEUDO = "qps"
PSEUDO_RTL = "qps_plocm"
LOCALEDIR = os.environ.get("TARNWELL_LOCALEDIR", "")
if not os.path.isdir(LOCALEDIR):
    LOCALEDIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "locale")


_SOURCE_LOCALE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "locale")
TABLE = (languages.read_table(os.path.join(LOCALEDIR, "languages.tsv"))
         or languages.read_table(os.path.join(_SOURCE_LOCALE, "languages.tsv")))


def _first_language():
    for tag in languages.preferred(os.environ):
        if tag.split(".")[0].replace("-", "_").lower() == PSEUDO_RTL:
            return PSEUDO_RTL
        if tag.lower().startswith(PSEUDO):
            return PSEUDO
        code = languages.code_for(tag, TABLE)
        if code:
            return code
    return "en"


LANGUAGE = _first_language()
try:
    # The system's own reasons (strerror) in the locale's language, which LANGUAGE steers;
    # numbers keep the C locale's form. Windows has no such category.
    locale.setlocale(locale.LC_MESSAGES, "")
except (AttributeError, locale.Error):
    pass
_catalog = gettext.translation(DOMAIN, LOCALEDIR, languages=[LANGUAGE], fallback=True)
_pseudo = LANGUAGE == PSEUDO
_pseudo_rtl = LANGUAGE == PSEUDO_RTL
_ROW = next((r for r in TABLE if r["code"] == LANGUAGE), None) or (TABLE[0] if TABLE else
                                                                   {"decimal": ".", "list": ", "})

_ACCENTS = dict(zip("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
                    "åƀçðéƒĝĥîĵķļɱñöþǫŕšţûṽŵẋýžÅƁÇÐÉƑĜĤÎĴĶĻṀÑÖÞǪŔŠŢÛṼŴẊÝŽ"))
_FILLER = " ļöŕéɱ îþšûɱ ðöļöŕ šîţ åɱéţ çöñšéçţéţûŕ"


def pseudo(text):
    """The pseudo-language's text: placeholders kept, every letter accented, 40 % more."""
    parts = re.split(r"(\{[^{}]*\})", text)
    body = "".join(p if p.startswith("{") else "".join(_ACCENTS.get(c, c) for c in p) for p in parts)
    letters = sum(len(p) for p in parts if not p.startswith("{"))
    wanted = (letters * 2 + 4) // 5
    pad = (_FILLER * (wanted // len(_FILLER) + 1))[:wanted]
    return "[" + body + pad + "]"


_HEBREW = dict(zip("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
                   "אבגדהוזחטיכלמנסעפצקרשתךםןף" * 2))


def pseudo_rtl(text):
    """The right-to-left pseudo-language's text: placeholders kept, every Latin letter Hebrew."""
    parts = re.split(r"(\{[^{}]*\})", text)
    return "".join(p if p.startswith("{") else "".join(_HEBREW.get(c, c) for c in p) for p in parts)


def _names(text):
    return sorted(re.findall(r"\{([^{}]*)\}", text))


def _(text):
    if _pseudo:
        return pseudo(text)
    if _pseudo_rtl:
        return pseudo_rtl(text)
    translated = _catalog.gettext(text)
    return translated if _names(translated) == _names(text) else text


def ngettext(singular, plural, n):
    if _pseudo:
        return pseudo(singular if n == 1 else plural)
    if _pseudo_rtl:
        return pseudo_rtl(singular if n == 1 else plural)
    translated = _catalog.ngettext(singular, plural, n)
    return translated if _names(translated) == _names(singular) else (singular if n == 1 else plural)


def decimal(value, digits=1):
    """A number as the language writes it: 1.5, or 1,5 in German."""
    return ("%.*f" % (digits, value)).replace(".", _ROW["decimal"])


def list_text(items):
    """Items joined as the language lists them: "a, b", or "a、b" in Japanese and Chinese."""
    return _ROW["list"].join(items)


def _reasons():
    return {
        errno.ENOENT: _("it does not exist"),
        errno.EACCES: _("permission was denied"),
        errno.EPERM: _("permission was denied"),
        errno.ENOSPC: _("the disk is full"),
        errno.EROFS: _("the disk is read-only"),
        errno.ENOTDIR: _("it is not a folder"),
        errno.EISDIR: _("it is a folder"),
        errno.EEXIST: _("it already exists"),
        errno.ENAMETOOLONG: _("the name is too long"),
        errno.EIO: _("the disk could not be read or written"),
        errno.EBUSY: _("another program is using it"),
    }


def reason(e):
    """Why an operating-system call failed, in the player's language: our own words for the
    common reasons, else the system's (which follow the locale), else the exception's text."""
    if isinstance(e, OSError):
        if e.errno in _reasons():
            return _reasons()[e.errno]
        if e.strerror:
            return e.strerror
    return str(e)
