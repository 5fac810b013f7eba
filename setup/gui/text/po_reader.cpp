#include "text/po_reader.h"

#include "text/utf8.h"

#include <SDL3/SDL.h>

#include <cstring>
#include <vector>

namespace {

// One entry as the file gives it: its flags and comments, then msgctxt, msgid, msgid_plural
// and msgstr (or msgstr[n]), each string perhaps continued on the lines below it.
struct PoEntry {
  std::string context, id, plural;
  std::vector<std::string> strs;
  bool has_id = false, has_context = false, fuzzy = false, broken = false;
};

// The highest plural form index read; no language has more than a handful.
constexpr size_t MAX_FORMS = 16;

}  // namespace

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Appends the quoted string that opens at `line[p]`, its escapes as C reads them, to `out`.
// False when there is no string there, it is not closed, something but blanks follows it, or
// it holds an escape C does not have or a byte value above 255.
static bool unquote(const std::string& line, size_t p, std::string& out) {
  while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) p++;
  if (p >= line.size() || line[p] != '"') return false;
  for (p++; p < line.size() && line[p] != '"'; p++) {
    if (line[p] != '\\') {
      out += line[p];
      continue;
    }
    if (++p >= line.size()) return false;
    const char c = line[p];
    static const char simple[] = "ntrabfv\\\"'?", meaning[] = "\n\t\r\a\b\f\v\\\"'?";
    if (const char* at = strchr(simple, c); at && c) {
      out += meaning[at - simple];
    } else if (c >= '0' && c <= '7') {  // up to three octal digits
      unsigned value = 0;
      for (int n = 0; n < 3 && p < line.size() && line[p] >= '0' && line[p] <= '7'; n++, p++)
        value = value * 8 + (unsigned)(line[p] - '0');
      if (value > 255) return false;
      out += (char)value;
      p--;
    } else if (c == 'x' && p + 1 < line.size() && hex_digit(line[p + 1]) >= 0) {  // all hex digits
      unsigned value = 0;
      for (p++; p < line.size() && hex_digit(line[p]) >= 0; p++) {
        value = value * 16 + (unsigned)hex_digit(line[p]);
        if (value > 255) return false;
      }
      out += (char)value;
      p--;
    } else {
      return false;
    }
  }
  if (p >= line.size()) return false;  // not closed
  for (p++; p < line.size(); p++)
    if (line[p] != ' ' && line[p] != '\t') return false;
  return true;
}

// Whether a "#," line names the flag "fuzzy" among its comma-separated flags.
static bool has_fuzzy_flag(const std::string& line) {
  std::string flag;
  for (size_t at = 2; at <= line.size(); at++) {
    if (at == line.size() || line[at] == ',') {
      if (flag == "fuzzy") return true;
      flag.clear();
    } else if (line[at] != ' ' && line[at] != '\t') {
      flag += line[at];
    }
  }
  return false;
}

// The entries of the file, in order, the header (msgid "") among them.
static std::vector<PoEntry> read_entries(const std::string& text) {
  std::vector<PoEntry> entries;
  PoEntry e;
  std::string* target = nullptr;  // the string that continuation lines extend
  auto finish = [&] {
    if (e.has_id) entries.push_back(std::move(e));
    e = PoEntry();
    target = nullptr;
  };
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t first = text.find_first_not_of(" \t", start);
    std::string line = first < end ? text.substr(first, end - first) : std::string();
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      finish();
    } else if (line[0] == '#') {  // flags and comments stand before the entry they are about
      if (e.has_id) finish();
      target = nullptr;
      if (line.rfind("#,", 0) == 0 && has_fuzzy_flag(line)) e.fuzzy = true;
    } else if (line[0] == '"') {
      if (!target || !unquote(line, 0, *target)) e.broken = true;
    } else {
      size_t word_end = line.find_first_of(" \t[\"");
      const std::string word = line.substr(0, word_end);
      size_t rest = word_end == std::string::npos ? line.size() : word_end;
      target = nullptr;
      if (word == "msgctxt") {
        if (e.has_id) finish();
        e.has_context = true;  // tr() has no contexts: such an entry is read, then left out
        target = &e.context;
      } else if (word == "msgid") {
        if (e.has_id) finish();
        e.has_id = true;
        target = &e.id;
      } else if (word == "msgid_plural" && e.has_id && e.strs.empty()) {
        target = &e.plural;
      } else if (word == "msgstr" && e.has_id) {
        size_t index = 0;
        if (rest < line.size() && line[rest] == '[') {
          size_t close = line.find(']', rest);
          char* digits_end = nullptr;
          index = strtoul(line.c_str() + rest + 1, &digits_end, 10);
          if (close == std::string::npos || digits_end != line.c_str() + close || close == rest + 1 ||
              index > MAX_FORMS) {
            e.broken = true;
            continue;
          }
          rest = close + 1;
        }
        if (e.strs.size() <= index) e.strs.resize(index + 1);
        target = &e.strs[index];
      }
      if (!target) {
        e.broken = true;
        continue;
      }
      target->clear();
      if (!unquote(line, rest, *target)) e.broken = true;
    }
  }
  finish();
  return entries;
}

// The charset that the header's "Content-Type: text/plain; charset=..." names, upper-cased;
// "" when it names none.
static std::string header_charset(const std::string& header) {
  std::string lower = header;
  for (char& c : lower) c = (char)SDL_tolower((unsigned char)c);
  size_t at = lower.find("charset=");
  if (at == std::string::npos) return "";
  std::string name;
  for (at += 8; at < header.size() && !strchr(" \t\r\n;\"", header[at]); at++)
    name += (char)SDL_toupper((unsigned char)header[at]);
  return name;
}

// Whether the texts of a catalog in `charset` are taken as they are: UTF-8, ASCII, or the
// template's placeholder "CHARSET" that a catalog nobody filled in still has.
static bool is_utf8_charset(const std::string& charset) {
  for (const char* name : {"", "UTF-8", "UTF8", "ASCII", "US-ASCII", "CHARSET"})
    if (charset == name) return true;
  return false;
}

// `text` from `charset` into UTF-8 in place; false when it cannot be converted or holds a
// NUL, which would end the text tr() returns early.
static bool convert_to_utf8(std::string& text, const std::string& charset) {
  if (text.find('\0') != std::string::npos) return false;
  if (is_utf8_charset(charset) || text.empty()) return true;
  char* utf8 = SDL_iconv_string("UTF-8", charset.c_str(), text.data(), text.size());
  if (!utf8) return false;
  text = utf8;
  SDL_free(utf8);
  return true;
}

// Whether the .po file's own syntax, which is ASCII, reads the same in `charset`: a charset
// such as UTF-16 would misread it, and one the converter does not know cannot be read at all.
static bool charset_usable(const std::string& charset) {
  if (is_utf8_charset(charset)) return true;
  if (charset.size() > 40 ||
      charset.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.:") != std::string::npos)
    return false;
  std::string probe = "msgid \"{}\\\"\n#,[]";
  const std::string ascii = probe;
  return convert_to_utf8(probe, charset) && probe == ascii;
}

// Valid UTF-8 (no NUL: see convert_to_utf8).
static bool valid_text(const std::string& text) {
  for (size_t at = 0, next; at < text.size(); at = next) {
    char32_t c = utf8_decode(text, at, &next);
    if (c == 0 || (c == 0xFFFD && next == at + 1)) return false;
  }
  return true;
}

static void keep_entry(Catalog& catalog, PoEntry& e, const std::string& charset) {
  if (e.id.empty() || e.has_context || e.fuzzy || e.broken || e.strs.empty())
    return;  // the header, or unused
  for (std::string* s : {&e.id, &e.plural})
    if (!convert_to_utf8(*s, charset) || !valid_text(*s)) return;
  if (e.id.empty()) return;
  const std::vector<std::string> wanted = placeholders(e.id);
  if (!e.plural.empty() && placeholders(e.plural) != wanted) return;
  for (std::string& s : e.strs)
    if (s.empty() || !convert_to_utf8(s, charset) || !valid_text(s) || placeholders(s) != wanted)
      return;  // not translated, unreadable, or it would lose or invent a value
  catalog.messages[e.id] = std::move(e.strs);
}

Catalog parse_po(const std::string& text, const std::string& code) {
  Catalog catalog;
  catalog.code = code;
  if (text.size() > PO_MAX_BYTES) return catalog;
  std::vector<PoEntry> entries = read_entries(text);
  std::string charset;
  for (const PoEntry& e : entries)
    if (e.id.empty() && !e.has_context && !e.strs.empty()) {
      charset = header_charset(e.strs[0]);
      break;
    }
  if (!charset_usable(charset)) return catalog;
  for (PoEntry& e : entries) keep_entry(catalog, e, charset);
  return catalog;
}

Catalog read_po(const std::string& path, const std::string& code) {
  std::string text;
  if (SDL_IOStream* io = SDL_IOFromFile(path.c_str(), "rb")) {
    char chunk[16384];
    size_t got;
    while (text.size() <= PO_MAX_BYTES && (got = SDL_ReadIO(io, chunk, sizeof chunk)) > 0)
      text.append(chunk, got);
    SDL_CloseIO(io);
  }
  return parse_po(text, code);
}
