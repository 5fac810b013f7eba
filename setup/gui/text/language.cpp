#include "text/language.h"

#include "text/language_table.h"
#include "text/po_reader.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#endif

const char PSEUDO[] = "qps";
const char PSEUDO_RTL[] = "qps_plocm";

Catalog g_lang;

std::vector<std::string> placeholders(const std::string& text) {
  // A name holds no brace, as scripts/catalogs.py reads them; one pass over the text, however
  // many braces a catalog's text opens.
  std::vector<std::string> names;
  for (size_t open = text.find('{'); open != std::string::npos;) {
    size_t end = text.find_first_of("{}", open + 1);
    if (end == std::string::npos) break;
    if (text[end] == '}') names.push_back(text.substr(open + 1, end - open - 1));
    open = text[end] == '{' ? end : text.find('{', end + 1);
  }
  std::sort(names.begin(), names.end());
  return names;
}

int plural_form(const std::string& code, unsigned long long n) {
  const LanguageRow* row = language_row(code);
  if (!row) return n != 1 ? 1 : 0;  // the pseudo-language counts as English does
  int form = plural_index(row->plural, n);
  return form < row->nplurals ? form : 0;
}

// ---- the pseudo-language ----

// Copies `english` into `out` with each character outside placeholders passed to `letter`
// by its first byte (the rest of a multi-byte character follows as it is); returns how
// many characters it passed.
template <class Letter>
static size_t map_letters(const std::string& english, std::string& out, Letter letter) {
  size_t letters = 0;
  for (size_t i = 0; i < english.size(); i++) {
    char c = english[i];
    if (c == '{') {
      size_t close = english.find('}', i);
      if (close != std::string::npos) {
        out.append(english, i, close - i + 1);
        i = close;
        continue;
      }
    }
    if (((unsigned char)c & 0xC0) == 0x80) {
      out += c;
      continue;
    }
    letters++;
    letter(out, c);
  }
  return letters;
}

std::string pseudo_text(const std::string& english) {
  static const char* const lower[26] = {"å", "ƀ", "ç", "ð", "é", "ƒ", "ĝ", "ĥ", "î", "ĵ", "ķ", "ļ", "ɱ",
                                        "ñ", "ö", "þ", "ǫ", "ŕ", "š", "ţ", "û", "ṽ", "ŵ", "ẋ", "ý", "ž"};
  static const char* const upper[26] = {"Å", "Ɓ", "Ç", "Ð", "É", "Ƒ", "Ĝ", "Ĥ", "Î", "Ĵ", "Ķ", "Ļ", "Ṁ",
                                        "Ñ", "Ö", "Þ", "Ǫ", "Ŕ", "Š", "Ţ", "Û", "Ṽ", "Ŵ", "Ẋ", "Ý", "Ž"};
  std::string out = "[";
  const size_t letters = map_letters(english, out, [](std::string& to, char c) {
    if (c >= 'a' && c <= 'z')
      to += lower[c - 'a'];
    else if (c >= 'A' && c <= 'Z')
      to += upper[c - 'A'];
    else
      to += c;
  });
  // 40 % more, in words that wrap like the text's own.
  static const char filler[] = " ļöŕéɱ îþšûɱ ðöļöŕ šîţ åɱéţ çöñšéçţéţûŕ";
  const size_t wanted = (letters * 2 + 4) / 5;  // 40 %, rounded up
  size_t added = 0;
  for (const char* p = filler; added < wanted; p++) {
    if (!*p) p = filler;
    out += *p;
    while (((unsigned char)p[1] & 0xC0) == 0x80) out += *++p;
    added++;
  }
  return out + "]";
}

std::string pseudo_rtl_text(const std::string& english) {
  // One Hebrew letter for each Latin one, capitals as small ones (Hebrew has no case).
  static const char* const hebrew[26] = {"א", "ב", "ג", "ד", "ה", "ו", "ז", "ח", "ט", "י", "כ", "ל", "מ",
                                         "נ", "ס", "ע", "פ", "צ", "ק", "ר", "ש", "ת", "ך", "ם", "ן", "ף"};
  std::string out;
  map_letters(english, out, [](std::string& to, char c) {
    if (c >= 'a' && c <= 'z')
      to += hebrew[c - 'a'];
    else if (c >= 'A' && c <= 'Z')
      to += hebrew[c - 'A'];
    else
      to += c;
  });
  return out;
}

bool is_pseudo(const std::string& code) { return code == PSEUDO || code == PSEUDO_RTL; }

bool ui_rtl() {
  static const char* forced = getenv("TARNWELL_UI_DIRECTION");
  if (forced && (!strcmp(forced, "ltr") || !strcmp(forced, "rtl"))) return !strcmp(forced, "rtl");
  // Asked many times a frame, on the frame thread only: the row is looked up once a language.
  static std::string code = "en";
  static bool rtl = false;
  if (g_lang.code != code) {
    code = g_lang.code;
    const LanguageRow* row = language_row(code);
    rtl = code == PSEUDO_RTL || (row && row->rtl);
  }
  return rtl;
}

// ---- choosing the language ----

std::string language_code(const std::string& tag) {
  std::string t;
  for (char c : tag) {
    if (c == '.' || c == '@') break;  // the encoding and modifier say nothing of the language
    t += c == '-' ? '_' : (char)tolower((unsigned char)c);
  }
  if (t.empty()) return "";
  if (t == "c" || t == "posix") return "en";
  if (t == PSEUDO_RTL) return PSEUDO_RTL;
  if (t == PSEUDO || t.rfind("qps_", 0) == 0) return PSEUDO;
  return table_code_for(t);
}

std::vector<std::string> preferred_from_env(const std::function<const char*(const char*)>& get) {
  std::vector<std::string> list;
  if (const char* language = get("LANGUAGE")) {
    std::string all = language;
    size_t start = 0;
    while (start <= all.size()) {
      size_t colon = all.find(':', start);
      if (colon == std::string::npos) colon = all.size();
      if (colon > start) list.push_back(all.substr(start, colon - start));
      start = colon + 1;
    }
  }
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = get(name);
    if (value && *value) {
      locale = value;
      break;  // the first one set is the locale; the others do not count
    }
  }
  // A runtime that starts its programs in the "C" locale keeps the player's own in
  // HOST_LC_ALL or HOST_LANG.
  auto is_c = [](const char* value) {
    const std::string v = value ? value : "";
    return v.empty() || v == "C" || v == "POSIX" || v.rfind("C.", 0) == 0;
  };
  if (is_c(locale))
    for (const char* name : {"HOST_LC_ALL", "HOST_LANG"})
      if (!is_c(get(name))) {
        locale = get(name);
        break;
      }
  if (locale) list.push_back(locale);
  return list;
}

std::vector<std::string> preferred_languages() {
#ifdef _WIN32
  ULONG count = 0, size = 0;
  std::vector<std::string> list;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0) return list;
  std::wstring names(size, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size)) return list;
  for (const wchar_t* p = names.c_str(); *p; p += wcslen(p) + 1) {
    std::string tag;
    for (const wchar_t* c = p; *c; c++) tag += (char)(*c < 128 ? *c : '?');  // tags are ASCII
    list.push_back(tag);
  }
  return list;
#else
  return preferred_from_env([](const char* name) { return (const char*)getenv(name); });
#endif
}

std::string choose_language(const std::vector<std::string>& preferred) {
  for (const std::string& tag : preferred) {
    std::string code = language_code(tag);
    if (!code.empty() && !is_pseudo(code)) return code;
  }
  return "en";
}

void use_language(const std::string& root, const std::string& code) {
  g_lang = Catalog();
  g_lang.code = code;
  if (code != "en" && !is_pseudo(code)) g_lang = read_po(root + "/locale/" + code + ".po", code);
  // The backend speaks the same language: it reads LANGUAGE like any gettext program, and
  // its compiled catalogs stand beside this program (a build folder, the Windows folder).
  SDL_Environment* env = SDL_GetEnvironment();
  SDL_SetEnvironmentVariable(env, "LANGUAGE", g_lang.code.c_str(), true);
  if (const char* base = SDL_GetBasePath()) {
    SDL_PathInfo info;
    std::string dir = std::string(base) + "locale";
    if (SDL_GetPathInfo(dir.c_str(), &info) && info.type == SDL_PATHTYPE_DIRECTORY)
      SDL_SetEnvironmentVariable(env, "TARNWELL_LOCALEDIR", dir.c_str(), false);
  }
}

// ---- messages ----

// The pseudo-language's texts, each made on its first use and kept for the whole run, so
// that a text stays where the pointer tr() returned points. They live apart from the
// catalog, which nothing writes once it is loaded: the disk questions' threads translate
// too, and only this store, under its lock, grows.
static const std::vector<std::string>* pseudo_message(const char* english) {
  static std::mutex lock;
  static std::unordered_map<std::string, std::vector<std::string>> made[2];  // nodes never move
  std::lock_guard<std::mutex> hold(lock);
  const bool rtl = g_lang.code == PSEUDO_RTL;
  auto found = made[rtl].find(english);
  if (found == made[rtl].end())
    found =
        made[rtl]
            .emplace(english, std::vector<std::string>{rtl ? pseudo_rtl_text(english) : pseudo_text(english)})
            .first;
  return &found->second;
}

static const std::vector<std::string>* lookup(const char* english) {
  if (g_lang.code == "en") return nullptr;
  if (is_pseudo(g_lang.code)) return pseudo_message(english);
  auto found = g_lang.messages.find(english);
  return found != g_lang.messages.end() ? &found->second : nullptr;
}

const char* tr(const char* english) {
  const std::vector<std::string>* m = lookup(english);
  return m ? (*m)[0].c_str() : english;
}

const char* trn(const char* singular, const char* plural, unsigned long long n) {
  int form = plural_form(g_lang.code, n);
  if (is_pseudo(g_lang.code)) {
    const std::vector<std::string>* m = lookup(form ? plural : singular);
    return (*m)[0].c_str();
  }
  const std::vector<std::string>* m = lookup(singular);
  if (m && form < (int)m->size()) return (*m)[form].c_str();
  return form ? plural : singular;
}

std::string fill(std::string text, const std::vector<std::pair<const char*, std::string>>& values) {
  for (const auto& [name, value] : values) {
    const std::string key = std::string("{") + name + "}";
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
      text.replace(at, key.size(), value);
  }
  return text;
}

// ---- numbers ----

// The table's row of the window's language; English's for the pseudo-language.
static const LanguageRow& row_in_use() {
  const LanguageRow* row = language_row(g_lang.code);
  if (!row) row = language_row("en");
  static const LanguageRow fallback;
  return row ? *row : fallback;
}

std::string decimal_text(double value, int decimals) {
  char text[64];
  snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string out = text;
  size_t dot = out.find('.');
  if (dot != std::string::npos) out.replace(dot, 1, row_in_use().decimal);
  return out;
}

std::string grouped_text(unsigned long long value) {
  const std::string& mark = row_in_use().group;
  std::string digits = std::to_string(value), out;
  for (size_t i = 0; i < digits.size(); i++) {
    if (i && (digits.size() - i) % 3 == 0) out += mark;
    out += digits[i];
  }
  return out;
}

std::string percent_in_language(int percent) {
  return fill(row_in_use().percent, {{"percent", std::to_string(percent)}});
}

std::string size_in_language(uint64_t bytes) {
  if (bytes >= 1000000000ull)
    return fill(row_in_use().gigabytes, {{"size", decimal_text((double)bytes / 1e9, 1)}});
  return fill(row_in_use().megabytes, {{"size", std::to_string(bytes / 1000000ull)}});
}

std::string list_in_language(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); i++) out += (i ? row_in_use().list : "") + items[i];
  return out;
}
