// The atlas's font loader: FreeType reads the faces (checking every table against the
// file's size, so a truncated or corrupt font is refused instead of read past its end) and
// draws their glyphs into Dear ImGui's atlas. Besides characters it draws shaped glyphs:
// a glyph that HarfBuzz chose or placed (a joined Arabic letter, a Thai mark raised over
// its vowel, a conjunct) is given a private-use code point of its own, which text hands to
// the library like any character.
#pragma once

#include <imgui.h>

#include <cstdint>

struct hb_font_t;

// The loader to give the atlas before faces are added (ImFontAtlas::SetFontLoader).
const ImFontLoader* glyph_loader();

// One face of the atlas as the loader opened it: its HarfBuzz font (scaled in font units),
// and whether it has a glyph for a character. Null for a source another loader opened.
struct LoadedFace;
LoadedFace* loaded_face(const ImFontConfig* source);
hb_font_t* face_shaper(LoadedFace* face);
unsigned face_glyph(LoadedFace* face, char32_t c);
// The face's advance of glyph `glyph`, in font units.
int face_advance(LoadedFace* face, unsigned glyph);

// A shaped glyph: the face, the glyph and its placement, in font units, as HarfBuzz gave it.
struct PlacedGlyph {
  LoadedFace* face;
  unsigned glyph;
  int x_offset, y_offset, x_advance;
  bool operator==(const PlacedGlyph& other) const {
    return face == other.face && glyph == other.glyph && x_offset == other.x_offset &&
           y_offset == other.y_offset && x_advance == other.x_advance;
  }
};

// The private-use code point that draws `glyph`, made on first use; 0 when all are taken
// (the text is then drawn unshaped until glyph_codes_reset).
char32_t glyph_code(const PlacedGlyph& glyph);

// Whether the code points ran out; the atlas is rebuilt between frames, and then:
bool glyph_codes_full();
// Forgets every code point: called when the atlas is cleared, before any text is shaped
// against its new faces.
void glyph_codes_reset();

// Whether `c` is a code point given to a shaped glyph (so a text already shaped shapes to
// itself).
bool is_glyph_code(char32_t c);
// The glyph that code point `c` stands for, or null.
const PlacedGlyph* placed_glyph(char32_t c);

// How many code points are in use (for the tests and the benchmark).
int glyph_codes_used();
