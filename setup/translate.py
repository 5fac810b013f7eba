"""The stand-in's texts in the player's language, through gettext.

The language comes from the environment, as for any gettext program: LANGUAGE, LC_ALL,
LC_MESSAGES, LANG (the setup window puts its own choice into LANGUAGE). The compiled
catalogs (<code>/LC_MESSAGES/tarnwell.mo) are found in TARNWELL_LOCALEDIR, which the
window names, else in locale/ beside this package. "qps" is the tests' pseudo-language:
every text accented, 40 % longer and bracketed. A translation whose placeholders ({name})
differ from the English ones is not used.
"""

import gettext
import os
import re

DOMAIN = "tarnwell"
PSEUDO = "qps"
LOCALEDIR = os.environ.get("TARNWELL_LOCALEDIR", "")
if not os.path.isdir(LOCALEDIR):
    LOCALEDIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "locale")


def _first_language():
    for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"):
        value = os.environ.get(name)
        if value:
            return value.split(":")[0].split(".")[0].replace("-", "_")
    return ""


LANGUAGE = _first_language()
_catalog = gettext.translation(DOMAIN, LOCALEDIR, fallback=True)
_pseudo = LANGUAGE.lower().startswith(PSEUDO)

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


def _names(text):
    return sorted(re.findall(r"\{([^{}]*)\}", text))


def _(text):
    if _pseudo:
        return pseudo(text)
    translated = _catalog.gettext(text)
    return translated if _names(translated) == _names(text) else text


def ngettext(singular, plural, n):
    if _pseudo:
        return pseudo(singular if n == 1 else plural)
    translated = _catalog.ngettext(singular, plural, n)
    return translated if _names(translated) == _names(singular) else (singular if n == 1 else plural)


_COMMA = ("ru", "uk", "pl", "de", "fr", "es", "pt", "it", "tr")


def decimal(value, digits=1):
    """A number as the language writes it: 1.5, or 1,5 in German."""
    text = "%.*f" % (digits, value)
    return text.replace(".", ",") if LANGUAGE.split("_")[0].lower() in _COMMA else text
