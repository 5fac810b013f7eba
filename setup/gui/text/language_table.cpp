#include "text/language_table.h"

#include <cctype>
#include <cstdlib>

static const char TABLE[] =
#include "language_table.inc"
    ;

// A field's text with its escapes: "\s" a space, "\h" a space that does not break a line.
static std::string unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); i++) {
    if (field[i] == '\\' && i + 1 < field.size() && (field[i + 1] == 's' || field[i + 1] == 'h')) {
      out += field[++i] == 's' ? " " : "\xC2\xA0";
      continue;
    }
    out += field[i];
  }
  return out;
}

static std::vector<std::string> split(const std::string& text, char mark) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(mark, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::vector<LanguageRow> parse_language_table(const std::string& tsv) {
  std::vector<LanguageRow> rows;
  bool header_seen = false;
  for (std::string line : split(tsv, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = split(line, '\t');
    if (f.size() < 12) continue;
    if (!header_seen && f[0] == "code") {
      header_seen = true;
      continue;
    }
    LanguageRow row;
    row.code = f[0];
    row.name = f[1];
    row.nplurals = atoi(f[2].c_str());
    row.plural = f[3];
    row.decimal = unescape(f[4]);
    row.group = unescape(f[5]);
    row.percent = unescape(f[6]);
    row.gigabytes = unescape(f[7]);
    row.megabytes = unescape(f[8]);
    row.list = unescape(f[9]);
    row.rtl = f[10] == "1";
    if (f[11] != "-")
      for (const std::string& code : split(f[11], ' '))
        if (!code.empty()) row.system.push_back(code);
    if (row.code.empty() || row.nplurals < 1) continue;
    rows.push_back(row);
  }
  return rows;
}

const std::vector<LanguageRow>& language_table() {
  static const std::vector<LanguageRow> rows = parse_language_table(TABLE);
  return rows;
}

const LanguageRow* language_row(const std::string& code) {
  for (const LanguageRow& row : language_table())
    if (row.code == code) return &row;
  return nullptr;
}

// ---- plural expressions ----

namespace {
// A reader of the C expressions of Plural-Forms: n, numbers, ( ), ! and the binary
// operators by C's precedence, and ?: .
struct Expr {
  const char* p;
  unsigned long long n;
  bool ok = true;

  void space() {
    while (*p == ' ' || *p == '\t') p++;
  }
  bool take(const char* op) {
    space();
    size_t len = 0;
    while (op[len]) len++;
    for (size_t i = 0; i < len; i++)
      if (p[i] != op[i]) return false;
    // "<" is not the start of "<=", "=" never stands alone, "!" not "!=".
    if (len == 1 && (op[0] == '<' || op[0] == '>' || op[0] == '!') && p[1] == '=') return false;
    p += len;
    return true;
  }
  unsigned long long primary() {
    space();
    if (take("(")) {
      unsigned long long v = ternary();
      if (!take(")")) ok = false;
      return v;
    }
    if (take("!")) return !primary();
    if (*p == 'n') {
      p++;
      return n;
    }
    if (isdigit((unsigned char)*p)) return strtoull(p, (char**)&p, 10);
    ok = false;
    return 0;
  }
  unsigned long long product() {
    unsigned long long v = primary();
    while (true) {
      if (take("*")) {
        v *= primary();
      } else if (take("/") || take("%")) {
        char op = p[-1];
        unsigned long long d = primary();
        if (d == 0) {
          ok = false;
          return 0;
        }
        v = op == '/' ? v / d : v % d;
      } else {
        return v;
      }
    }
  }
  unsigned long long sum() {
    unsigned long long v = product();
    while (true) {
      if (take("+"))
        v += product();
      else if (take("-"))
        v -= product();
      else
        return v;
    }
  }
  unsigned long long relation() {
    unsigned long long v = sum();
    while (true) {
      if (take("<="))
        v = v <= sum();
      else if (take(">="))
        v = v >= sum();
      else if (take("<"))
        v = v < sum();
      else if (take(">"))
        v = v > sum();
      else
        return v;
    }
  }
  unsigned long long equality() {
    unsigned long long v = relation();
    while (true) {
      if (take("=="))
        v = v == relation();
      else if (take("!="))
        v = v != relation();
      else
        return v;
    }
  }
  unsigned long long conjunction() {
    unsigned long long v = equality();
    while (take("&&")) {
      unsigned long long w = equality();
      v = v && w;
    }
    return v;
  }
  unsigned long long disjunction() {
    unsigned long long v = conjunction();
    while (take("||")) {
      unsigned long long w = conjunction();
      v = v || w;
    }
    return v;
  }
  unsigned long long ternary() {
    unsigned long long c = disjunction();
    if (!take("?")) return c;
    unsigned long long a = ternary();
    if (!take(":")) ok = false;
    unsigned long long b = ternary();
    return c ? a : b;
  }
};
}  // namespace

int plural_index(const std::string& plural, unsigned long long n) {
  Expr e{plural.c_str(), n};
  unsigned long long v = e.ternary();
  e.space();
  if (!e.ok || *e.p) return 0;
  return v > 16 ? 0 : (int)v;
}

// ---- system codes ----

static bool row_has(const LanguageRow& row, const std::string& code) {
  std::string own;
  for (char c : row.code) own += (char)tolower((unsigned char)c);
  if (own == code) return true;
  for (const std::string& s : row.system)
    if (s == code) return true;
  return false;
}

std::string table_code_for(const std::string& tag) {
  std::vector<std::string> parts = split(tag, '_');
  const std::string& lang = parts[0];
  std::vector<std::string> tries;
  for (size_t i = 1; i < parts.size(); i++)
    if (parts[i].size() == 4) tries.push_back(lang + "_" + parts[i]);  // a script: zh_hant
  for (size_t i = 1; i < parts.size(); i++)
    if (parts[i].size() != 4) tries.push_back(lang + "_" + parts[i]);  // a region: pt_pt, es_419
  tries.push_back(lang);
  for (const std::string& t : tries)
    for (const LanguageRow& row : language_table())
      if (row_has(row, t)) return row.code;
  return "";
}
