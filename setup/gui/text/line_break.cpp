#include "text/line_break.h"

#include "text/thai_dictionary.h"

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
// may break there (LINEBREAK_*).
struct Breaks {
  std::vector<uint32_t> chars;
  std::vector<size_t> starts;
  std::vector<char> lines;
};

}  // namespace

#ifdef TARNWELL_LIBTHAI

static bool is_thai(uint32_t c) { return c >= 0x0E01 && c <= 0x0E5B; }

// Unicode's rules leave a run of Thai letters unbroken; libthai finds its words in its
// dictionary, and a line may break between them.
static void add_thai_breaks(Breaks& b) {
  static ThBrk* const brk = th_brk_new(thai_dictionary_path());
  if (!brk) return;
  const size_t n = b.chars.size();
  std::vector<thwchar_t> run;
  std::vector<int> found;
  for (size_t i = 0; i < n;) {
    if (!is_thai(b.chars[i])) {
      i++;
      continue;
    }
    size_t j = i;
    while (j < n && is_thai(b.chars[j])) j++;
    run.assign(b.chars.begin() + i, b.chars.begin() + j);
    run.push_back(0);
    found.resize(j - i);
    const int count = th_brk_wc_find_breaks(brk, run.data(), found.data(), found.size());
    for (int k = 0; k < count; k++) {
      const size_t before = i + (size_t)found[k];  // a break before this character
      if (before > i && before < j && b.lines[before - 1] == LINEBREAK_NOBREAK)
        b.lines[before - 1] = LINEBREAK_ALLOWBREAK;
    }
    i = j;
  }
}
#endif

static Breaks find_breaks(const std::string& text) {
  Breaks b;
  utf8_chars(text, 0, text.size(), b.chars, b.starts);
  const size_t n = b.chars.size();
  b.lines.assign(n, LINEBREAK_NOBREAK);
  if (n == 0) return b;
  // Ambiguous characters are wide in Chinese, Japanese and Korean; some languages have
  // rules of their own.
  set_linebreaks_utf32(b.chars.data(), n, g_lang.code.c_str(), b.lines.data());
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
// false after it; SIZE_MAX when fits(first) fails. Starts at `guess` and gallops (1, 2, 4...
// further) up while the pieces fit or down while they do not, then halves the gap left.
template <class Fits>
static size_t last_fitting(size_t first, size_t last, size_t guess, const Fits& fits) {
  guess = std::min(std::max(guess, first), last);
  size_t good = SIZE_MAX, bad = last + 1;
  if (fits(guess)) {
    good = guess;
    for (size_t step = 1; good < last && bad > last; step *= 2) {
      const size_t i = std::min(good + step, last);
      if (fits(i))
        good = i;
      else
        bad = i;
    }
    if (good == last) return good;
  } else {
    bad = guess;
    for (size_t step = 1; bad > first && good == SIZE_MAX; step *= 2) {
      const size_t i = bad - std::min(step, bad - first);
      if (fits(i))
        good = i;
      else
        bad = i;
    }
    if (good == SIZE_MAX) return SIZE_MAX;
  }
  for (size_t lo = good + 1; lo < bad;) {
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

// Where to cut a word that no line holds whole, as an index of its characters: the last
// cluster boundary after `begin` (a boundary) and at or before `fit`, else the first after
// it. Only the characters from `begin` on are looked at, in windows growing twice as long:
// rules that look back never look past a boundary.
static size_t cluster_cut(const Breaks& b, size_t begin, size_t fit) {
  const size_t n = b.chars.size();
  std::vector<char> breaks;
  for (size_t reach = fit - begin + 2;; reach *= 2) {
    const size_t to = std::min(begin + reach, n);
    breaks.resize(to - begin);
    set_graphemebreaks_utf32(&b.chars[begin], to - begin, nullptr, breaks.data());
    // breaks[i - 1 - begin]: whether a cluster ends before character i; final for i < to.
    size_t best = 0;
    for (size_t i = begin + 1; i < to; i++) {
      if (breaks[i - 1 - begin] != GRAPHEMEBREAK_BREAK) continue;
      if (i <= fit)
        best = i;
      else
        return best ? best : i;
    }
    if (best && to > fit) return best;
    if (to == n) return best ? best : n;
  }
}

std::vector<TextLine> wrap_lines(const std::string& text, float width, const MeasureText& measure) {
  if (text.empty()) return {TextLine{}};
  const Breaks b = find_breaks(text);
  const size_t n = b.chars.size();
  auto at = [&](size_t i) { return i < n ? b.starts[i] : text.size(); };
  // Where a line may end, as the index of the character after it, the text's end last; and
  // for each, the first mandatory one from it.
  std::vector<size_t> ends;
  std::vector<char> must;
  for (size_t i = 0; i + 1 < n; i++)
    if (b.lines[i] == LINEBREAK_MUSTBREAK || b.lines[i] == LINEBREAK_ALLOWBREAK) {
      ends.push_back(i + 1);
      must.push_back(b.lines[i] == LINEBREAK_MUSTBREAK);
    }
  ends.push_back(n);
  must.push_back(true);
  std::vector<size_t> next_must(ends.size());
  for (size_t i = ends.size(); i-- > 0;) next_must[i] = must[i] ? i : next_must[i + 1];

  auto fits = [&](size_t begin, size_t end) {
    const size_t from = at(begin);
    return measure(text.substr(from, trimmed(text, from, at(end)) - from)) <= width;
  };
  std::vector<TextLine> lines;
  size_t begin = 0, k = 0, guess = 0;  // characters that fit, guessed from the line before
  while (begin < n) {
    while (ends[k] <= begin) k++;
    const size_t last = next_must[k];
    size_t end = ends[last];
    if (width > 0) {
      // The most characters that fit before the next line end, found from as many as fit
      // on the line before, so that a long word is never measured whole; then the last
      // opportunity within them.
      const size_t fit =
          last_fitting(begin + 1, end, begin + 1 + guess, [&](size_t i) { return fits(begin, i); });
      if (fit != end) {
        if (fit != SIZE_MAX) guess = fit - begin - 1;
        const size_t room = fit == SIZE_MAX ? begin : fit;
        const size_t j = std::upper_bound(ends.begin() + k, ends.begin() + last, room) - ends.begin();
        // The opportunity just past them may still fit once its closing spaces are left out.
        if (j < last && fits(begin, ends[j]))
          end = ends[j];
        else if (j > k)
          end = ends[j - 1];
        else  // even the first word is wider than a line: cut it, one cluster at least
          end = cluster_cut(b, begin, fit == SIZE_MAX ? begin + 1 : fit);
      }
    }
    lines.push_back({at(begin), trimmed(text, at(begin), at(end))});
    begin = end;
  }
  return lines;
}
