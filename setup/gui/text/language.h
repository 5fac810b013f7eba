// The window in the player's language: the catalogs (gettext .po files, one a language,
// under <root>/locale), the choice of language, and texts, numbers, sizes and times as the
// language writes them. The English text is the key of every message; a placeholder is a
// name in braces ("{time}"), so a translation may put it anywhere in its sentence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The languages are the rows of the table (text/language_table.h), English first. "qps" is
// the pseudo-language of the tests: every text accented, 40 % longer and bracketed, made
// from the English. "qps_plocm" is its right-to-left sister: the English with Hebrew
// letters for the Latin ones, as long as the English, in a window laid out right to left.
extern const char PSEUDO[];      // "qps"
extern const char PSEUDO_RTL[];  // "qps_plocm"

// True when the window's language is written right to left (its row says so, or it is
// the right-to-left pseudo-language): the window is then laid out mirrored. A test seam:
// TARNWELL_UI_DIRECTION=ltr or rtl lays any language out that way, so that one language's
// texts can be compared in both layouts.
bool ui_rtl();

// One language's messages: English text (for a plural, the English singular) to its
// translations (one per plural form).
struct Catalog {
  std::string code = "en";
  std::unordered_map<std::string, std::vector<std::string>> messages;
};

// The window's language: set by use_language at start, before any thread translates, and
// only read from then on (tr() is called on other threads too).
extern Catalog g_lang;

// The names in braces of a text, sorted: "{count} of {total}" gives {"count", "total"}.
std::vector<std::string> placeholders(const std::string& text);

// Which plural form of `code` a count takes (its Plural-Forms in the table of languages).
int plural_form(const std::string& code, unsigned long long n);

// The pseudo-language's text for an English one; placeholders are kept as they are.
std::string pseudo_text(const std::string& english);
// The right-to-left pseudo-language's: each Latin letter a Hebrew one (capitals as small
// ones), digits, signs and placeholders kept.
std::string pseudo_rtl_text(const std::string& english);
// Whether `code` is one of the two pseudo-languages.
bool is_pseudo(const std::string& code);

// The language code we ship for a locale name or language tag ("de_AT.UTF-8", "zh-Hant-TW",
// "pt"), "en" for "C" and "POSIX", "" when we have none for it.
std::string language_code(const std::string& tag);

// The system's preferred languages, most wanted first. Linux: the entries of LANGUAGE,
// then the first set of LC_ALL, LC_MESSAGES and LANG; where that is "C" or "POSIX" (or
// none is set), HOST_LC_ALL, else HOST_LANG, as a runtime that starts its programs in the
// "C" locale keeps the player's own there. `get` reads a variable (nullptr when unset).
std::vector<std::string> preferred_from_env(const std::function<const char*(const char*)>& get);
// This system's list: the Windows user's UI languages, or the environment above.
std::vector<std::string> preferred_languages();

// The first preferred language that we have, else English.
std::string choose_language(const std::vector<std::string>& preferred);

// Makes `code` the window's language: reads <root>/locale/<code>.po (po_reader.h; a missing,
// unreadable or oversized catalog leaves English). The backend started later learns it
// through LANGUAGE.
void use_language(const std::string& root, const std::string& code);

// The message for an English text, or the text itself.
const char* tr(const char* english);
// The form of a counted message for n.
const char* trn(const char* singular, const char* plural, unsigned long long n);

// `text` with each "{name}" replaced by its value.
std::string fill(std::string text, const std::vector<std::pair<const char*, std::string>>& values);

// A number with `decimals` digits after the language's decimal mark ("1.5", "1,5").
std::string decimal_text(double value, int decimals);
// A whole number grouped by thousands as the language writes it ("10,485,760", "10 485 760").
std::string grouped_text(unsigned long long value);
// A percentage: "42%", "42 %" in French and German, "%42" in Turkish.
std::string percent_in_language(int percent);
// Free space and sizes: "1.5 GB" at a gigabyte or more, else whole megabytes; "36 Go" in French.
std::string size_in_language(uint64_t bytes);
// Items joined as the language lists them: "a, b" or, in Japanese and Chinese, "a、b".
std::string list_in_language(const std::vector<std::string>& items);
