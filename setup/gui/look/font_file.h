// Questions about a font file's bytes, answered by FreeType, which reads no byte past `size`.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Whether every table that face `index` of the file lists lies within its `size` bytes:
// false for a file cut short, whose missing tables a lenient reader would skip.
bool tables_fit(const void* data, size_t size, int index);

// The same for a file on disk, reading only its header and table directory: whether the
// file holds all of face `index` (a copy cut short does not). Answers are kept per file.
bool font_file_complete(const std::string& path, int index);

// Whether face `index` of the file opens, with the very checks the atlas's loader makes
// before it takes a face in, and its outlines can be read.
bool face_opens(const void* data, size_t size, int index);

// The height of the face's capital H as a fraction of the height the library scales a
// face to (ascent minus descent); 0 when the face has no H or cannot be read.
float cap_height_fraction(const void* data, size_t size, int index);

// Whether face `index` of the file has a glyph for `c`.
bool face_has_char(const void* data, size_t size, int index, char32_t c);

// A run of characters, first to last, that a face has glyphs for.
struct CharRange {
  char32_t first, last;
};

// The number of faces in the file: a collection's (.ttc) count, 1 for a single font, 0 for
// bytes that are no font.
int face_count(const void* data, size_t size);

// Every character face `index` has a glyph for, as sorted runs that do not touch: what
// face_has_char answers for each character of Unicode, read from the face's character map
// in one go. Empty when the face cannot be read.
std::vector<CharRange> face_coverage(const void* data, size_t size, int index);

// Whether `c` is in sorted runs.
bool covers(const std::vector<CharRange>& runs, char32_t c);
