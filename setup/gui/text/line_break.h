// Where a text may break into lines, and a paragraph wrapped at a width. The places come
// from Unicode's line breaking rules in the window's language, with words found by a
// dictionary inside Thai, which writes no spaces between them. Lines are found in the
// text's logical order; each is reordered for display on its own.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A place where a line may end: the byte where the next line would start. `must` after a
// line end (LF, CR LF, CR, and the other mandatory breaks).
struct BreakAt {
  size_t at = 0;
  bool must = false;
  bool operator==(const BreakAt& o) const { return at == o.at && must == o.must; }
};

// The break opportunities inside `text` (0 < at < text.size()), in order. Malformed bytes
// count as U+FFFD one byte long.
std::vector<BreakAt> line_breaks(const std::string& text);

// One line of a wrapped paragraph: text[begin, end), the spaces and the line end at its
// close left out (the next line starts after them).
struct TextLine {
  size_t begin = 0, end = 0;
  bool operator==(const TextLine& o) const { return begin == o.begin && end == o.end; }
};

// Width in pixels of a piece of the text as it is drawn.
using MeasureText = std::function<float(const std::string& piece)>;

// `text` in lines no wider than `width` (when width > 0; else only at its line ends): each
// line ends at the last opportunity that fits, and a word wider than a whole line is cut
// between grapheme clusters (at least one cluster a line). An empty text is one empty
// line; a line end at the very end adds none. The pieces measured start from as many
// clusters as fit on the line before, grow or shrink by 1, 2, 4... clusters and then
// halve the gap: a text of n bytes costs a few times n bytes measured, never n squared.
std::vector<TextLine> wrap_lines(const std::string& text, float width, const MeasureText& measure);
