#include "text/line_break.h"

#include "text/language.h"
#include "text/utf8.h"

#include <graphemebreak.h>
#include <linebreak.h>
#ifdef TARNWELL_LIBTHAI
#include <thai/thbrk.h>
#include <thai/thwbrk.h>
#endif

#include <algorithm>
#include <cstdint>

namespace {

// A text decoded once: its characters, where each starts, and after each whether a line
// may break there (LINEBREAK_*) and whether a grapheme cluster ends there.
struct Breaks {
  std::vector<uint32_t> chars;
  std::vector<size_t> starts;
  std::vector<char> lines, clusters;
};

}  // namespace

#ifdef TARNWELL_LIBTHAI
// The word list libthai reads; nullptr is its own default.
static const char* thai_dictionary() { return nullptr; }

static bool is_thai(uint32_t c) { return c >= 0x0E01 && c <= 0x0E5B; }

// Unicode's rules leave a run of Thai letters unbroken; libthai finds its words in its
// dictionary, and a line may break between them.
static void add_thai_breaks(Breaks& b) {
  static ThBrk* const brk = th_brk_new(thai_dictionary());
  if (!brk) return;
  const size_t n = b.chars.size();
  std::vector<thwchar_t> run;
  std::vector<int> found;
  for (size_t i = 0, j; i < n; i = j) {
    for (j = i; j < n && is_thai(b.chars[j]); j++) {
    }
    if (j == i) {
      j++;
      continue;
    }
    if (j - i < 2) continue;
    run.assign(b.chars.begin() + i, b.chars.begin() + j);
    run.push_back(0);
    found.resize(j - i);
    const int count = th_brk_wc_find_breaks(brk, run.data(), found.data(), found.size());
    for (int k = 0; k < count; k++) {
      const size_t before = i + (size_t)found[k];  // a break before this character
      if (before > i && before < j && b.lines[before - 1] == LINEBREAK_NOBREAK)
        b.lines[before - 1] = LINEBREAK_ALLOWBREAK;
    }
  }
}
#endif

static Breaks find_breaks(const std::string& text) {
  Breaks b;
  utf8_chars(text, 0, text.size(), b.chars, b.starts);
  const size_t n = b.chars.size();
  b.lines.assign(n, LINEBREAK_NOBREAK);
  b.clusters.assign(n, GRAPHEMEBREAK_BREAK);
  if (n == 0) return b;
  // Ambiguous characters are wide in Chinese, Japanese and Korean; some languages have
  // rules of their own.
  set_linebreaks_utf32(b.chars.data(), n, g_lang.code.c_str(), b.lines.data());
  set_graphemebreaks_utf32(b.chars.data(), n, nullptr, b.clusters.data());
#ifdef TARNWELL_LIBTHAI
  add_thai_breaks(b);
#endif
  return b;
}

std::vector<BreakAt> line_breaks(const std::string& text) {
  const Breaks b = find_breaks(text);
  std::vector<BreakAt> out;
  for (size_t i = 0; i + 1 < b.chars.size(); i++)
    if (b.lines[i] == LINEBREAK_MUSTBREAK || b.lines[i] == LINEBREAK_ALLOWBREAK)
      out.push_back({b.starts[i + 1], b.lines[i] == LINEBREAK_MUSTBREAK});
  return out;
}

// Spaces and line ends, which a line leaves out at its close.
static bool closes_line(char32_t c) {
  return c == ' ' || c == '\t' || c == 0x3000 || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

// text[begin, end) without the spaces and line ends at its close.
static size_t trimmed(const std::string& text, size_t begin, size_t end) {
  while (end > begin) {
    size_t start = end - 1, next;
    while (start > begin && ((unsigned char)text[start] & 0xC0) == 0x80) start--;
    if (!closes_line(utf8_decode(text, start, &next)) || next != end) break;
    end = start;
  }
  return end;
}

// The last i in [first, last] for which fits(i) holds, fits being true up to some i and
// false after it; SIZE_MAX when fits(first) fails. Tries first, first + 1, first + 3,
// first + 7... and then halves the gap between the last that fit and the first that did not.
template <class Fits>
static size_t last_fitting(size_t first, size_t last, const Fits& fits) {
  size_t good = SIZE_MAX, bad = last + 1;
  for (size_t i = first, step = 1;; step *= 2) {
    if (!fits(i)) {
      bad = i;
      break;
    }
    good = i;
    if (i == last) return good;
    i = std::min(i + step, last);
  }
  size_t lo = good == SIZE_MAX ? first : good + 1;
  while (lo < bad) {
    const size_t mid = lo + (bad - lo) / 2;
    if (fits(mid)) {
      good = mid;
      lo = mid + 1;
    } else {
      bad = mid;
    }
  }
  return good;
}

std::vector<TextLine> wrap_lines(const std::string& text, float width, const MeasureText& measure) {
  if (text.empty()) return {TextLine{}};
  const Breaks b = find_breaks(text);
  // Where a line may end, the text's end last; and for each, the first mandatory one from it.
  std::vector<BreakAt> ends;
  std::vector<size_t> clusters;  // every cluster boundary after the start, the end last
  for (size_t i = 0; i + 1 < b.chars.size(); i++) {
    if (b.lines[i] == LINEBREAK_MUSTBREAK || b.lines[i] == LINEBREAK_ALLOWBREAK)
      ends.push_back({b.starts[i + 1], b.lines[i] == LINEBREAK_MUSTBREAK});
    if (b.clusters[i] == GRAPHEMEBREAK_BREAK) clusters.push_back(b.starts[i + 1]);
  }
  ends.push_back({text.size(), true});
  clusters.push_back(text.size());
  std::vector<size_t> next_must(ends.size());
  for (size_t i = ends.size(); i-- > 0;) next_must[i] = ends[i].must ? i : next_must[i + 1];

  auto fits = [&](size_t begin, size_t end) {
    return measure(text.substr(begin, trimmed(text, begin, end) - begin)) <= width;
  };
  std::vector<TextLine> lines;
  size_t begin = 0, k = 0;
  while (begin < text.size()) {
    while (ends[k].at <= begin) k++;
    const size_t must = next_must[k];
    size_t end = ends[must].at;
    // The most clusters that fit before the next line end, found from short pieces up, so
    // that a long word is never measured whole; then the last opportunity within them.
    const size_t first = std::upper_bound(clusters.begin(), clusters.end(), begin) - clusters.begin();
    const size_t last = std::lower_bound(clusters.begin(), clusters.end(), end) - clusters.begin();
    const size_t fit =
        width > 0 ? last_fitting(first, last, [&](size_t i) { return fits(begin, clusters[i]); }) : last;
    if (fit != last) {
      const size_t room = fit == SIZE_MAX ? begin : clusters[fit];
      size_t j = std::upper_bound(ends.begin() + k, ends.begin() + must, room,
                                  [](size_t at, const BreakAt& e) { return at < e.at; }) -
                 ends.begin();
      // The opportunity just past them may still fit once its closing spaces are left out.
      if (j < must && fits(begin, ends[j].at))
        end = ends[j].at;
      else if (j > k)
        end = ends[j - 1].at;
      else  // even the first word is wider than a line: cut it, one cluster at least
        end = clusters[fit == SIZE_MAX ? first : fit];
    }
    lines.push_back({begin, trimmed(text, begin, end)});
    begin = end;
  }
  return lines;
}
