#include "text/utf8.h"

#include <fribidi.h>
#include <graphemebreak.h>

#include <algorithm>

// Our own reader: libunibreak's and FriBidi's check nothing (a broken sequence swallows
// the bytes after it), HarfBuzz reads whole buffers only, and SDL 3.2's SDL_StepUTF8
// refuses valid four-byte characters whose second byte is A0..BF (U+20000, the rare Han
// characters).
char32_t utf8_decode(const std::string& text, size_t at, size_t* next) {
  const unsigned char* s = (const unsigned char*)text.data();
  size_t n = text.size();
  unsigned char b = s[at];
  int extra = b < 0x80                ? 0
              : b >= 0xC2 && b < 0xE0 ? 1
              : b >= 0xE0 && b < 0xF0 ? 2
              : b >= 0xF0 && b < 0xF5 ? 3
                                      : -1;
  char32_t c = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
  if (extra < 0 || at + extra >= n) {
    *next = at + 1;
    return extra == 0 ? c : 0xFFFD;
  }
  for (int i = 1; i <= extra; i++) {
    if ((s[at + i] & 0xC0) != 0x80) {
      *next = at + 1;
      return 0xFFFD;
    }
    c = (c << 6) | (s[at + i] & 0x3F);
  }
  static const char32_t least[4] = {0, 0x80, 0x800, 0x10000};
  if (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
    *next = at + 1;
    return 0xFFFD;
  }
  *next = at + 1 + extra;
  return c;
}

void utf8_chars(const std::string& text, size_t from, size_t to, std::vector<uint32_t>& chars,
                std::vector<size_t>& starts) {
  chars.clear();
  starts.clear();
  for (size_t at = from, next; at < to; at = next) {
    starts.push_back(at);
    chars.push_back(utf8_decode(text, at, &next));
  }
}

bool is_invisible(char32_t c) {
  return c == 0x00AD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x2069) ||
         c == 0xFEFF;
}

// Places that are cluster boundaries whatever comes before them: between two ASCII
// characters other than CR LF (no ASCII character extends a cluster or is a prepended
// one), and before and after a control character other than within CR LF.
static bool sure_boundary(const std::string& text, size_t at) {
  if (at == 0 || at >= text.size()) return true;
  const unsigned char before = (unsigned char)text[at - 1], here = (unsigned char)text[at];
  if (before == '\r' && here == '\n') return false;
  const bool control_before = before < 0x20 || before == 0x7F, control_here = here < 0x20 || here == 0x7F;
  return (before < 0x80 && here < 0x80) || control_before || control_here;
}

// The grapheme breaks of text[from, from + the characters starting before `to`), with
// `from` a sure boundary: `starts` holds where each character starts, and breaks[i] whether
// a cluster ends after character i. The break after character i depends only on the
// characters up to i + 1, so every entry but the last is final.
static void window_breaks(const std::string& text, size_t from, size_t to, std::vector<size_t>& starts,
                          std::vector<char>& breaks) {
  std::vector<uint32_t> chars;
  utf8_chars(text, from, std::min(to, text.size()), chars, starts);
  breaks.assign(chars.size(), GRAPHEMEBREAK_BREAK);
  if (!chars.empty()) set_graphemebreaks_utf32(chars.data(), chars.size(), nullptr, breaks.data());
}

size_t cluster_start(const std::string& text, size_t at) {
  if (at >= text.size()) return text.size();
  size_t from = at;
  while (!sure_boundary(text, from)) from--;
  if (from == at) return at;
  std::vector<size_t> starts;
  std::vector<char> breaks;
  window_breaks(text, from, at + 1, starts, breaks);
  // The last character starts at or before `at`; the break before it is final.
  for (size_t i = starts.size() - 1; i > 0; i--)
    if (breaks[i - 1] == GRAPHEMEBREAK_BREAK) return starts[i];
  return from;
}

size_t next_cluster(const std::string& text, size_t at) {
  size_t from = at;
  while (!sure_boundary(text, from)) from--;
  std::vector<size_t> starts;
  std::vector<char> breaks;
  // A window of 64 bytes past `at`, twice as wide each time no final break follows `at`.
  for (size_t reach = 64;; reach *= 2) {
    const size_t to = at + reach;
    window_breaks(text, from, to, starts, breaks);
    for (size_t i = 1; i < starts.size(); i++)
      if (starts[i] > at && breaks[i - 1] == GRAPHEMEBREAK_BREAK) return starts[i];
    if (to >= text.size()) return text.size();
  }
}

void utf8_append(std::string& out, char32_t c) {
  const FriBidiChar one = c;
  char bytes[8];  // four at most, and FriBidi's closing NUL
  out.append(bytes, (size_t)fribidi_unicode_to_charset(FRIBIDI_CHAR_SET_UTF8, &one, 1, bytes));
}
