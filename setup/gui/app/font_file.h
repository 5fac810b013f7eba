// Questions about a font file's bytes, answered with the library's own TrueType reader.
#pragma once

// The height of the face's capital H as a fraction of the height the library scales a
// face to (ascent minus descent); 0 when the face has no H or cannot be read.
float cap_height_fraction(const void* data, int index);

// Whether face `index` of the file has a glyph for `c`.
bool face_has_char(const void* data, int index, char32_t c);
