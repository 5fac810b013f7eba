#include "backend/json.h"

#include "text/utf8.h"

#include <cstdlib>
#include <cstring>

const J& none() {
  static const J empty;
  return empty;
}

const J& J::operator[](const char* name) const {
  size_t len = strlen(name);
  for (const auto& member : obj)
    if (member.first.size() == len && memcmp(member.first.data(), name, len) == 0) return member.second;
  return none();
}

static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

static void skip_space(const char*& p) {
  while (is_space(*p)) p++;
}

// One hexadecimal digit; anything else counts as 0.
static unsigned hex_digit(char c) {
  if (c >= '0' && c <= '9') return (unsigned)(c - '0');
  if (c >= 'a' && c <= 'f') return (unsigned)(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return (unsigned)(c - 'A' + 10);
  return 0;
}

bool jstring(const char*& p, std::string& out) {
  if (*p != '"') return false;
  p++;
  for (;;) {
    // Plain bytes (UTF-8 passes through unchecked) go over in one piece.
    size_t plain = strcspn(p, "\"\\");
    out.append(p, plain);
    p += plain;
    if (*p == 0) return false;
    if (*p == '"') {
      p++;
      return true;
    }
    char e = *++p;
    switch (e) {
      case 0: return false;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'b':
      case 'f':
      case 'r': break;  // dropped: the backend's texts never need them
      case 'u': {
        // Up to four digits, fewer only where the text ends.
        unsigned cp = 0;
        for (int i = 0; i < 4 && p[1] != 0; i++) cp = cp * 16 + hex_digit(*++p);
        utf8_append(out, cp);  // a surrogate half on its own too
        break;
      }
      default: out += e;
    }
    p++;
  }
}

static bool parse_value(const char*& p, J& out, int depth, size_t& left);

static bool parse_array(const char*& p, J& out, int depth, size_t& left) {
  out.kind = 4;
  p++;
  for (;;) {
    skip_space(p);
    if (*p == ']') {
      p++;
      return true;
    }
    J element;
    if (!parse_value(p, element, depth, left)) return false;
    out.arr.push_back(std::move(element));
    skip_space(p);
    if (*p == ',') p++;
  }
}

static bool parse_object(const char*& p, J& out, int depth, size_t& left) {
  out.kind = 5;
  p++;
  for (;;) {
    skip_space(p);
    if (*p == '}') {
      p++;
      return true;
    }
    std::string key;
    if (!jstring(p, key)) return false;
    skip_space(p);
    if (*p != ':') return false;  // never step over the terminating NUL
    p++;
    J value;
    if (!parse_value(p, value, depth, left)) return false;
    out.obj.emplace_back(std::move(key), std::move(value));
    skip_space(p);
    if (*p == ',') p++;
  }
}

// `depth` counts the containers around the value being read, `left` the values the line
// may still hold.
static bool parse_value(const char*& p, J& out, int depth, size_t& left) {
  if (left == 0) return false;
  left--;
  skip_space(p);
  switch (*p) {
    case '"': out.kind = 3; return jstring(p, out.str);
    case '[': return depth < JSON_MAX_DEPTH && parse_array(p, out, depth + 1, left);
    case '{': return depth < JSON_MAX_DEPTH && parse_object(p, out, depth + 1, left);
    default: break;
  }
  if (strncmp(p, "true", 4) == 0) {
    out.kind = 1;
    out.b = true;
    p += 4;
    return true;
  }
  if (strncmp(p, "false", 5) == 0) {
    out.kind = 1;
    out.b = false;
    p += 5;
    return true;
  }
  if (strncmp(p, "null", 4) == 0) {
    p += 4;
    return true;
  }
  char* end = nullptr;
  out.num = strtod(p, &end);
  if (end == p) return false;
  out.kind = 2;
  p = end;
  return true;
}

bool jparse(const char*& p, J& out) {
  size_t left = JSON_MAX_VALUES;
  return parse_value(p, out, 0, left);
}
