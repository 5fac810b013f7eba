// The Windows builds of the text libraries at work, for the tests to compare with Linux's:
//   text_check.exe thai: the dictionary thai_dictionary_path() finds ("(none)") and the word
//     breaks libthai finds with it in a Thai sentence ("(no breaker)" without one).
//   text_check.exe shape FONT TEXT-FILE...: for each pair, HarfBuzz's glyphs for the file's
//     UTF-8 text in the font, one line each, as hb-shape --no-glyph-names prints them.
//   text_check.exe load FONT...: for each font, one line: "drawn GLYPHS" when FreeType reads
//     it and renders its "A", else "refused".
#include "text/thai_dictionary.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ot.h>
#include <hb.h>
#include <thai/thwbrk.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

static std::string read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static void thai() {
  const char* path = thai_dictionary_path();
  printf("%s\n", path ? path : "(none)");
  ThBrk* brk = th_brk_new(path);
  if (!brk) {
    printf("(no breaker)\n");
    return;
  }
  // "Thai is written without spaces between its words."
  const thwchar_t text[] = L"ภาษาไทยเขียนติดกันโดยไม่เว้นวรรค";
  int pos[64];
  int n = th_brk_wc_find_breaks(brk, text, pos, 64);
  for (int i = 0; i < n; i++) printf(i ? " %d" : "%d", pos[i]);
  printf("\n");
  th_brk_delete(brk);
}

static void shape(const char* font_path, const char* text_path) {
  std::string bytes = read_file(font_path), text = read_file(text_path);
  hb_blob_t* blob = hb_blob_create(bytes.data(), static_cast<unsigned>(bytes.size()), HB_MEMORY_MODE_READONLY,
                                   nullptr, nullptr);
  hb_face_t* face = hb_face_create(blob, 0);
  hb_font_t* font = hb_font_create(face);
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), 0, -1);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(font, buffer, nullptr, 0);
  std::string line;
  unsigned count = hb_buffer_get_length(buffer);
  for (unsigned start = 0; start < count;) {
    char chunk[4096];
    unsigned written = 0;
    start +=
        hb_buffer_serialize_glyphs(buffer, start, count, chunk, sizeof chunk, &written, font,
                                   HB_BUFFER_SERIALIZE_FORMAT_TEXT, HB_BUFFER_SERIALIZE_FLAG_NO_GLYPH_NAMES);
    line.append(chunk, written);
  }
  printf("%s\n", line.c_str());
  hb_buffer_destroy(buffer);
  hb_font_destroy(font);
  hb_face_destroy(face);
  hb_blob_destroy(blob);
}

static void load(FT_Library library, const char* path) {
  std::string bytes = read_file(path);
  FT_Face face = nullptr;
  bool drawn = FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                                  static_cast<FT_Long>(bytes.size()), 0, &face) == 0 &&
               FT_Set_Pixel_Sizes(face, 0, 32) == 0 && FT_Load_Char(face, 'A', FT_LOAD_RENDER) == 0 &&
               face->glyph->bitmap.width > 0 && face->glyph->bitmap.rows > 0;
  if (drawn)
    printf("drawn %ld\n", face->num_glyphs);
  else
    printf("refused\n");
  if (face) FT_Done_Face(face);
}

int main(int argc, char** argv) {
  std::string what = argc > 1 ? argv[1] : "";
  if (what == "thai" && argc == 2) {
    thai();
  } else if (what == "shape" && argc % 2 == 0) {
    for (int i = 2; i < argc; i += 2) shape(argv[i], argv[i + 1]);
  } else if (what == "load") {
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return 1;
    for (int i = 2; i < argc; i++) load(library, argv[i]);
    FT_Done_FreeType(library);
  } else {
    return 2;
  }
  return 0;
}
